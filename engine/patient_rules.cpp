// The patient page's window-free rules; see patient_rules.h.
#include "engine/patient_rules.h"

#include <cstdio>
#include <cstring>

#include "textkit/number_parse.h"

namespace {

// A measurement typed in whole units: the first 5 characters read as a
// decimal in single precision, checked against low..high, then scaled and
// rounded as the stored unit wants.
bool TakeMeasure(const char* text, float low, float high, float scale, int32_t* stored) {
    const float value = static_cast<float>(ParseTypedDecimal(text, kMeasureChars));
    if (!(value >= low && value <= high)) return false;
    *stored = static_cast<int32_t>(value * scale + 0.49);
    return true;
}

bool Empty(const char* text) { return !text || !*text; }

// True when `text` is among the first `count` texts of `list`.
bool Listed(const char* text, const char* const* list, int count) {
    for (int i = 0; i < count; ++i)
        if (strcmp(list[i], text) == 0) return true;
    return false;
}

}  // namespace

bool AgeOn(int birthYear, int birthMonth, int year, int month, uint16_t* ageYears, uint16_t* ageMonths) {
    if (birthMonth < 1 || birthMonth > 12) return false;
    int years = year - birthYear;
    int months = month - birthMonth;
    if (months < 0) {
        months += 12;
        years -= 1;
    }
    if (years < 0 || months < 0) return false;
    *ageYears = static_cast<uint16_t>(years);
    *ageMonths = static_cast<uint16_t>(months);
    return true;
}

bool AgeAtRecording(uint16_t birthYear, uint16_t birthMonth, bool recordingOpen, int startYear, int startMonth,
                    int todayYear, int todayMonth, uint16_t* ageYears, uint16_t* ageMonths) {
    if (birthYear == 0) return false;
    const bool atNight = recordingOpen && startYear > 0 && startMonth >= 1 && startMonth <= 12;
    return AgeOn(birthYear, birthMonth, atNight ? startYear : todayYear, atNight ? startMonth : todayMonth,
                 ageYears, ageMonths);
}

bool TakeHeight(const char* text, int32_t* height) { return TakeMeasure(text, 50, 220, 10, height); }

bool TakeWeight(const char* text, int32_t* weight) { return TakeMeasure(text, 5, 300, 1000, weight); }

void FormatHeight(char* text, size_t size, int32_t height) {
    if (size > 0) snprintf(text, size, "%3.1f", height * 0.1);
}

void FormatWeight(char* text, size_t size, int32_t weight) {
    if (size > 0) snprintf(text, size, "%3.1f", weight * 0.001);
}

int ShownHistory(const char* const values[kHistoryKeys], HistoryReading rule, const char* shown[kHistoryKeys]) {
    int count = 0;
    for (int key = 0; key < kHistoryKeys; ++key) {
        const char* value = values[key];
        if (Empty(value)) {
            if (rule == kStopAtGap) break;
            continue;
        }
        if (!Listed(value, shown, count)) shown[count++] = value;
    }
    return count;
}

int NextHistory(const char* typed, const char* const* items, int itemCount, const char* keys[kHistoryKeys]) {
    int count = 0;
    keys[count++] = typed;
    for (int i = 0; i < itemCount && count < kHistoryKeys; ++i) {
        if (!items[i] || Listed(items[i], keys, count)) continue;
        keys[count++] = items[i];
    }
    return count;
}
