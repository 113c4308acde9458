// The patient page's window-free rules; see patient_rules.h.
#include "engine/patient_rules.h"

#include <algorithm>
#include <cstdint>
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

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool AgeOn(CalendarDay birth, CalendarDay on, uint16_t* ageYears, uint16_t* ageMonths) {
    if (birth.month < 1 || birth.month > 12 || on.month < 1 || on.month > 12) return false;
    const int birthDay = birth.day >= 1 && birth.day <= 31 ? birth.day : 1;
    int64_t months = (int64_t{on.year} - birth.year) * 12 + (on.month - birth.month);
    // This month's birthday: the birth's day, or the month's last day when it has fewer.
    if (on.day < std::min(birthDay, DaysInMonth(on.year, on.month))) --months;
    if (months < 0 || months / 12 > UINT16_MAX) return false;
    *ageYears = static_cast<uint16_t>(months / 12);
    *ageMonths = static_cast<uint16_t>(months % 12);
    return true;
}

bool AgeAtRecording(CalendarDay birth, bool recordingOpen, CalendarDay start, CalendarDay today, uint16_t* ageYears,
                    uint16_t* ageMonths) {
    if (birth.year == 0) return false;
    const bool atNight = recordingOpen && start.year > 0 && start.month >= 1 && start.month <= 12;
    return AgeOn(birth, atNight ? start : today, ageYears, ageMonths);
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
