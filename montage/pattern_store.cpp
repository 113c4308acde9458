// Loading and storing montage patterns through the private-profile functions;
// see pattern_store.h. The channel lists are described once, in the pattern
// rules' table that both directions use.
#include "montage/pattern_store.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "engine/pattern_rules.h"
#include "pagekit/profile.h"
#include "textkit/number_parse.h"

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
        snprintf(name, sizeof name, "Pattern%i", slot + 1);
    }
    void Write(const char* key, const char* text) const { batch->Text(name, key, text); }
};

// ---- reading ----------------------------------------------------------------

// Reads a text key into `buf` of `size` bytes, never leaving half a
// double-byte character at a cut; returns its length.
int ReadText(const Section& s, const char* key, const char* def, char* buf, int size) {
    return ReadProfileText(s.name, key, def, buf, size, s.path);
}

// Reads "<format><n>" keys for n = 1..count into count buffers of `size`
// bytes at `first`, each with the default "<defFormat><n>" (or `defText`).
void ReadNumberedTexts(const Section& s, const char* format, int count, char* first,
                       int size, const char* defFormat, const char* defText) {
    for (int n = 1; n <= count; ++n) {
        char key[kKeySize];
        char def[kKeySize];
        snprintf(key, sizeof key, format, n);
        if (defFormat) snprintf(def, sizeof def, defFormat, n);
        else snprintf(def, sizeof def, "%s", defText);
        ReadText(s, key, def, first + (n - 1) * size, size);
    }
}

// Reads a list key; returns the number of values parsed into `values`
// (at most `max`), or -1 when the text read is 2 characters or fewer.
int ReadList(const Section& s, const char* key, const char* missing, ListParser parse,
             int32_t* values, int max) {
    char text[kListTextSize];
    int length = ReadText(s, key, missing, text, sizeof text);
    return ReadValueList(parse, text, length, values, max);
}

void LoadChannelList(MontagePattern& p, const Section& s, const ChannelList& list) {
    char text[kListTextSize];
    int length = ReadText(s, list.key, list.missing, text, sizeof text);
    ApplyChannelList(p, list, text, length);
}

void LoadTexts(MontagePattern& p, const Section& s) {
    ReadText(s, "PATTERN", s.name, p.name, sizeof p.name);
    ReadNumberedTexts(s, "Label%i", kLabelChoices, p.labelChoices[0], kLabelSize, "Ch%i", nullptr);
    ReadNumberedTexts(s, "Unit%i", kUnitChoices, p.unitChoices[0], kUnitSize, nullptr, "V");
    for (int n = 1; n <= kChannelEntries; ++n) {
        char key[kKeySize];
        char def[kKeySize];
        snprintf(key, sizeof key, "ChLabel%i", n);
        snprintf(def, sizeof def, "Ch%i", n);
        ReadText(s, key, def, p.channels[n - 1].label, kLabelSize);
    }
    for (int n = 1; n <= kChannelEntries; ++n) {
        char key[kKeySize];
        snprintf(key, sizeof key, "ChUnit%i", n);
        ReadText(s, key, "V", p.channels[n - 1].unit, kUnitSize);
    }
}

void LoadPosition(PositionCalibration& pos, const Section& s) {
    int levels = static_cast<int>(GetPrivateProfileIntA(s.name, "PosLevelN", 0, s.path));
    pos.levelCount = static_cast<uint16_t>(LimitLevelCount(levels));
    int32_t values[kMaxLevels];
    int count = ReadList(s, "PosCenter", "", ParseNumberList, values, kMaxLevels);
    for (int i = 0; i < count; ++i) pos.centers[i] = values[i];
    count = ReadList(s, "PosWidth", "", ParseLongList, values, kMaxLevels);
    for (int i = 0; i < count; ++i) pos.widths[i] = values[i];
    ReadNumberedTexts(s, "PosLabel%i", pos.levelCount, pos.levelLabels[0], kLevelLabelSize,
                      nullptr, "");
}

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

void StorePosition(const PositionCalibration& pos, const Section& s) {
    int levels = LimitLevelCount(pos.levelCount);
    char text[kListTextSize];
    snprintf(text, sizeof text, "%i", levels);
    s.Write("PosLevelN", text);
    FormatValueList(text, sizeof text, pos.centers, levels);
    s.Write("PosCenter", text);
    FormatValueList(text, sizeof text, pos.widths, levels);
    s.Write("PosWidth", text);
    WriteNumberedTexts(s, "PosLabel%i", levels, pos.levelLabels[0], kLevelLabelSize);
}

}  // namespace

void LoadPatternSlot(MontagePattern& p, int slot, const char* iniPath) {
    if (!ValidTarget(slot, iniPath)) return;
    Section s(slot, iniPath);
    LoadTexts(p, s);
    for (const ChannelList& list : kChannelLists) LoadChannelList(p, s, list);
    KeepRateDivisorsPositive(p);
    LoadPosition(p.position, s);
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
