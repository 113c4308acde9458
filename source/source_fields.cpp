// Text-to-value rules of the source data page; see source_fields.h.
#include "source/source_fields.h"

#include <cstdio>

bool FormatTotalTime(char* text, size_t size, int32_t lengthSamples, int32_t sampleRate) {
    if (sampleRate <= 0) return false;
    int32_t seconds = lengthSamples / sampleRate;
    snprintf(text, size, "%i:%02i:%02i", static_cast<int>(seconds / 3600), static_cast<int>(seconds % 3600 / 60),
             static_cast<int>(seconds % 60));
    return true;
}

int32_t ParseTypedNumber(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > 2147483648LL) value = 2147483648LL;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) value = 2147483647LL;
    return static_cast<int32_t>(value);
}

bool StartFieldAccepts(StartField field, int32_t v) {
    switch (field) {
    case kStartYear: return v >= 1990 && v < 2100;
    case kStartMonth: return v >= 1 && v <= 12;
    case kStartDay: return v >= 1 && v <= 31;
    case kStartHour: return v >= 0 && v <= 23;
    case kStartMinute:
    case kStartSecond: return v >= 0 && v <= 59;
    }
    return false;
}
