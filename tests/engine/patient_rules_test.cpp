// The patient page's window-free rules with plain data and fixed dates: the
// age on a given day, typed heights and weights with their limits and shown
// texts, which stored list entries are shown, and the order entries are
// stored in after one is entered.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/patient_rules.h"

namespace {

// The age in completed months, by day: a month is complete on the day of
// the birth, or on the last day of a month too short to have it.
TEST(PatientAge, CompletedYearsAndMonthsCountTheDay) {
    struct Case {
        CalendarDay birth, on;
        bool taken;
        int years, months;
    } cases[] = {
        {{1962, 3, 20}, {2024, 3, 14}, true, 61, 11},   // the birthday six days away
        {{1962, 3, 20}, {2024, 3, 20}, true, 62, 0},    // on the birthday
        {{1962, 3, 20}, {2024, 3, 19}, true, 61, 11},
        {{2024, 3, 1}, {2025, 1, 31}, true, 0, 10},     // born in March of last year, in January
        {{1950, 1, 1}, {2025, 1, 1}, true, 75, 0},
        {{1965, 12, 31}, {2025, 11, 30}, true, 59, 11}, // the 31st reached on the 30th
        {{1965, 12, 31}, {2025, 11, 29}, true, 59, 10},
        {{2000, 1, 31}, {2023, 2, 28}, true, 23, 1},    // on the last day of February
        {{2000, 1, 31}, {2024, 2, 28}, true, 24, 0},    // a leap year: not before the 29th
        {{2000, 1, 31}, {2024, 2, 29}, true, 24, 1},
        {{2000, 2, 29}, {2023, 2, 28}, true, 23, 0},    // born on 29 February: a common year's 28th
        {{2000, 2, 29}, {2024, 2, 28}, true, 23, 11},
        {{2000, 2, 29}, {2024, 2, 29}, true, 24, 0},
        {{1900, 2, 28}, {1900, 3, 31}, true, 0, 1},     // 1900 is a common year, 2000 a leap year
        {{2025, 6, 15}, {2025, 6, 15}, true, 0, 0},     // born that day
        {{1912, 5, 0}, {2024, 5, 1}, true, 112, 0},     // no day: the 1st; above 100 as computed
        {{2025, 6, 16}, {2025, 6, 15}, false, 77, 7},   // born the day after: the age is kept
        {{2026, 1, 1}, {2025, 12, 31}, false, 77, 7},
        {{2039, 1, 1}, {2025, 1, 1}, false, 77, 7},
        {{1950, 0, 1}, {2025, 1, 1}, false, 77, 7},     // no month
        {{1950, 13, 1}, {2025, 1, 1}, false, 77, 7},
    };
    for (const Case& c : cases) {
        uint16_t years = 77, months = 7;
        EXPECT_EQ(c.taken, AgeOn(c.birth, c.on, &years, &months))
            << c.birth.year << "-" << c.birth.month << "-" << c.birth.day << " on " << c.on.year << "-" << c.on.month
            << "-" << c.on.day;
        EXPECT_EQ(c.years, years) << c.birth.year << "-" << c.birth.month << "-" << c.birth.day;
        EXPECT_EQ(c.months, months) << c.birth.year << "-" << c.birth.month << "-" << c.birth.day;
    }
    EXPECT_EQ(29, DaysInMonth(2000, 2));
    EXPECT_EQ(28, DaysInMonth(2100, 2));
    EXPECT_EQ(0, DaysInMonth(2000, 13));
}

// The file carries the age on the night: born 1962-05-20, recorded on
// 2023-11-14, converted on 2026-12-25, the file says 61 years 5 months, not 64.
TEST(PatientAge, IsCountedToTheRecordingsStartWhenOneIsOpen) {
    const CalendarDay today = {2026, 12, 25};
    struct Case {
        CalendarDay birth;
        bool open;
        CalendarDay start;
        bool taken;
        int years, months;
    } cases[] = {
        {{1962, 5, 20}, true, {2023, 11, 14}, true, 61, 5},   // the night, not today
        {{1962, 5, 20}, false, {2023, 11, 14}, true, 64, 7},  // no recording: today
        {{1962, 5, 20}, true, {0, 0, 0}, true, 64, 7},        // a recording without a start date: today
        {{2024, 1, 1}, true, {2023, 11, 14}, false, 77, 7},   // born after the night: the age is kept
        {{0, 0, 0}, true, {2023, 11, 14}, false, 77, 7},      // no birth date: no age is made up
    };
    for (const Case& c : cases) {
        uint16_t years = 77, months = 7;
        EXPECT_EQ(c.taken, AgeAtRecording(c.birth, c.open, c.start, today, &years, &months))
            << c.birth.year << " " << c.start.year;
        EXPECT_EQ(c.years, years) << c.birth.year << " " << c.start.year;
        EXPECT_EQ(c.months, months) << c.birth.year << " " << c.start.year;
    }
}

std::string Height(int32_t height) {
    char text[16];
    FormatHeight(text, sizeof text, height);
    return text;
}

std::string Weight(int32_t weight) {
    char text[16];
    FormatWeight(text, sizeof text, weight);
    return text;
}

TEST(PatientMeasures, HeightInTenthsOfACentimetre) {
    int32_t h = 1600;
    EXPECT_TRUE(TakeHeight("170.45", &h));   // five characters count: 170.4
    EXPECT_EQ(1704, h);
    EXPECT_EQ("170.4", Height(h));
    EXPECT_TRUE(TakeHeight("50", &h));
    EXPECT_EQ(500, h);
    EXPECT_TRUE(TakeHeight("220", &h));
    EXPECT_EQ(2200, h);
    EXPECT_TRUE(TakeHeight(" 99.9", &h));
    EXPECT_EQ(999, h);
    EXPECT_EQ("99.9", Height(h));
}

TEST(PatientMeasures, RefusedHeightKeepsTheStoredValue) {
    for (const char* text : {"49.9", "221", "abc", "", "-170", "220.1", "1700", "\x82\x50\x82\x57"}) {
        int32_t h = 1704;
        EXPECT_FALSE(TakeHeight(text, &h)) << text;
        EXPECT_EQ(1704, h) << text;
    }
}

TEST(PatientMeasures, WeightInGrams) {
    int32_t w = 60000;
    EXPECT_TRUE(TakeWeight("65", &w));
    EXPECT_EQ(65000, w);
    EXPECT_EQ("65.0", Weight(w));
    EXPECT_TRUE(TakeWeight("5", &w));
    EXPECT_EQ(5000, w);
    EXPECT_TRUE(TakeWeight("300", &w));
    EXPECT_EQ(300000, w);
    EXPECT_TRUE(TakeWeight("72.34", &w));
    EXPECT_EQ(72340, w);
    EXPECT_EQ("72.3", Weight(w));   // shown with one decimal
    for (const char* text : {"4.9", "300.5", "301", "abc"}) {
        int32_t kept = 65000;
        EXPECT_FALSE(TakeWeight(text, &kept)) << text;
        EXPECT_EQ(65000, kept) << text;
    }
}

TEST(PatientMeasures, StoredValuesOfAnyKindStayInTheirBuffer) {
    EXPECT_EQ("160.0", Height(1600));
    EXPECT_EQ("60.0", Weight(60000));
    EXPECT_EQ("0.0", Height(0));
    EXPECT_EQ("-0.5", Height(-5));
    char small[6];
    memset(small, 'x', sizeof small);
    FormatHeight(small, 5, INT32_MAX);   // "214748364.7" cut to four characters
    EXPECT_STREQ("2147", small);
    EXPECT_EQ('x', small[5]);
    FormatWeight(small, 0, 1);           // no room: nothing written
    EXPECT_EQ('2', small[0]);
}

// The 20 key values of a section; keys not given are missing (null).
struct Section {
    explicit Section(std::vector<std::pair<int, std::string>> keys) {
        for (auto& k : keys) texts[k.first] = k.second;
        for (int i = 0; i < kHistoryKeys; ++i) values[i] = texts[i].empty() ? nullptr : texts[i].c_str();
    }
    std::string texts[kHistoryKeys];
    const char* values[kHistoryKeys];
};

std::vector<std::string> Shown(const Section& s, HistoryReading rule) {
    const char* shown[kHistoryKeys];
    int count = ShownHistory(s.values, rule, shown);
    return std::vector<std::string>(shown, shown + count);
}

using Texts = std::vector<std::string>;

TEST(HistoryReading, StaffListsStopAtTheFirstGapOthersSkipIt) {
    Section s({{0, "Cardiology"}, {1, "Neurology"}, {3, "Pediatrics"}, {19, "Last"}});
    EXPECT_EQ(Texts({"Cardiology", "Neurology"}), Shown(s, kStopAtGap));
    EXPECT_EQ(Texts({"Cardiology", "Neurology", "Pediatrics", "Last"}), Shown(s, kSkipGaps));
    Section emptyFirst({{1, "B"}, {2, "C"}});
    EXPECT_TRUE(Shown(emptyFirst, kStopAtGap).empty());
    EXPECT_EQ(Texts({"B", "C"}), Shown(emptyFirst, kSkipGaps));
}

TEST(HistoryReading, AFullSectionShowsTwentyEachOnce) {
    std::vector<std::pair<int, std::string>> keys;
    for (int i = 0; i < kHistoryKeys; ++i) keys.push_back({i, "E" + std::to_string(i % 15)});
    Section s(keys);
    for (HistoryReading rule : {kStopAtGap, kSkipGaps}) {
        Texts shown = Shown(s, rule);
        ASSERT_EQ(15u, shown.size());   // five hand-made repeats are shown once
        EXPECT_EQ("E0", shown[0]);
        EXPECT_EQ("E14", shown[14]);
    }
}

Texts Next(const char* typed, const Texts& list) {
    std::vector<const char*> items;
    for (const std::string& t : list) items.push_back(t.c_str());
    const char* keys[kHistoryKeys];
    int count = NextHistory(typed, items.data(), int(items.size()), keys);
    return Texts(keys, keys + count);
}

TEST(HistoryUpdate, EntryTypedAgainMovesToTheTopWithoutRepeat) {
    EXPECT_EQ(Texts({"Sato", "Ito", "Kato"}), Next("Sato", {"Ito", "Kato", "Sato"}));
    EXPECT_EQ(Texts({"Ito", "Kato", "Sato"}), Next("Ito", {"Ito", "Kato", "Sato"}));
    EXPECT_EQ(Texts({"New", "Ito", "Kato"}), Next("New", {"Ito", "Kato"}));
    EXPECT_EQ(Texts({"First"}), Next("First", {}));
    // Repeats a hand-edited file brought into the list are stored once.
    EXPECT_EQ(Texts({"A", "B", "C"}), Next("A", {"B", "A", "B", "C", "C"}));
}

TEST(HistoryUpdate, TwentyFirstEntryDropsTheOldest) {
    Texts full;
    for (int i = 0; i < kHistoryKeys; ++i) full.push_back("Entry" + std::to_string(i));
    Texts next = Next("Newest", full);
    ASSERT_EQ(size_t(kHistoryKeys), next.size());
    EXPECT_EQ("Newest", next[0]);
    EXPECT_EQ("Entry0", next[1]);
    EXPECT_EQ("Entry18", next[19]);   // Entry19, the oldest, fell off
    // Choosing the oldest again keeps all twenty.
    next = Next("Entry19", full);
    ASSERT_EQ(size_t(kHistoryKeys), next.size());
    EXPECT_EQ("Entry19", next[0]);
    EXPECT_EQ("Entry18", next[19]);
}

}  // namespace
