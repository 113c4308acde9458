// The number parser and its list variants; see number_parse.h.
#include "textkit/number_parse.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const int kAutoFieldChars = 20;     // an automatic-base field is split after this many
const int64_t kMagnitudeCap = int64_t(INT32_MAX) + 1;
const double kDecimalCap = 1e18;            // a plain decimal stops growing here

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20; }

// Value of `c` as a digit of any base up to 16; 99 when it is none.
int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// Chooses the base of an automatic-base field at f[i] and moves i past "0x".
int TakeAutomaticBase(const char* f, int n, int& i) {
    if (i >= n || f[i] != '0') return 10;
    const bool hexPrefix = i + 2 < n && (f[i + 1] == 'x' || f[i + 1] == 'X') && DigitValue(f[i + 2]) < 16;
    if (!hexPrefix) return 8;
    i += 2;
    return 16;
}

// Walks a decimal list and hands each value to `store(index, value)`.
template <typename Store>
int WalkDecimalList(const char* text, int length, int max, Store store) {
    if (!text || max <= 0) return 0;
    int pos = 0;
    int count = 0;
    while (count < max && pos < length && !IsControl(text[pos])) {
        const int start = pos;
        while (pos < length && text[pos] != ',' && !IsControl(text[pos])) ++pos;
        store(count++, ParseIntegerField(text + start, pos - start, kBaseDecimal));
        if (pos < length && text[pos] == ',') ++pos;
    }
    return count;
}

bool EndsAutoField(char c) { return c == ',' || IsControl(c); }

}  // namespace

int32_t ParseIntegerField(const char* f, int n, NumberBase base) {
    int i = 0;
    while (i < n && (f[i] == ' ' || f[i] == '\t')) ++i;
    bool negative = false;
    if (i < n && (f[i] == '+' || f[i] == '-')) negative = f[i++] == '-';
    const int radix = base == kBaseAutomatic ? TakeAutomaticBase(f, n, i) : 10;
    int64_t magnitude = 0;
    for (; i < n; ++i) {
        const int digit = DigitValue(f[i]);
        if (digit >= radix) break;
        magnitude = magnitude * radix + digit;
        if (magnitude > kMagnitudeCap) magnitude = kMagnitudeCap;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t ParseTypedNumber(const char* text) {
    return ParseIntegerField(text, int(strnlen(text, 4096)), kBaseDecimal);
}

int ParseLongList(int32_t* values, const char* text, int length, int max) {
    if (!values) return 0;
    return WalkDecimalList(text, length, max, [values](int i, int32_t v) { values[i] = v; });
}

int ParseWordList(uint16_t* values, const char* text, int length, int max) {
    if (!values) return 0;
    return WalkDecimalList(text, length, max, [values](int i, int32_t v) {
        values[i] = static_cast<uint16_t>(v < 0 ? 0 : v > 0xFFFF ? 0xFFFF : v);
    });
}

int ParseNumberList(int32_t* values, const char* text, int length, int max) {
    if (length < 2 || !values || !text || max <= 0) return 0;
    for (int i = 0; i < max; ++i) values[i] = 0;
    int pos = 0;
    int count = 0;
    while (count < max) {
        const int start = pos;
        while (pos < length && !EndsAutoField(text[pos]) && pos - start < kAutoFieldChars) ++pos;
        values[count++] = ParseIntegerField(text + start, pos - start, kBaseAutomatic);
        if (pos >= length || text[pos] == '\0') break;  // the text ended
        if (EndsAutoField(text[pos])) ++pos;
        if (pos >= length) break;
    }
    return count;
}

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the run of decimal digits at text[i] within n characters.
int DigitRun(const char* text, int i, int n) {
    int k = i;
    while (k < n && IsDigit(text[k])) ++k;
    return k - i;
}

// End of the decimal number starting at text[i] (after the blanks), or i
// when there is none. An exponent is part of it only in `form`
// kDecimalWithExponent.
int DecimalNumberEnd(const char* text, int i, int n, DecimalForm form) {
    const int start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    const int whole = DigitRun(text, i, n);
    i += whole;
    int fraction = 0;
    if (i < n && text[i] == '.') {
        fraction = DigitRun(text, i + 1, n);
        if (whole > 0 || fraction > 0) i += 1 + fraction;
    }
    if (whole == 0 && fraction == 0) return start;
    if (form == kDecimalWithExponent && i < n && (text[i] == 'e' || text[i] == 'E')) {
        int k = i + 1;
        if (k < n && (text[k] == '+' || text[k] == '-')) ++k;
        const int exponent = DigitRun(text, k, n);
        if (exponent > 0) i = k + exponent;
    }
    return i;
}

}  // namespace

double ParseDecimal(const char* text, int length, DecimalForm form) {
    if (!text || length <= 0) return 0.0;
    const int n = int(strnlen(text, size_t(length)));
    int i = 0;
    while (i < n && IsBlank(text[i])) ++i;
    const int end = DecimalNumberEnd(text, i, n, form);
    if (end == i) return 0.0;
    // The span is checked to be a plain decimal number, so the conversion
    // sees nothing else (the program keeps the "C" locale's decimal point).
    const std::string number(text + i, size_t(end - i));
    const double value = strtod(number.c_str(), nullptr);
    if (form == kDecimalPlain && (value > kDecimalCap || value < -kDecimalCap)) return value > 0 ? kDecimalCap : -kDecimalCap;
    return value;
}
