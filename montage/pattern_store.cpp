// Loading and storing montage patterns through the private-profile functions;
// see pattern_store.h. Loading follows the engine's section loader
// (engine/pattern_load.h); the channel lists are described once, in the
// pattern rules' table that both directions use.
#include "montage/pattern_store.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "engine/pattern_load.h"
#include "engine/pattern_rules.h"
#include "engine/position_rules.h"
#include "pagekit/profile.h"

namespace {

enum { kSectionSize = 16, kKeySize = 24 };

bool ValidTarget(int slot, const char* iniPath) {
    return slot >= 0 && slot < kPatternCount && iniPath && iniPath[0];
}

// Section and file of one slot, for the read and write helpers below; a
// store writes through `batch`, a checked copy of the file.
struct Section {
    char name[kSectionSize];
    const char* path;
    ProfileBatch* batch = nullptr;
    Section(int slot, const char* iniPath) : path(iniPath) {
        PatternSectionName(name, sizeof name, slot);
    }
    void Write(const char* key, const char* text) const { batch->Text(name, key, text); }
};

// ---- writing ----------------------------------------------------------------

// Writes a text field of `size` bytes, cut at its terminator or its end.
void WriteText(const Section& s, const char* key, const char* field, size_t size) {
    char text[kListTextSize];
    size_t length = strnlen(field, size < sizeof text ? size : sizeof text - 1);
    memcpy(text, field, length);
    text[length] = '\0';
    s.Write(key, text);
}

void WriteNumberedTexts(const Section& s, const char* format, int count, const char* first,
                        int size) {
    for (int n = 1; n <= count; ++n) {
        char key[kKeySize];
        snprintf(key, sizeof key, format, n);
        WriteText(s, key, first + (n - 1) * size, size);
    }
}

void StoreTexts(const MontagePattern& p, const Section& s) {
    WriteText(s, "PATTERN", p.name, sizeof p.name);
    WriteNumberedTexts(s, "Label%i", kLabelChoices, p.labelChoices[0], kLabelSize);
    WriteNumberedTexts(s, "Unit%i", kUnitChoices, p.unitChoices[0], kUnitSize);
    for (int n = 1; n <= kChannelEntries; ++n) {
        char key[kKeySize];
        snprintf(key, sizeof key, "ChLabel%i", n);
        WriteText(s, key, p.channels[n - 1].label, kLabelSize);
    }
    for (int n = 1; n <= kChannelEntries; ++n) {
        char key[kKeySize];
        snprintf(key, sizeof key, "ChUnit%i", n);
        WriteText(s, key, p.channels[n - 1].unit, kUnitSize);
    }
}

void StoreChannelLists(const MontagePattern& p, const Section& s) {
    for (const ChannelList& list : kChannelLists) {
        char text[kListTextSize];
        FormatChannelList(text, sizeof text, p, list.field, list.scale);
        s.Write(list.key, text);
    }
}

// The position table through the same key rules as the default table.
class SectionPositionWriter : public PositionProfile {
public:
    explicit SectionPositionWriter(const Section& s) : s_(s) {}
    int32_t ReadInt(const char*, int32_t fallback) override { return fallback; }
    int ReadText(const char*, char* dest, int size) override {
        if (size > 0) dest[0] = '\0';
        return 0;
    }
    void WriteText(const char* key, const char* text) override { s_.Write(key, text); }

private:
    const Section& s_;
};

void StorePosition(const PositionCalibration& pos, const Section& s) {
    SectionPositionWriter writer(s);
    StorePositionKeys(pos, writer);
}

}  // namespace

void LoadPatternSlot(MontagePattern& p, int slot, const char* iniPath) {
    if (!ValidTarget(slot, iniPath)) return;
    LoadPatternSection(p, slot, PrivateProfile(iniPath));
}

bool StorePatternSlot(const MontagePattern& p, int slot, const char* iniPath) {
    if (!ValidTarget(slot, iniPath)) return false;
    ProfileBatch batch(iniPath);
    Section s(slot, iniPath);
    s.batch = &batch;
    StoreTexts(p, s);
    StoreChannelLists(p, s);
    StorePosition(p.position, s);
    return batch.Commit();
}

void LoadPattern(MontagePattern* patterns, int k, const char* iniPath) {
    if (!patterns || k < -1 || k >= kPatternCount) return;
    int first = k < 0 ? 0 : k;
    int last = k < 0 ? kPatternCount - 1 : k;
    for (int slot = first; slot <= last; ++slot) LoadPatternSlot(patterns[slot], slot, iniPath);
}

bool StorePattern(const MontagePattern* patterns, int k, const char* iniPath) {
    if (!patterns || k < 0 || k >= kPatternCount) return false;
    return StorePatternSlot(patterns[k], k, iniPath);
}
