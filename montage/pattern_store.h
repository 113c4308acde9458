// The eight montage patterns and their sections Pattern1..Pattern8 in the
// settings file: the channel start-up defaults, loading a slot (with the
// loader's defaults for missing keys) and storing a slot, plus the
// program-facing LoadPattern/StorePattern that work on ConverterState.
// Lists are written as "%i," after every value; the formatting functions are
// exposed so the written text can be checked directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "montage/montage_types.h"

enum {
    // Text of one list: 32 values of up to 11 characters and a comma each,
    // with room to spare. Lists are read back through a buffer of this size
    // too, so no stored list is ever cut on loading.
    kListTextSize = 512,
    kDefaultTimeConstant = 500      // ms, for every channel when TC is absent
};

// Gives every channel of the `kPatternCount` patterns its start-up values:
// rateDivisor 1, calEU 50, calVU 409, sensitivity 50000, lowFilter 500 mHz,
// highFilter 100 Hz. Other fields are left as they are (zero at start-up).
void SetChannelStartupDefaults(MontagePattern* patterns);

// Reads section "Pattern<slot + 1>" of the settings file `iniPath` into `p`.
// Missing keys take the loader's defaults; a list key of 2 characters or
// fewer changes nothing (TC: all channels get 500 ms). A stored level count
// is limited to 0..8 and a rate divisor below 1 becomes 1. Does nothing for
// a slot outside 0..7 or without a path.
void LoadPatternSlot(MontagePattern& p, int slot, const char* iniPath);

// Writes `p` to section "Pattern<slot + 1>" of `iniPath`: name, choices,
// channel texts, the nine channel lists of 32 values, the position table.
// Write failures are ignored. Does nothing for a slot outside 0..7 or
// without a path.
void StorePatternSlot(const MontagePattern& p, int slot, const char* iniPath);

// Formats `count` values as "%i," each into `out` (`size` bytes, always
// terminated; a value that does not fit whole is left out). Returns the
// length written.
int FormatValueList(char* out, size_t size, const int32_t* values, int count);

// Formats `field` of all 32 channels of `p`, each divided by `scale`
// (truncated toward zero; `scale` >= 1), as FormatValueList does.
int FormatChannelList(char* out, size_t size, const MontagePattern& p,
                      int32_t ChannelSetting::*field, int32_t scale);

// Program-facing: load slot k (0..7) of ConverterState's patterns from the
// settings file, or all eight in order for k = -1. Works on the record of
// g_app.mainWindow under its lock and on g_app.settingsPath; does nothing
// when the record is unavailable or k is out of range.
void LoadPattern(int k);

// Program-facing: store slot k (0..7) of ConverterState's patterns, as
// LoadPattern does for reading.
void StorePattern(int k);
