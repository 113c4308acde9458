// Locale-free text helpers for the TAFFmat header: trimming, list splitting,
// keyword comparison and number, date and time parsing. Nothing here depends
// on the C locale, so a comma-decimal locale never changes what is read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace taff {

// Removes spaces and tabs at both ends.
std::string TrimSpaces(const std::string& text);

// True when `a` and `b` are equal, ignoring the case of ASCII letters.
bool EqualsNoCase(const std::string& a, const std::string& b);

// Splits a comma-separated list into trimmed items. An empty text gives no
// items; one trailing comma does not add an empty item.
std::vector<std::string> SplitList(const std::string& text);

// A whole decimal integer (optional '+' or '-', digits, nothing else).
// False on anything else or when the value does not fit an int64.
bool ParseInteger(const std::string& text, int64_t* value);

// A whole decimal number in any of the spellings headers use ("200",
// "2.005", "8.000000e-005", ".5", "-0.25E+2"). False on anything else, or
// when the value is not finite.
bool ParseNumber(const std::string& text, double* value);

struct TaffDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

struct TaffTime {
    int hour = 0;
    int minute = 0;
    int second = 0;   // the fraction is dropped
};

// DATE value, mm-dd-yyyy ('/' also accepted); checks the calendar.
bool ParseDate(const std::string& text, TaffDate* date);

// TIME value, hh:mm:ss with an optional fraction (".00"); checks ranges.
bool ParseTime(const std::string& text, TaffTime* time);

// Days in a month of the Gregorian calendar (0 for an invalid month).
int DaysInMonth(int year, int month);

}  // namespace taff
