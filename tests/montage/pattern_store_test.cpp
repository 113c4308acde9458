// Pattern sections in real INI files through the profile functions: short
// and missing lists, the Sens scaling, limits on stored values, the written
// list format, a full store-and-load round trip of all eight patterns, and
// LoadPattern/StorePattern working on the patterns of the working record
// behind a window. The loader's defaults are checked natively.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "montage/pattern_store.h"
#include "pagekit/state_lock.h"
#include "tests/support/whole_file.h"

namespace {

using Patterns = std::vector<MontagePattern>;

Patterns StartupPatterns() {
    Patterns p(kPatternCount);  // zero-filled, as ConverterState starts
    SetChannelStartupDefaults(p.data());
    return p;
}

class PatternFile : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        snprintf(path_, sizeof path_, "%smontage_%lu_%s.ini", dir, GetCurrentProcessId(),
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        DeleteFileA(path_);
    }
    void TearDown() override { DeleteFileA(path_); }

    void Put(int slot, const char* key, const char* value) {
        WritePrivateProfileStringA(Section(slot).c_str(), key, value, path_);
    }
    std::string Get(int slot, const char* key) {
        char text[1024];
        GetPrivateProfileStringA(Section(slot).c_str(), key, "<absent>", text, sizeof text, path_);
        return text;
    }
    static std::string Section(int slot) { return "Pattern" + std::to_string(slot + 1); }

    char path_[MAX_PATH];
};

TEST_F(PatternFile, ChEnableListShortValueAndMissingKey) {
    Patterns p = StartupPatterns();
    for (ChannelSetting& c : p[0].channels) c.enabled = 5;
    Put(0, "ChEnable", "1,0,1");
    LoadPatternSlot(p[0], 0, path_);
    EXPECT_EQ(1, p[0].channels[0].enabled);
    EXPECT_EQ(0, p[0].channels[1].enabled);
    EXPECT_EQ(1, p[0].channels[2].enabled);
    EXPECT_EQ(5, p[0].channels[3].enabled);

    for (ChannelSetting& c : p[0].channels) c.enabled = 5;
    Put(0, "ChEnable", "1");
    LoadPatternSlot(p[0], 0, path_);
    for (const ChannelSetting& c : p[0].channels) EXPECT_EQ(5, c.enabled);

    Put(0, "ChEnable", nullptr);
    LoadPatternSlot(p[0], 0, path_);
    EXPECT_EQ(1, p[0].channels[7].enabled);
    EXPECT_EQ(5, p[0].channels[8].enabled);
}

TEST_F(PatternFile, TimeConstantMissingOrEmptyGivesDefaultToAll) {
    Patterns p = StartupPatterns();
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        for (ChannelSetting& c : p[1].channels) c.timeConstant = 7;
        Put(1, "TC", value);
        LoadPatternSlot(p[1], 1, path_);
        for (const ChannelSetting& c : p[1].channels) EXPECT_EQ(500, c.timeConstant);
    }
    for (ChannelSetting& c : p[1].channels) c.timeConstant = 7;
    Put(1, "TC", "0,0");
    LoadPatternSlot(p[1], 1, path_);
    EXPECT_EQ(0, p[1].channels[0].timeConstant);
    EXPECT_EQ(0, p[1].channels[1].timeConstant);
    EXPECT_EQ(7, p[1].channels[2].timeConstant);
}

TEST_F(PatternFile, SensitivityIsStoredInHundredsAndReadWithAnyBase) {
    Patterns p = StartupPatterns();
    p[0].channels[0].sensitivity = 12345;
    p[0].channels[1].sensitivity = -150;
    StorePatternSlot(p[0], 0, path_);
    EXPECT_EQ(0u, Get(0, "Sens").find("123,-1,500,"));
    LoadPatternSlot(p[0], 0, path_);
    EXPECT_EQ(12300, p[0].channels[0].sensitivity);
    EXPECT_EQ(-100, p[0].channels[1].sensitivity);

    const struct { const char* text; int32_t expected; } cases[] = {
        {"010", 800}, {"0x10", 1600}, {"99999999", INT32_MAX}, {"-99999999", INT32_MIN}};
    for (const auto& c : cases) {
        Put(0, "Sens", c.text);
        LoadPatternSlot(p[0], 0, path_);
        EXPECT_EQ(c.expected, p[0].channels[0].sensitivity) << c.text;
    }
}

TEST_F(PatternFile, ListOfFortyValuesSetsThirtyTwoChannels) {
    std::string text;
    for (int i = 1; i <= 40; ++i) text += std::to_string(i) + ",";
    Put(0, "VU", text.c_str());
    Put(0, "LFF", text.c_str());
    Patterns p = StartupPatterns();
    LoadPatternSlot(p[0], 0, path_);
    EXPECT_EQ(32, p[0].channels[31].calVU);
    EXPECT_EQ(32, p[0].channels[31].lowFilter);
    EXPECT_EQ(409, p[1].channels[0].calVU);    // the next slot is untouched
}

TEST_F(PatternFile, StoredValuesOutsideTheModelAreLimited) {
    Put(0, "Rate", "0,2,0,-4");
    Put(0, "PosLevelN", "12");
    Put(1, "PosLevelN", "-1");
    Patterns p = StartupPatterns();
    LoadPatternSlot(p[0], 0, path_);
    LoadPatternSlot(p[1], 1, path_);
    EXPECT_EQ(1, p[0].channels[0].rateDivisor);
    EXPECT_EQ(2, p[0].channels[1].rateDivisor);
    EXPECT_EQ(1, p[0].channels[2].rateDivisor);
    EXPECT_EQ(1, p[0].channels[3].rateDivisor);
    EXPECT_EQ(8, p[0].position.levelCount);
    EXPECT_EQ(0, p[1].position.levelCount);
}

TEST_F(PatternFile, StoreWritesThirtyTwoTerminatedValuesAndOnlyUsedLevels) {
    Patterns p = StartupPatterns();
    p[0].position.levelCount = 2;
    p[0].position.centers[0] = -7;
    p[0].position.centers[1] = 9;
    p[0].position.centers[2] = 11;  // beyond the count: not written
    snprintf(p[0].position.levelLabels[1], kLevelLabelSize, "Left");
    StorePatternSlot(p[0], 0, path_);
    std::string rate;
    for (int i = 0; i < kChannelEntries; ++i) rate += "1,";
    EXPECT_EQ(rate, Get(0, "Rate"));
    EXPECT_EQ("-7,9,", Get(0, "PosCenter"));
    EXPECT_EQ("0,0,", Get(0, "PosWidth"));
    EXPECT_EQ("Left", Get(0, "PosLabel2"));
    EXPECT_EQ("<absent>", Get(0, "PosLabel3"));

    p[0].position.levelCount = 0;
    StorePatternSlot(p[0], 1, path_);
    EXPECT_EQ("0", Get(1, "PosLevelN"));
    EXPECT_EQ("", Get(1, "PosCenter"));
    EXPECT_EQ("", Get(1, "PosWidth"));
    EXPECT_EQ("<absent>", Get(1, "PosLabel1"));
}

TEST(FormatValueList, NeverCutsAValue) {
    const int32_t values[3] = {INT32_MIN, 65536, 0};
    char text[32];
    EXPECT_EQ(20, FormatValueList(text, sizeof text, values, 3));
    EXPECT_STREQ("-2147483648,65536,0,", text);
    EXPECT_EQ(12, FormatValueList(text, 16, values, 3));
    EXPECT_STREQ("-2147483648,", text);
}

// Fills every stored field of slot k with values of its own, including
// the extremes each list must carry.
void FillPattern(MontagePattern& m, int k) {
    if (k > 0) snprintf(m.name, sizeof m.name, "\x8e\x8e\x8c\xb1 \x83\x5c %i", k);  // Shift-JIS
    for (int j = 0; j < kLabelChoices; ++j)
        snprintf(m.labelChoices[j], kLabelSize, "L%i-%i-ABCDEFGHIJKLMNOPQRSTUVWXYZ", k, j);
    for (int j = 0; j < kUnitChoices; ++j) snprintf(m.unitChoices[j], kUnitSize, "u%i%iV", k, j);
    for (int i = 0; i < kChannelEntries; ++i) {
        ChannelSetting& c = m.channels[i];
        int32_t n = k * 100 + i;
        c = ChannelSetting{n % 2, n % 21, 1 + n % 50, -1000 * n, 65536 + n, 0, 0,
                           -(n * 300), n * 7, n * 11, n % 300, {}, {}};
        snprintf(c.label, kLabelSize, "\x83\x5c%i_%i", k, i);
        snprintf(c.unit, kUnitSize, "%s", i % 3 ? "uV" : "");
    }
    m.channels[0].calVU = 65536;
    m.channels[1].calEU = INT32_MIN;
    m.channels[2].calEU = INT32_MAX;
    m.channels[3].lowFilter = INT32_MIN;
    m.channels[4].highFilter = 100000;
    m.position.levelCount = static_cast<uint16_t>(k + 1);
    for (int l = 0; l <= k; ++l) {
        m.position.centers[l] = -500 * l + k;
        m.position.widths[l] = 70000 + l;
        snprintf(m.position.levelLabels[l], kLevelLabelSize, "Level %i-%i", k, l);
    }
}

void ExpectSameChannel(const ChannelSetting& a, const ChannelSetting& b) {
    EXPECT_EQ(a.enabled, b.enabled);
    EXPECT_EQ(a.signalType, b.signalType);
    EXPECT_EQ(a.rateDivisor, b.rateDivisor);
    EXPECT_EQ(a.calEU, b.calEU);
    EXPECT_EQ(a.calVU, b.calVU);
    EXPECT_EQ(a.sensitivity, b.sensitivity);
    EXPECT_EQ(a.lowFilter, b.lowFilter);
    EXPECT_EQ(a.timeConstant, b.timeConstant);
    EXPECT_EQ(a.highFilter, b.highFilter);
    EXPECT_STREQ(a.label, b.label);
    EXPECT_STREQ(a.unit, b.unit);
}

void ExpectSamePattern(const MontagePattern& a, const MontagePattern& b) {
    EXPECT_STREQ(a.name, b.name);
    for (int j = 0; j < kLabelChoices; ++j) EXPECT_STREQ(a.labelChoices[j], b.labelChoices[j]);
    for (int j = 0; j < kUnitChoices; ++j) EXPECT_STREQ(a.unitChoices[j], b.unitChoices[j]);
    for (int i = 0; i < kChannelEntries; ++i) {
        SCOPED_TRACE(i);
        ExpectSameChannel(a.channels[i], b.channels[i]);
    }
    ASSERT_EQ(a.position.levelCount, b.position.levelCount);
    for (int l = 0; l < a.position.levelCount; ++l) {
        EXPECT_EQ(a.position.centers[l], b.position.centers[l]);
        EXPECT_EQ(a.position.widths[l], b.position.widths[l]);
        EXPECT_STREQ(a.position.levelLabels[l], b.position.levelLabels[l]);
    }
}

TEST_F(PatternFile, AllEightPatternsSurviveStoreAndLoad) {
    Patterns stored = StartupPatterns();
    for (int k = 0; k < kPatternCount; ++k) FillPattern(stored[k], k);
    ASSERT_STREQ("", stored[0].name);
    ASSERT_EQ(31u, strlen(stored[0].labelChoices[0]));
    for (int k = 0; k < kPatternCount; ++k) StorePatternSlot(stored[k], k, path_);
    EXPECT_EQ("", Get(0, "PATTERN"));   // present, but empty

    Patterns loaded = StartupPatterns();
    for (int k = 0; k < kPatternCount; ++k) LoadPatternSlot(loaded[k], k, path_);
    for (int k = 0; k < kPatternCount; ++k) {
        SCOPED_TRACE(k);
        ExpectSamePattern(stored[k], loaded[k]);
    }
}

// A hidden window holding a ConverterState in slot 0, as the main window does.
class ProgramPatterns : public PatternFile {
protected:
    void SetUp() override {
        PatternFile::SetUp();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MONTAGETESTSTATE";
        wc.cbWndExtra = 16;
        RegisterClassA(&wc);
        window_ = CreateWindowA("MONTAGETESTSTATE", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
        ASSERT_NE(nullptr, window_);
        memory_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(ConverterState));
        ASSERT_NE(nullptr, memory_);
        SetWindowLongPtrA(window_, kStateSlot, reinterpret_cast<LONG_PTR>(memory_));
    }
    void TearDown() override {
        DestroyWindow(window_);
        GlobalFree(memory_);
        PatternFile::TearDown();
    }
    // LoadPattern/StorePattern on the patterns of the window's record.
    void Load(int k) {
        StateLock state(window_);
        LoadPattern(state ? state->patterns : nullptr, k, path_);
    }
    void Store(int k) {
        StateLock state(window_);
        StorePattern(state ? state->patterns : nullptr, k, path_);
    }
    HWND window_ = nullptr;
    HGLOBAL memory_ = nullptr;
};

TEST_F(ProgramPatterns, StoreAndReloadThroughTheMainWindow) {
    {
        StateLock state(window_);
        ASSERT_TRUE(state);
        SetChannelStartupDefaults(state->patterns);
    }
    Load(-1);
    {
        StateLock state(window_);
        EXPECT_STREQ("Pattern1", state->patterns[0].name);
        EXPECT_STREQ("Pattern8", state->patterns[7].name);
        FillPattern(state->patterns[5], 5);
    }
    Store(5);
    {
        StateLock state(window_);
        state->patterns[5].channels[0].calVU = 1;
        snprintf(state->patterns[5].name, kPatternNameSize, "edited");
    }
    Load(5);
    StateLock state(window_);
    MontagePattern expected = {};
    FillPattern(expected, 5);
    ExpectSamePattern(expected, state->patterns[5]);
}

TEST_F(ProgramPatterns, NothingHappensWithoutTheRecordOrForOtherSlots) {
    Store(8);
    Store(-1);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path_));
    LoadPattern(nullptr, -1, path_);   // no record
    StorePattern(nullptr, 0, path_);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path_));
    StateLock state(window_);
    EXPECT_STREQ("", state->patterns[0].name);   // never loaded
}

TEST_F(PatternFile, StoreReportsWhetherTheSectionArrivedAndKeepsTheFileOtherwise) {
    Put(3, "PATTERN", "Kept");
    Patterns p = StartupPatterns();
    snprintf(p[0].name, sizeof p[0].name, "%s", "Stored");
    EXPECT_TRUE(StorePatternSlot(p[0], 0, path_));
    EXPECT_EQ("Stored", Get(0, "PATTERN"));
    EXPECT_EQ("Kept", Get(3, "PATTERN"));

    // The checked copy cannot be made (its name is taken by a folder): the
    // store reports failure and the file stays as it was, byte for byte.
    const std::string copy = std::string(path_) + ".new";
    const std::string before = ReadFile(path_);
    ASSERT_TRUE(CreateDirectoryA(copy.c_str(), nullptr));
    snprintf(p[1].name, sizeof p[1].name, "%s", "Lost");
    EXPECT_FALSE(StorePatternSlot(p[1], 1, path_));
    EXPECT_FALSE(StorePattern(p.data(), 1, path_));
    RemoveDirectoryA(copy.c_str());
    EXPECT_EQ(before, ReadFile(path_));
    EXPECT_EQ("<absent>", Get(1, "PATTERN"));
    EXPECT_FALSE(StorePatternSlot(p[1], 1, "Z:\\proc\\MORLEX.INI"));
    EXPECT_FALSE(StorePatternSlot(p[1], 9, path_));
}

}  // namespace
