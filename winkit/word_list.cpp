// Comma-separated decimal word lists; see word_list.h.
#include "winkit/word_list.h"

namespace {

bool EndsList(char c) { return static_cast<unsigned char>(c) < 0x20; }

// Reads the n characters at f as a decimal value, clamped to 32 bits.
int32_t DecimalField(const char* f, int n) {
    const int64_t cap = int64_t(INT32_MAX) + 1;
    int i = 0;
    while (i < n && f[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (f[i] == '+' || f[i] == '-')) negative = f[i++] == '-';
    int64_t magnitude = 0;
    for (; i < n && f[i] >= '0' && f[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (f[i] - '0');
        if (magnitude > cap) magnitude = cap;
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Walks the fields of the list and hands each value to `store(index, value)`.
template <typename Store>
int ParseFields(const char* text, int length, int max, Store store) {
    if (!text || max <= 0) return 0;
    int pos = 0;
    int count = 0;
    while (count < max && pos < length && !EndsList(text[pos])) {
        int start = pos;
        while (pos < length && text[pos] != ',' && !EndsList(text[pos])) ++pos;
        store(count++, DecimalField(text + start, pos - start));
        if (pos < length && text[pos] == ',') ++pos;
    }
    return count;
}

}  // namespace

int WkParseWordList(uint16_t* values, const char* text, int length, int max) {
    if (!values) return 0;
    return ParseFields(text, length, max, [values](int i, int32_t v) {
        values[i] = static_cast<uint16_t>(v < 0 ? 0 : v > 0xFFFF ? 0xFFFF : v);
    });
}

int WkParseLongList(int32_t* values, const char* text, int length, int max) {
    if (!values) return 0;
    return ParseFields(text, length, max, [values](int i, int32_t v) { values[i] = v; });
}
