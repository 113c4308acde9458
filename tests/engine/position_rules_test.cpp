// The position-level table's rules with plain data: the working copy's
// copies and level count, the label and value fields, and the table's keys
// read from and written to a settings section held in memory, bad sections
// included (counts out of range, garbage lists, overlong labels).
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/position_rules.h"
#include "textkit/number_parse.h"
#include "textkit/sjis_text.h"

namespace {

// A settings section in memory; reads behave as the profile functions do
// (texts cut to the buffer without splitting a double-byte character).
class MemoryProfile : public PositionProfile {
public:
    int32_t ReadInt(const char* key, int32_t fallback) override {
        auto it = keys.find(key);
        return it == keys.end() ? fallback : ParseTypedNumber(it->second.c_str());
    }
    int ReadText(const char* key, char* dest, int size) override {
        auto it = keys.find(key);
        CopyText(dest, size, it == keys.end() ? "" : it->second.c_str());
        return static_cast<int>(strlen(dest));
    }
    void WriteText(const char* key, const char* text) override {
        writes.emplace_back(key, text);
        keys[key] = text;
    }
    std::map<std::string, std::string> keys;
    std::vector<std::pair<std::string, std::string>> writes;
};

// A table with every entry set: centre i = 100 * i, width i = 10 * i,
// label "Level<i>" (i from 1).
PositionCalibration FullTable(int count) {
    PositionCalibration t = {};
    t.levelCount = static_cast<uint16_t>(count);
    for (int i = 0; i < kMaxLevels; ++i) {
        t.centers[i] = 100 * (i + 1);
        t.widths[i] = 10 * (i + 1);
        snprintf(t.levelLabels[i], kLevelLabelSize, "Level%d", i + 1);
    }
    return t;
}

// The two tables hold the same count and entries (labels up to their end).
::testing::AssertionResult SameTable(const PositionCalibration& a, const PositionCalibration& b) {
    if (a.levelCount != b.levelCount)
        return ::testing::AssertionFailure() << "count " << a.levelCount << " != " << b.levelCount;
    for (int i = 0; i < kMaxLevels; ++i) {
        if (a.centers[i] != b.centers[i] || a.widths[i] != b.widths[i] ||
            strncmp(a.levelLabels[i], b.levelLabels[i], kLevelLabelSize) != 0)
            return ::testing::AssertionFailure() << "level " << i + 1 << " differs";
    }
    return ::testing::AssertionSuccess();
}

TEST(PositionWorkingCopy, CopiesTheCountAndAllEightEntries) {
    const PositionCalibration pattern = FullTable(5);
    PositionCalibration work = {};
    CopyPositionTable(work, pattern);
    EXPECT_TRUE(SameTable(work, pattern));

    // Lowering the count keeps levels 3..5; they go back with the table.
    ChooseLevelCount(work, 2);
    PositionCalibration back = FullTable(5);
    back.centers[4] = -1;
    CopyPositionTable(back, work);
    EXPECT_EQ(2, back.levelCount);
    EXPECT_EQ(500, back.centers[4]);
    EXPECT_STREQ("Level5", back.levelLabels[4]);
    ChooseLevelCount(work, 5);
    EXPECT_TRUE(SameTable(work, pattern));

    ChooseLevelCount(work, -1);     // no selection: unchanged
    EXPECT_EQ(5, work.levelCount);
    ChooseLevelCount(work, 0);
    EXPECT_EQ(0, work.levelCount);
    ChooseLevelCount(work, 40);
    EXPECT_EQ(kMaxLevels, work.levelCount);
}

TEST(PositionWorkingCopy, BadTablesAreMadeSafeOnCopy) {
    PositionCalibration pattern = FullTable(300);           // a count beyond the table
    memset(pattern.levelLabels[0], 'A', kLevelLabelSize);   // no terminator
    memset(pattern.levelLabels[1], 'B', kLevelLabelSize);
    pattern.levelLabels[1][18] = '\x82';                    // lead byte of a pair cut by the field end
    PositionCalibration work = {};
    CopyPositionTable(work, pattern);
    EXPECT_EQ(kMaxLevels, work.levelCount);
    EXPECT_EQ(std::string(19, 'A'), work.levelLabels[0]);
    EXPECT_EQ(std::string(18, 'B'), work.levelLabels[1]);
}

TEST(PositionWorkingCopy, LabelFieldsAreCutAtNineteenCharacters) {
    PositionCalibration t = FullTable(8);
    TakeLevelLabel(t, 3, "Supine");
    EXPECT_STREQ("Supine", t.levelLabels[2]);
    TakeLevelLabel(t, 1, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_STREQ("abcdefghijklmnopqrs", t.levelLabels[0]);
    // 18 single bytes and a double-byte character: the pair does not fit.
    TakeLevelLabel(t, 8, "123456789012345678\x88\xa0rest");
    EXPECT_STREQ("123456789012345678", t.levelLabels[7]);
    // 17 single bytes and a double-byte character fill the 19 bytes.
    TakeLevelLabel(t, 8, "12345678901234567\x88\xa0rest");
    EXPECT_STREQ("12345678901234567\x88\xa0", t.levelLabels[7]);
    // Levels outside 1..8 do not exist.
    const PositionCalibration before = t;
    TakeLevelLabel(t, 0, "x");
    TakeLevelLabel(t, 9, "x");
    TakeLevelLabel(t, 2, nullptr);
    EXPECT_TRUE(SameTable(before, t));
}

TEST(PositionWorkingCopy, ValueFieldsReadFiveCharactersWithinRange) {
    struct Case { const char* text; bool taken; int32_t value; };
    const Case cases[] = {
        {"16", true, 16},          {"0x10", true, 16},        {"010", true, 8},
        {"-12345", true, -1234},   {"", true, 0},             {"abc", true, 0},
        {" 12", true, 12},         {"12abc", true, 12},       {"1,2", true, 1},
        {"32767", true, 32767},    {"-32767", true, -3276},   {"0x7FFF", true, 0x7FF},
        {"40000", false, 0},       {"99999", false, 0},       {"0xFFFF", true, 0xFFF},
        {"0x8000", true, 0x800},   {"-0x8000", true, -0x80},  {"+7", true, 7},
    };
    for (const Case& c : cases) {
        int32_t value = 777;
        EXPECT_EQ(c.taken, TakeLevelValue(c.text, value)) << c.text;
        EXPECT_EQ(c.taken ? c.value : 777, value) << c.text;
    }
    // Exactly at the limits, in five characters.
    const char* refused[] = {"32768", "77777"};
    for (const char* text : refused) {
        int32_t value = -5;
        EXPECT_FALSE(TakeLevelValue(text, value)) << text;
        EXPECT_EQ(-5, value);
    }
    int32_t value = 3;
    EXPECT_TRUE(TakeLevelValue(nullptr, value));
    EXPECT_EQ(0, value);
}

TEST(PositionDefaults, StoreWritesTheFirstCountEntries) {
    PositionCalibration t = FullTable(2);
    t.centers[1] = -20;
    MemoryProfile profile;
    StorePositionKeys(t, profile);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"PosLevelN", "2"}, {"PosCenter", "100,-20,"}, {"PosWidth", "10,20,"},
        {"PosLabel1", "Level1"}, {"PosLabel2", "Level2"}};
    EXPECT_EQ(expected, profile.writes);

    // Count 0: empty lists, no label; labels of an earlier store stay.
    t.levelCount = 0;
    profile.writes.clear();
    StorePositionKeys(t, profile);
    const std::vector<std::pair<std::string, std::string>> empty = {
        {"PosLevelN", "0"}, {"PosCenter", ""}, {"PosWidth", ""}};
    EXPECT_EQ(empty, profile.writes);
    EXPECT_EQ("Level2", profile.keys["PosLabel2"]);

    // Eight levels of extreme values, and a count beyond the table.
    t = FullTable(12);
    for (int i = 0; i < kMaxLevels; ++i) t.centers[i] = i % 2 ? INT32_MIN : INT32_MAX;
    memset(t.levelLabels[7], 'Z', kLevelLabelSize);
    StorePositionKeys(t, profile);
    EXPECT_EQ("8", profile.keys["PosLevelN"]);
    std::string centres;
    for (int i = 0; i < kMaxLevels; ++i) centres += i % 2 ? "-2147483648," : "2147483647,";
    EXPECT_EQ(centres, profile.keys["PosCenter"]);
    EXPECT_EQ(std::string(19, 'Z'), profile.keys["PosLabel8"]);
    EXPECT_EQ(0u, profile.keys.count("PosLabel9"));
}

TEST(PositionDefaults, LoadReplacesWhatTheSectionSupplies) {
    MemoryProfile profile;
    profile.keys = {{"PosLevelN", "4"}, {"PosCenter", "10,20"}, {"PosLabel1", "Supine"},
                    {"PosLabel3", "Left"}, {"PosLabel5", "not read"}};
    PositionCalibration t = FullTable(1);
    LoadPositionKeys(t, profile);
    EXPECT_EQ(4, t.levelCount);
    const int32_t centres[] = {10, 20, 300, 400, 500, 600, 700, 800};
    for (int i = 0; i < kMaxLevels; ++i) EXPECT_EQ(centres[i], t.centers[i]) << i;
    for (int i = 0; i < kMaxLevels; ++i) EXPECT_EQ(10 * (i + 1), t.widths[i]) << i;
    EXPECT_STREQ("Supine", t.levelLabels[0]);
    EXPECT_STREQ("", t.levelLabels[1]);     // missing labels of levels in use are empty
    EXPECT_STREQ("Left", t.levelLabels[2]);
    EXPECT_STREQ("", t.levelLabels[3]);
    EXPECT_STREQ("Level5", t.levelLabels[4]);

    // No section at all: count 0, everything else kept.
    MemoryProfile none;
    t = FullTable(6);
    LoadPositionKeys(t, none);
    PositionCalibration expected = FullTable(0);
    EXPECT_TRUE(SameTable(expected, t));
}

TEST(PositionDefaults, BadSectionsLoadSafely) {
    MemoryProfile profile;
    // A count beyond the table reads 8 labels; lists with garbage, empty
    // fields and more than 8 values; a label far longer than 19 characters.
    std::string longLabel = std::string(17, 'x') + "\x88\xa0\x88\xa0" + std::string(600, 'y');
    profile.keys = {{"PosLevelN", "250"},
                    {"PosCenter", "zz,,0x10,-7,010,1e5, 9,40000,123,456"},
                    {"PosWidth", std::string(2000, '9')},
                    {"PosLabel1", longLabel},
                    {"PosLabel8", "Eight"}};
    PositionCalibration t = FullTable(0);
    LoadPositionKeys(t, profile);
    EXPECT_EQ(kMaxLevels, t.levelCount);
    const int32_t centres[] = {0, 0, 16, -7, 8, 1, 9, 40000};
    for (int i = 0; i < kMaxLevels; ++i) EXPECT_EQ(centres[i], t.centers[i]) << i;
    // 2000 digits in a 512-byte buffer: fields of 20 digits, each clamped.
    for (int i = 0; i < kMaxLevels; ++i) EXPECT_EQ(INT32_MAX, t.widths[i]) << i;
    EXPECT_EQ(std::string(17, 'x') + "\x88\xa0", t.levelLabels[0]);
    EXPECT_STREQ("Eight", t.levelLabels[7]);

    // A negative count reads no label; lists of 2 characters or fewer change nothing.
    profile.keys = {{"PosLevelN", "-3"}, {"PosCenter", "5,"}, {"PosWidth", "7"}, {"PosLabel1", "x"}};
    t = FullTable(4);
    LoadPositionKeys(t, profile);
    PositionCalibration expected = FullTable(0);
    EXPECT_TRUE(SameTable(expected, t));
}

}  // namespace
