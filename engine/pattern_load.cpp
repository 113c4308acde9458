// Loading a montage pattern section through a ProfileReader; see
// pattern_load.h. The channel lists are described once, in the pattern
// rules' table that loading and storing both use.
#include "engine/pattern_load.h"

#include <cstdio>

#include "engine/pattern_rules.h"
#include "textkit/number_parse.h"

namespace {

enum { kSectionSize = 16, kKeySize = 24 };

// Section of one slot and the reader it is read through.
struct Section {
    char name[kSectionSize];
    const ProfileReader& profile;
    Section(int slot, const ProfileReader& reader) : profile(reader) {
        PatternSectionName(name, sizeof name, slot);
    }
    Section(const char* section, const ProfileReader& reader) : profile(reader) {
        snprintf(name, sizeof name, "%s", section);
    }
    int Text(const char* key, const char* def, char* buf, int size) const {
        return profile.ReadText(name, key, def, buf, size);
    }
};

// Reads "<format><n>" keys for n = 1..count into count buffers of `size`
// bytes at `first`, each with the default "<defFormat><n>" (or `defText`).
void ReadNumberedTexts(const Section& s, const char* format, int count, char* first, int size,
                       const char* defFormat, const char* defText) {
    for (int n = 1; n <= count; ++n) {
        char key[kKeySize];
        char def[kKeySize];
        snprintf(key, sizeof key, format, n);
        if (defFormat) snprintf(def, sizeof def, defFormat, n);
        else snprintf(def, sizeof def, "%s", defText);
        s.Text(key, def, first + (n - 1) * size, size);
    }
}

// Reads a list key; returns the number of values parsed into `values`
// (at most `max`), or -1 when the text read is 2 characters or fewer.
int ReadList(const Section& s, const char* key, const char* missing, ListParser parse, int32_t* values, int max) {
    char text[kListTextSize];
    int length = s.Text(key, missing, text, sizeof text);
    return ReadValueList(parse, text, length, values, max);
}

void LoadChannelList(MontagePattern& p, const Section& s, const ChannelList& list) {
    char text[kListTextSize];
    int length = s.Text(list.key, list.missing, text, sizeof text);
    ApplyChannelList(p, list, text, length);
}

void LoadTexts(MontagePattern& p, const Section& s) {
    s.Text("PATTERN", s.name, p.name, sizeof p.name);
    ReadNumberedTexts(s, "Label%i", kLabelChoices, p.labelChoices[0], kLabelSize, "Ch%i", nullptr);
    ReadNumberedTexts(s, "Unit%i", kUnitChoices, p.unitChoices[0], kUnitSize, nullptr, "V");
    for (int n = 1; n <= kChannelEntries; ++n) {
        char key[kKeySize];
        char def[kKeySize];
        snprintf(key, sizeof key, "ChLabel%i", n);
        snprintf(def, sizeof def, "Ch%i", n);
        s.Text(key, def, p.channels[n - 1].label, kLabelSize);
    }
    for (int n = 1; n <= kChannelEntries; ++n) {
        char key[kKeySize];
        snprintf(key, sizeof key, "ChUnit%i", n);
        s.Text(key, "V", p.channels[n - 1].unit, kUnitSize);
    }
}

void LoadPosition(PositionCalibration& pos, const Section& s) {
    int levels = static_cast<int>(s.profile.ReadInt(s.name, "PosLevelN", 0));
    pos.levelCount = static_cast<uint16_t>(LimitLevelCount(levels));
    int32_t values[kMaxLevels];
    int count = ReadList(s, "PosCenter", "", ParseNumberList, values, kMaxLevels);
    for (int i = 0; i < count; ++i) pos.centers[i] = values[i];
    count = ReadList(s, "PosWidth", "", ParseLongList, values, kMaxLevels);
    for (int i = 0; i < count; ++i) pos.widths[i] = values[i];
    ReadNumberedTexts(s, "PosLabel%i", pos.levelCount, pos.levelLabels[0], kLevelLabelSize, nullptr, "");
}

}  // namespace

void PatternSectionName(char* name, int size, int slot) { snprintf(name, size_t(size), "Pattern%i", slot + 1); }

namespace {

void LoadSection(MontagePattern& p, const Section& s) {
    LoadTexts(p, s);
    for (const ChannelList& list : kChannelLists) LoadChannelList(p, s, list);
    KeepRateDivisorsPositive(p);
    LoadPosition(p.position, s);
}

}  // namespace

void LoadPatternSection(MontagePattern& p, int slot, const ProfileReader& profile) {
    if (slot < 0 || slot >= kPatternCount) return;
    LoadSection(p, Section(slot, profile));
}

void LoadNamedPatternSection(MontagePattern& p, const char* section, const ProfileReader& profile) {
    if (!section || !section[0]) return;
    LoadSection(p, Section(section, profile));
}
