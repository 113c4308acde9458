// Text-to-value rules of the source data page; see source_fields.h.
#include "engine/source_fields.h"

#include <cstdio>

bool FormatTotalTime(char* text, size_t size, int32_t lengthSamples, int32_t sampleRate) {
    if (sampleRate <= 0) return false;
    int32_t seconds = lengthSamples / sampleRate;
    snprintf(text, size, "%i:%02i:%02i", static_cast<int>(seconds / 3600), static_cast<int>(seconds % 3600 / 60),
             static_cast<int>(seconds % 60));
    return true;
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
