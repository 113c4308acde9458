// Text and number helpers of the PSG writer: Shift-JIS to UTF-8 conversion,
// checks and clean-up of texts for EDF's ASCII header, and number
// formatting that never depends on the C locale (a comma-decimal locale
// must not change a file).
#pragma once

#include <cstdint>
#include <string>

// Copies at most `width` bytes of the zero-terminated Shift-JIS `text`
// (null = empty), never splitting a two-byte character: a lead byte whose
// trail byte would fall beyond `width` is left out. `width` <= 0 gives "".
std::string RecCutSjis(const char* text, int width);

// Converts Shift-JIS (code page 932) to UTF-8. Bytes without a character
// become U+FFFD, control characters (line feeds included) a space; the
// result is trimmed of spaces at both ends.
std::string RecSjisToUtf8(const std::string& sjis);

// Cuts UTF-8 `text` to at most `maxBytes` bytes at a character boundary.
std::string RecCutUtf8(const std::string& text, size_t maxBytes);

// Removes spaces at both ends.
std::string RecTrim(const std::string& text);

// True when every byte is printable ASCII (32..126); "" counts as printable.
bool RecIsPrintableAscii(const std::string& text);

// Replaces every space by '_' (EDF+ subfields are separated by spaces).
std::string RecSpacesToUnderscores(std::string text);

// Decimal text of `value`, '-' for negatives, no grouping.
std::string RecFormatInt(int64_t value);

// `value` / 10^`decimals` as decimal text with '.', trailing zeros of the
// fraction removed ("500", 3 -> "0.5"; "65000", 3 -> "65").
std::string RecFormatScaled(int64_t value, int decimals);

// Formats `value` with as many decimals as fit in `width` characters
// (width <= 8 gives at most 7 decimals). False when even the integer part
// does not fit or the value is not finite. `stated` (when given) receives
// the value the text states, as the nearest double (what a reader parses).
bool RecFormatFitting(double value, size_t width, std::string& out, double* stated = nullptr);

// True when `text` (after trimming) is a non-empty run of decimal digits
// with an optional leading '-'; its value goes to `value`.
bool RecParseInt(const std::string& text, int64_t& value);
