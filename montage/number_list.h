// The program's own list parser for the signed lists of a pattern section
// (Sens, LFF, TC, PosCenter) and of the position level table: a
// comma-separated list of integers in decimal, octal ("010") or hexadecimal
// ("0x10") notation. Portable: no platform headers.
#pragma once

#include <cstdint>

// Parses `text` (`length` characters, as a profile read returns them) into at
// most `max` signed 32-bit values and returns how many it stored (0..max).
// A length below 2 returns 0 and leaves `values` untouched; otherwise the
// first `max` values are set to 0 before parsing. A field ends at a comma, at
// a control character, at the end of the text or after 20 characters; a
// comma or control character that ends a field is consumed with it. An empty
// field gives 0; "1,2,3" and "1,2,3," both give 3 values. Each field is read
// with leading spaces, an optional sign and automatic base ("0x" hex, leading
// "0" octal, else decimal); values beyond the 32-bit range are clamped.
int ParseNumberList(int32_t* values, const char* text, int length, int max);
