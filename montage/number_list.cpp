// Comma-separated integer lists with automatic base; see number_list.h.
#include "montage/number_list.h"

namespace {

const int kFieldChars = 20;     // a longer field is split after this many
const int64_t kMagnitudeCap = int64_t(INT32_MAX) + 1;

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20; }

bool EndsField(char c) { return c == ',' || IsControl(c); }

// Value of `c` as a digit of any base up to 16; 99 when it is none.
int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// Chooses the base from the prefix at f[i] and moves i past "0x".
int TakeBase(const char* f, int n, int& i) {
    if (i >= n || f[i] != '0') return 10;
    bool hexPrefix = i + 2 < n && (f[i + 1] == 'x' || f[i + 1] == 'X') &&
                     DigitValue(f[i + 2]) < 16;
    if (!hexPrefix) return 8;
    i += 2;
    return 16;
}

// Converts the n characters at f into a clamped signed 32-bit value.
int32_t ConvertField(const char* f, int n) {
    int i = 0;
    while (i < n && f[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (f[i] == '+' || f[i] == '-')) negative = f[i++] == '-';
    int base = TakeBase(f, n, i);
    int64_t magnitude = 0;
    for (; i < n; ++i) {
        int digit = DigitValue(f[i]);
        if (digit >= base) break;
        magnitude = magnitude * base + digit;
        if (magnitude > kMagnitudeCap) magnitude = kMagnitudeCap;
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

int ParseNumberList(int32_t* values, const char* text, int length, int max) {
    if (length < 2 || !values || !text || max <= 0) return 0;
    for (int i = 0; i < max; ++i) values[i] = 0;
    int pos = 0;
    int count = 0;
    while (count < max) {
        int start = pos;
        while (pos < length && !EndsField(text[pos]) && pos - start < kFieldChars) ++pos;
        values[count++] = ConvertField(text + start, pos - start);
        if (pos >= length || text[pos] == '\0') break;  // the text ended
        if (EndsField(text[pos])) ++pos;
        if (pos >= length) break;
    }
    return count;
}
