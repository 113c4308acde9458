// Loading and storing montage patterns through the private-profile functions;
// see pattern_store.h. The channel lists are described once, in a table that
// both directions use.
#include "montage/pattern_store.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/app_globals.h"
#include "app/profile.h"
#include "app/state_lock.h"
#include "montage/number_list.h"
#include "winkit/word_list.h"

namespace {

enum { kSectionSize = 16, kKeySize = 24, kShortListChars = 2 };

using ListParser = int (*)(int32_t*, const char*, int, int);

// One channel list key. The word lists (whole numbers as written) are read
// with their full 32-bit value, so that A/D values above 65535 and negative
// values come back as they were stored.
struct ChannelList {
    const char* key;
    int32_t ChannelSetting::*field;
    ListParser parse;
    const char* missing;    // text used when the key is missing
    int32_t scale;          // file value = field / scale; field = value * scale
};

const ChannelList kChannelLists[] = {
    {"ChEnable", &ChannelSetting::enabled, WkParseLongList, "1,1,1,1,1,1,1,1", 1},
    {"Signal", &ChannelSetting::signalType, WkParseLongList, "4,4,4,4,5,6,7,8", 1},
    {"Rate", &ChannelSetting::rateDivisor, WkParseLongList, "", 1},
    {"EU", &ChannelSetting::calEU, WkParseLongList, "", 1},
    {"VU", &ChannelSetting::calVU, WkParseLongList, "", 1},
    {"Sens", &ChannelSetting::sensitivity, ParseNumberList, "", 100},
    {"LFF", &ChannelSetting::lowFilter, ParseNumberList, "", 1},
    {"TC", &ChannelSetting::timeConstant, ParseNumberList, "", 1},
    {"HFF", &ChannelSetting::highFilter, WkParseLongList, "", 1},
};

bool ValidTarget(int slot, const char* iniPath) {
    return slot >= 0 && slot < kPatternCount && iniPath && iniPath[0];
}

// Section and file of one slot, for the read and write helpers below.
struct Section {
    char name[kSectionSize];
    const char* path;
    Section(int slot, const char* iniPath) : path(iniPath) {
        snprintf(name, sizeof name, "Pattern%i", slot + 1);
    }
};

// Level counts outside 0..8 would reach beyond the table.
int ClampLevelCount(int levels) {
    if (levels < 0) return 0;
    if (levels > int(kMaxLevels)) return kMaxLevels;
    return levels;
}

int32_t ScaleSaturated(int32_t value, int32_t scale) {
    int64_t v = int64_t(value) * scale;
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

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
    if (length <= kShortListChars) return -1;
    return parse(values, text, length, max);
}

void LoadChannelList(MontagePattern& p, const Section& s, const ChannelList& list) {
    int32_t values[kChannelEntries];
    int count = ReadList(s, list.key, list.missing, list.parse, values, kChannelEntries);
    if (count < 0 && list.field == &ChannelSetting::timeConstant) {
        for (ChannelSetting& c : p.channels) c.timeConstant = kDefaultTimeConstant;
    }
    for (int i = 0; i < count; ++i)
        p.channels[i].*list.field = ScaleSaturated(values[i], list.scale);
}

// The grid and the header writer divide by the rate divisor.
void KeepRateDivisorsPositive(MontagePattern& p) {
    for (ChannelSetting& c : p.channels)
        if (c.rateDivisor < 1) c.rateDivisor = 1;
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
    pos.levelCount = static_cast<uint16_t>(ClampLevelCount(levels));
    int32_t values[kMaxLevels];
    int count = ReadList(s, "PosCenter", "", ParseNumberList, values, kMaxLevels);
    for (int i = 0; i < count; ++i) pos.centers[i] = values[i];
    count = ReadList(s, "PosWidth", "", WkParseLongList, values, kMaxLevels);
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
    WritePrivateProfileStringA(s.name, key, text, s.path);
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
        WritePrivateProfileStringA(s.name, list.key, text, s.path);
    }
}

void StorePosition(const PositionCalibration& pos, const Section& s) {
    int levels = ClampLevelCount(pos.levelCount);
    char text[kListTextSize];
    snprintf(text, sizeof text, "%i", levels);
    WritePrivateProfileStringA(s.name, "PosLevelN", text, s.path);
    FormatValueList(text, sizeof text, pos.centers, levels);
    WritePrivateProfileStringA(s.name, "PosCenter", text, s.path);
    FormatValueList(text, sizeof text, pos.widths, levels);
    WritePrivateProfileStringA(s.name, "PosWidth", text, s.path);
    WriteNumberedTexts(s, "PosLabel%i", levels, pos.levelLabels[0], kLevelLabelSize);
}

}  // namespace

void SetChannelStartupDefaults(MontagePattern* patterns) {
    for (int k = 0; k < kPatternCount; ++k) {
        for (ChannelSetting& c : patterns[k].channels) {
            c.rateDivisor = 1;
            c.calEU = 50;
            c.calVU = 409;
            c.sensitivity = 50000;
            c.lowFilter = 500;
            c.highFilter = 100;
        }
    }
}

void LoadPatternSlot(MontagePattern& p, int slot, const char* iniPath) {
    if (!ValidTarget(slot, iniPath)) return;
    Section s(slot, iniPath);
    LoadTexts(p, s);
    for (const ChannelList& list : kChannelLists) LoadChannelList(p, s, list);
    KeepRateDivisorsPositive(p);
    LoadPosition(p.position, s);
}

void StorePatternSlot(const MontagePattern& p, int slot, const char* iniPath) {
    if (!ValidTarget(slot, iniPath)) return;
    Section s(slot, iniPath);
    StoreTexts(p, s);
    StoreChannelLists(p, s);
    StorePosition(p.position, s);
}

int FormatValueList(char* out, size_t size, const int32_t* values, int count) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    size_t length = 0;
    for (int i = 0; i < count; ++i) {
        char field[16];
        int n = snprintf(field, sizeof field, "%i,", static_cast<int>(values[i]));
        if (n < 0 || length + n >= size) break;
        memcpy(out + length, field, n + 1);
        length += n;
    }
    return static_cast<int>(length);
}

int FormatChannelList(char* out, size_t size, const MontagePattern& p,
                      int32_t ChannelSetting::*field, int32_t scale) {
    if (scale < 1) scale = 1;
    int32_t values[kChannelEntries];
    for (int i = 0; i < kChannelEntries; ++i) values[i] = p.channels[i].*field / scale;
    return FormatValueList(out, size, values, kChannelEntries);
}

void LoadPattern(int k) {
    if (k < -1 || k >= kPatternCount) return;
    StateLock lock(g_app.mainWindow);
    if (!lock) return;
    int first = k < 0 ? 0 : k;
    int last = k < 0 ? kPatternCount - 1 : k;
    for (int slot = first; slot <= last; ++slot)
        LoadPatternSlot(lock->patterns[slot], slot, g_app.settingsPath);
}

void StorePattern(int k) {
    if (k < 0 || k >= kPatternCount) return;
    StateLock lock(g_app.mainWindow);
    if (!lock) return;
    StorePatternSlot(lock->patterns[k], k, g_app.settingsPath);
}
