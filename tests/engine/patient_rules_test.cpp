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

struct Age { bool taken; int years, months; };

Age AgeFor(int birthYear, int birthMonth, int year, int month) {
    uint16_t years = 77, months = 7;
    bool taken = AgeOn(birthYear, birthMonth, year, month, &years, &months);
    return {taken, years, months};
}

TEST(PatientAge, WholeYearsAndMonthsOnTheGivenDay) {
    // Born in March of last year, today in January: 0 years 10 months.
    Age a = AgeFor(2024, 3, 2025, 1);
    EXPECT_TRUE(a.taken);
    EXPECT_EQ(0, a.years);
    EXPECT_EQ(10, a.months);
    a = AgeFor(1950, 1, 2025, 1);
    EXPECT_EQ(75, a.years);
    EXPECT_EQ(0, a.months);
    a = AgeFor(1965, 12, 2025, 11);
    EXPECT_EQ(59, a.years);
    EXPECT_EQ(11, a.months);
    a = AgeFor(2025, 6, 2025, 6);   // born this month
    EXPECT_TRUE(a.taken);
    EXPECT_EQ(0, a.years);
    EXPECT_EQ(0, a.months);
}

TEST(PatientAge, AboveAHundredIsGivenAsComputed) {
    Age a = AgeFor(1900, 1, 2031, 5);
    EXPECT_TRUE(a.taken);
    EXPECT_EQ(131, a.years);
    EXPECT_EQ(4, a.months);
}

TEST(PatientAge, FutureBirthOrNoMonthKeepsTheAge) {
    for (Age a : {AgeFor(2026, 1, 2025, 12), AgeFor(2025, 7, 2025, 6), AgeFor(2039, 1, 2025, 1),
                  AgeFor(1950, 0, 2025, 1), AgeFor(1950, 13, 2025, 1)}) {
        EXPECT_FALSE(a.taken);
        EXPECT_EQ(77, a.years);
        EXPECT_EQ(7, a.months);
    }
}

// The file carries the age on the night: born 1962-05-20, recorded in
// 2023-11, converted in 2026-12, the file says 61 years 6 months, not 64.
TEST(PatientAge, IsCountedToTheRecordingsStartWhenOneIsOpen) {
    struct Case {
        uint16_t birthYear, birthMonth;
        bool open;
        int startYear, startMonth;
        bool taken;
        int years, months;
    } cases[] = {
        {1962, 5, true, 2023, 11, true, 61, 6},     // the night, not today
        {1962, 5, false, 2023, 11, true, 64, 7},    // no recording: today
        {1962, 5, true, 0, 0, true, 64, 7},         // a recording without a start date: today
        {2024, 1, true, 2023, 11, false, 77, 7},    // born after the night: the age is kept
        {0, 0, true, 2023, 11, false, 77, 7},       // no birth date: no age is made up
    };
    for (const Case& c : cases) {
        uint16_t years = 77, months = 7;
        EXPECT_EQ(c.taken, AgeAtRecording(c.birthYear, c.birthMonth, c.open, c.startYear, c.startMonth, 2026, 12,
                                          &years, &months))
            << c.birthYear << " " << c.startYear;
        EXPECT_EQ(c.years, years) << c.birthYear << " " << c.startYear;
        EXPECT_EQ(c.months, months) << c.birthYear << " " << c.startYear;
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
