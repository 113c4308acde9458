// The rules of the montage patterns' stored values, free of any file access:
// the channel start-up defaults, the nine channel lists of a pattern section
// (key, field, parser, scale) and how a list text read from the settings
// file is applied, the limits on stored values, and the list texts written.
// The pattern store reads and writes the sections with these rules.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/montage_types.h"

enum {
    // Text of one list: 32 values of up to 11 characters and a comma each,
    // with room to spare. Lists are read back through a buffer of this size
    // too, so no stored list is ever cut on loading.
    kListTextSize = 512,
    kShortListChars = 2,            // a list text this short changes nothing
    kDefaultTimeConstant = 500      // ms, for every channel when TC is absent
};

// The pattern `index` selects; an index outside 0..7 selects pattern 0.
inline MontagePattern& PatternAt(MontagePattern* patterns, unsigned index) {
    return patterns[index < unsigned(kPatternCount) ? index : 0];
}
inline const MontagePattern& PatternAt(const MontagePattern* patterns, unsigned index) {
    return patterns[index < unsigned(kPatternCount) ? index : 0];
}

// Gives every channel of the `kPatternCount` patterns its start-up values:
// rateDivisor 1, calEU 50, calVU 409, sensitivity 50000, lowFilter 500 mHz,
// highFilter 100 Hz. Other fields are left as they are (zero at start-up).
void SetChannelStartupDefaults(MontagePattern* patterns);

// Puts one pattern back to its start-up state: all fields zero, the channels
// at their start-up values, as before the patterns are first loaded.
void ResetPatternToStartup(MontagePattern& p);

using ListParser = int (*)(int32_t*, const char*, int, int);

// One channel list key of a pattern section. The whole-number lists are read
// with their full 32-bit value, so that A/D values above 65535 and negative
// values come back as they were stored.
struct ChannelList {
    const char* key;
    int32_t ChannelSetting::*field;
    ListParser parse;
    const char* missing;    // text used when the key is missing
    int32_t scale;          // file value = field / scale; field = value * scale
};

enum { kChannelListCount = 9 };
extern const ChannelList kChannelLists[kChannelListCount];

// Applies the list text read for `list` (`length` characters) to the
// pattern's channels: a text of 2 characters or fewer changes nothing (for
// TC every channel then gets 500 ms); otherwise the values parsed, times the
// list's scale (saturated), go to the first channels in order.
void ApplyChannelList(MontagePattern& p, const ChannelList& list, const char* text, int length);

// A list of `max` values read from `text` (`length` characters) with `parse`;
// -1 (values untouched) when the text is 2 characters or fewer.
int ReadValueList(ListParser parse, const char* text, int length, int32_t* values, int max);

// The grid and the header writer divide by the rate divisor: below 1 it
// becomes 1.
void KeepRateDivisorsPositive(MontagePattern& p);

// A stored level count limited to 0..8, so no level beyond the table exists.
int LimitLevelCount(int levels);

// Formats `count` values as "%i," each into `out` (`size` bytes, always
// terminated; a value that does not fit whole is left out). Returns the
// length written.
int FormatValueList(char* out, size_t size, const int32_t* values, int count);

// Formats `field` of all 32 channels of `p`, each divided by `scale`
// (truncated toward zero; `scale` >= 1), as FormatValueList does.
int FormatChannelList(char* out, size_t size, const MontagePattern& p, int32_t ChannelSetting::*field,
                      int32_t scale);
