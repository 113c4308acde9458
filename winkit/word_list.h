// Word lists of the window-utility library: comma-separated decimal values
// as the settings file holds them ("1,0,1," or "4,4,5"). WkParseWordList
// gives unsigned 16-bit words; WkParseLongList reads the same syntax into
// signed 32-bit values, for lists whose values may exceed a word (A/D values
// such as 65536). Portable: no platform headers.
#pragma once

#include <cstdint>

// Parses at most `max` values from `text` (`length` characters, or up to its
// terminating zero) and returns how many it produced (0..max), stored in
// list order in values[0..count). Values beyond the count are not touched.
// Fields are separated by commas; a control character ends the list; a
// trailing comma adds no field; an empty field gives 0. A field is read as
// optional spaces, an optional sign and decimal digits; anything after the
// digits up to the next comma is ignored. Values are clamped to 0..65535.
int WkParseWordList(uint16_t* values, const char* text, int length, int max);

// As WkParseWordList, with values clamped to the signed 32-bit range instead.
int WkParseLongList(int32_t* values, const char* text, int length, int max);
