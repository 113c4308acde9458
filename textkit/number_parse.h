// The program's number parser and its named variants. One field rule reads
// every integer the program takes from a text: leading blanks, an optional
// sign, then digits of the field's base up to the first other character; no
// digits give 0 and values beyond 32 bits are clamped. The variants differ
// only in the base and in how a list is split into fields:
//  - ParseTypedNumber: a decimal number typed into an edit field;
//  - ParseLongList / ParseWordList: comma-separated decimal lists of the
//    settings file, as signed 32-bit values or as 16-bit words (0..65535);
//  - ParseNumberList: comma-separated lists with automatic base ("0x10" hex,
//    "010" octal, else decimal), fields of at most 20 characters.
// Numbers with decimals have one reader, ParseDecimal, in two forms: plain
// (typed measures such as "170.4") and with an exponent (the grid's values).
// Portable: no platform headers.
#pragma once

#include <cstdint>

enum NumberBase {
    kBaseDecimal,
    kBaseAutomatic      // "0x"/"0X" and a hex digit: 16; a leading "0": 8; else 10
};

// Reads the `length` characters at `field` by the field rule in `base`.
int32_t ParseIntegerField(const char* field, int length, NumberBase base);

// A zero-terminated decimal number as typed.
int32_t ParseTypedNumber(const char* text);

// Decimal lists. At most `max` values from `text` (`length` characters, or up
// to its terminating zero); returns how many were produced (0..max), stored
// in list order; values beyond the count are not touched. Fields are
// separated by commas; a control character ends the list; a trailing comma
// adds no field; an empty field gives 0; anything after a field's digits up
// to the next comma is ignored.
int ParseLongList(int32_t* values, const char* text, int length, int max);
// As ParseLongList, each value clamped to 0..65535.
int ParseWordList(uint16_t* values, const char* text, int length, int max);

// Automatic-base lists. Parses `text` (`length` characters, as a profile
// read returns them) into at most `max` values and returns how many it stored
// (0..max). A length below 2 returns 0 and leaves `values` untouched;
// otherwise the first `max` values are set to 0 before parsing. A field ends
// at a comma, at a control character, at the end of the text or after 20
// characters; a comma or control character that ends a field is consumed
// with it. An empty field gives 0; "1,2,3" and "1,2,3," both give 3 values.
int ParseNumberList(int32_t* values, const char* text, int length, int max);

enum DecimalForm {
    kDecimalPlain,          // digits, "." and digits; capped at +-1e18
    kDecimalWithExponent    // also "e-3"; a magnitude beyond a double gives an infinity of its sign
};

// The leading decimal number of `text` (`length` characters, or up to its
// terminating zero): after white space an optional sign, digits with an
// optional fraction (".5" and "5." count) and, in kDecimalWithExponent, an
// optional exponent ("e-3"; an "e" without digits ends the number before
// it). The point is always "." whatever the locale. Text without a number
// gives 0; "inf", "nan" and hexadecimal forms are no numbers.
double ParseDecimal(const char* text, int length, DecimalForm form);

// The named forms: a measure typed into an edit field, a grid value.
inline double ParseTypedDecimal(const char* text, int length) { return ParseDecimal(text, length, kDecimalPlain); }
inline double ParseDecimalNumber(const char* text, int length) {
    return ParseDecimal(text, length, kDecimalWithExponent);
}
