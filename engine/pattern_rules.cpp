// Montage pattern value rules; see pattern_rules.h.
#include "engine/pattern_rules.h"

#include <cstdio>
#include <cstring>

#include "textkit/number_parse.h"

const ChannelList kChannelLists[kChannelListCount] = {
    {"ChEnable", &ChannelSetting::enabled, ParseLongList, "1,1,1,1,1,1,1,1", 1},
    {"Signal", &ChannelSetting::signalType, ParseLongList, "4,4,4,4,5,6,7,8", 1},
    {"Rate", &ChannelSetting::rateDivisor, ParseLongList, "", 1},
    {"EU", &ChannelSetting::calEU, ParseLongList, "", 1},
    {"VU", &ChannelSetting::calVU, ParseLongList, "", 1},
    {"Sens", &ChannelSetting::sensitivity, ParseNumberList, "", 100},
    {"LFF", &ChannelSetting::lowFilter, ParseNumberList, "", 1},
    {"TC", &ChannelSetting::timeConstant, ParseNumberList, "", 1},
    {"HFF", &ChannelSetting::highFilter, ParseLongList, "", 1},
};

namespace {

int32_t ScaleSaturated(int32_t value, int32_t scale) {
    int64_t v = int64_t(value) * scale;
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

void SetPatternChannelDefaults(MontagePattern& p) {
    for (ChannelSetting& c : p.channels) {
        c.rateDivisor = 1;
        c.calEU = 50;
        c.calVU = 409;
        c.sensitivity = 50000;
        c.lowFilter = 500;
        c.highFilter = 100;
    }
}

}  // namespace

void SetChannelStartupDefaults(MontagePattern* patterns) {
    for (int k = 0; k < kPatternCount; ++k) SetPatternChannelDefaults(patterns[k]);
}

void ResetPatternToStartup(MontagePattern& p) {
    memset(&p, 0, sizeof p);
    SetPatternChannelDefaults(p);
}

int ReadValueList(ListParser parse, const char* text, int length, int32_t* values, int max) {
    if (length <= kShortListChars) return -1;
    return parse(values, text, length, max);
}

void ApplyChannelList(MontagePattern& p, const ChannelList& list, const char* text, int length) {
    int32_t values[kChannelEntries];
    const int count = ReadValueList(list.parse, text, length, values, kChannelEntries);
    if (count < 0 && list.field == &ChannelSetting::timeConstant) {
        for (ChannelSetting& c : p.channels) c.timeConstant = kDefaultTimeConstant;
    }
    for (int i = 0; i < count; ++i) p.channels[i].*list.field = ScaleSaturated(values[i], list.scale);
}

void KeepRateDivisorsPositive(MontagePattern& p) {
    for (ChannelSetting& c : p.channels)
        if (c.rateDivisor < 1) c.rateDivisor = 1;
}

int LimitLevelCount(int levels) {
    if (levels < 0) return 0;
    if (levels > int(kMaxLevels)) return kMaxLevels;
    return levels;
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

int FormatChannelList(char* out, size_t size, const MontagePattern& p, int32_t ChannelSetting::*field,
                      int32_t scale) {
    if (scale < 1) scale = 1;
    int32_t values[kChannelEntries];
    for (int i = 0; i < kChannelEntries; ++i) values[i] = p.channels[i].*field / scale;
    return FormatValueList(out, size, values, kChannelEntries);
}
