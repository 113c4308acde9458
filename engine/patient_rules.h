// The rules of the patient page that need no window: the age from a birth
// date on a given day, the typed height and weight and how they are shown,
// and the remembered choice lists (which stored entries a list shows, and
// the order the entries are stored in after a new one is entered).
// Portable: the page supplies today's date and the texts it read.
#pragma once

#include <cstddef>
#include <cstdint>

enum {
    kHistoryKeys = 20,          // keys "0".."19" of a list section, "0" the newest
    kHistoryValueSize = 128,    // a stored entry holds at most 127 characters
    kBirthYearFirst = 1900, kBirthYearLast = 2039,
    kAgeYearsLast = 100, kAgeMonthsLast = 11,
    kMeasureChars = 5,          // characters of a typed height or weight that count
    kMeasureLimit = 6           // text limit of the height and weight fields
};

// A date of the calendar; month 1..12, day 1..31.
struct CalendarDay {
    int year, month, day;
};

// Days of `month` (1..12) of `year`, leap years counted; 0 for no month.
int DaysInMonth(int year, int month);

// The age in completed years and months of someone born on `birth`, on the
// day `on`: a month is completed on the day of the month of the birth, or
// on the last day of a month too short to have it (born on the 31st, a
// month is completed on the 30th of April; born on 29 February, a year on
// 28 February of a common year). A birth day outside 1..31 counts as the
// 1st (only year and month known). False when the birth lies after `on`
// or its month is no month; the age is then left as it was. Years above
// 100 are given as computed.
bool AgeOn(CalendarDay birth, CalendarDay on, uint16_t* ageYears, uint16_t* ageMonths);

// The age a PSG file carries is the age on the night: with a recording open
// (`recordingOpen`), at its start date (as corrected); without one, or
// without a start date, at `today`. Sets the age as AgeOn does; false, the
// age kept, when the birth date lies after that date. A patient without a
// birth date (year 0) has no age: false, nothing changed.
bool AgeAtRecording(CalendarDay birth, bool recordingOpen, CalendarDay start, CalendarDay today, uint16_t* ageYears,
                    uint16_t* ageMonths);

// A typed height in centimetres (the first 5 characters of `text`) taken
// into `height`, in tenths of a centimetre (value x 10 + 0.49, truncated).
// False, and `height` kept, unless 50 <= value <= 220.
bool TakeHeight(const char* text, int32_t* height);
// A typed weight in kilograms taken into `weight`, in grams (value x 1000 +
// 0.49, truncated). False, and `weight` kept, unless 5 <= value <= 300.
bool TakeWeight(const char* text, int32_t* weight);
// The height in centimetres and the weight in kilograms as the fields show
// them: "%3.1f" ("170.4", "65.0"). Always terminated within `size`.
void FormatHeight(char* text, size_t size, int32_t height);
void FormatWeight(char* text, size_t size, int32_t weight);

// How a list's stored keys are read: the staff and department lists stop at
// the first empty or missing key; medication and comments skip empty keys.
enum HistoryReading { kStopAtGap, kSkipGaps };

// The entries a list shows from the values of keys "0".."19" (`values`,
// empty texts for missing keys; null counts as empty), in key order by
// `rule`. An entry already shown is not shown again. Fills `shown` with
// pointers into `values` and returns how many (0..20).
int ShownHistory(const char* const values[kHistoryKeys], HistoryReading rule,
                 const char* shown[kHistoryKeys]);

// The values to store under keys "0", "1", ... after `typed` was entered in
// a list showing `items` (`itemCount` entries, in list order): `typed`
// first, then each item that differs from it and from the items already
// taken, at most 20 in all. Fills `keys` with pointers to `typed` and into
// `items` and returns how many. Keys beyond the count keep what they hold.
int NextHistory(const char* typed, const char* const* items, int itemCount, const char* keys[kHistoryKeys]);
