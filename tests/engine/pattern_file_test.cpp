// Pattern files: a pattern exported and imported back stores the same
// section; a hand-written file goes through the settings file's value rules
// with the loader's defaults for what it leaves out; a section copied from a
// settings file is taken; anything else is refused and changes nothing. An
// export failing part way leaves the older file whole.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "engine/pattern_file.h"
#include "engine/pattern_rules.h"
#include "filekit/filekit.h"
#include "tests/support/test_files.h"
#include "textkit/sjis_text.h"

namespace {

// A pattern that uses every part of a section: name, choices, channel
// texts, lists with negative and large values, and a position table.
MontagePattern Sample() {
    MontagePattern p;
    ResetPatternToStartup(p);
    CopyText(p.name, sizeof p.name, "Lab PSG 16ch");
    for (int i = 0; i < kLabelChoices; ++i) snprintf(p.labelChoices[i], kLabelSize, "L%02d", i + 1);
    CopyText(p.labelChoices[3], kLabelSize, "脳波 C3-A2");
    CopyText(p.labelChoices[4], kLabelSize, " 'quoted' ");   // reads back with its blanks and quotes
    const char* units[kUnitChoices] = {"uV", "mV", "%", "bpm", "L/min", "cmH2O", "degC", "V"};
    for (int i = 0; i < kUnitChoices; ++i) CopyText(p.unitChoices[i], kUnitSize, units[i]);
    for (int n = 0; n < kChannelEntries; ++n) {
        ChannelSetting& ch = p.channels[n];
        snprintf(ch.label, kLabelSize, "Ch-%d", n + 1);
        CopyText(ch.unit, kUnitSize, units[n % kUnitChoices]);
        ch.enabled = n < 16;
        ch.signalType = n % 21;
        ch.rateDivisor = n % 2 ? 2 : 1;
        ch.calVU = 65536 + n;
        ch.offsetAD = -n;
        ch.sensitivity = 100 * (n + 1);
        ch.timeConstant = 300;
    }
    p.position.levelCount = 3;
    for (int l = 0; l < 3; ++l) {
        p.position.centers[l] = -100 + 100 * l;
        p.position.widths[l] = 40;
        snprintf(p.position.levelLabels[l], kLevelLabelSize, "Pos%d", l);
    }
    return p;
}

TEST(PatternFile, ExportedAndImportedBackStoresTheSameSection) {
    TempDir dir;
    const MontagePattern p = Sample();
    ASSERT_EQ(0, WriteFileBeside(dir.File("LAB.PAT"), PatternFileText(p), true));
    const std::string text = ReadFile(dir.File("LAB.PAT"));
    EXPECT_EQ(0u, text.find("[Pattern]\r\nPATTERN=Lab PSG 16ch\r\nLabel1=L01\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\nUnit4=bpm\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\nPosLabel3=Pos2\r\n"));

    MontagePattern back;
    ResetPatternToStartup(back);
    ASSERT_EQ(kPatternFileRead, ReadPatternFile(dir.File("LAB.PAT").c_str(), back));
    EXPECT_TRUE(SameStoredPattern(p, back));
    EXPECT_EQ(PatternFileText(p), PatternFileText(back));
    EXPECT_STREQ("脳波 C3-A2", back.labelChoices[3]);
    EXPECT_STREQ(" 'quoted' ", back.labelChoices[4]);
    EXPECT_EQ(65536 + 31, back.channels[31].calVU);

    MontagePattern other = p;
    other.channels[7].highFilter = 35;
    EXPECT_FALSE(SameStoredPattern(p, other));
    other = p;
    other.position.centers[2] = 7;     // a position level counts as a change
    EXPECT_FALSE(SameStoredPattern(p, other));
    other = p;
    other.position.centers[5] = 7;     // a level beyond the count is not stored
    EXPECT_TRUE(SameStoredPattern(p, other));
}

TEST(PatternFile, HandWrittenAndCopiedSectionsTakeTheValueRules) {
    TempDir dir;
    struct Case {
        const char* text;
        const char* name;
        int enabledChannels;   // of the first 4
        int32_t rate2;
        uint16_t levels;
        const char* unit1;
    } cases[] = {
        // Rate 0 becomes 1, a level count above 8 is 8, missing keys take
        // the loader's defaults (units "V", channels 1..8 on).
        {"[Pattern]\nPATTERN=Hand\nChEnable=1,0,1,0,\nRate=2,0,\nPosLevelN=12\n", "Hand", 2, 1, 8, "V"},
        // A section copied from a settings file, other sections around it.
        {"[SYSTEM]\nMaxCh=16\n[Pattern5]\nPATTERN=Copied\nUnit1=uV\nRate=1,4,\n", "Copied", 4, 4, 0, "uV"},
        // Only the channel lists: the name is the file section's, "Pattern".
        {"; montage of the lab\r\n[pattern]\r\nChEnable=0,0,0,1,\r\n", "Pattern", 1, 1, 0, "V"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = dir.File("H" + std::to_string(n++) + ".PAT");
        WriteFile(path, c.text);
        MontagePattern p = Sample();
        ASSERT_EQ(kPatternFileRead, ReadPatternFile(path.c_str(), p)) << c.text;
        EXPECT_STREQ(c.name, p.name) << c.text;
        int enabled = 0;
        for (int i = 0; i < 4; ++i) enabled += p.channels[i].enabled > 0;
        EXPECT_EQ(c.enabledChannels, enabled) << c.text;
        EXPECT_EQ(c.rate2, p.channels[1].rateDivisor) << c.text;
        EXPECT_EQ(c.levels, p.position.levelCount) << c.text;
        EXPECT_STREQ(c.unit1, p.unitChoices[0]) << c.text;
        EXPECT_STREQ("Ch20", p.labelChoices[19]) << c.text;   // nothing of the pattern before
    }
}

TEST(PatternFile, WhatIsNoPatternIsRefusedAndChangesNothing) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
        PatternFileResult result;
    } cases[] = {
        {"BIN.PAT", std::string("\x7f\x45LF\0\0\x01\x02", 8), kPatternFileUnreadable},
        {"TEXT.PAT", "just some notes\nabout a night\n", kPatternFileNotPattern},
        {"PATIENT.INF", "[PATIENT]\nName1=Hanako\nID=1\n", kPatternFileNotPattern},
        {"EMPTY.PAT", "[Pattern]\nComment=no pattern keys\n", kPatternFileNotPattern},
        {"NONE.PAT", "", kPatternFileUnreadable},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File(c.name);
        if (c.bytes.size()) WriteFile(path, c.bytes);
        MontagePattern p = Sample();
        EXPECT_EQ(c.result, ReadPatternFile(path.c_str(), p)) << c.name;
        EXPECT_EQ(PatternFileText(Sample()), PatternFileText(p)) << c.name;
    }
    EXPECT_EQ(ENOENT, WriteFileBeside(dir.File("no/such/folder/X.PAT"), PatternFileText(Sample()), true));
}

// An export that fails part way (the process may not grow a file beyond
// 1 KiB, as a full disk refuses) leaves the older file under the name whole
// and nothing beside it.
TEST(PatternFile, ExportFailingMidwayKeepsTheOlderFile) {
    TempDir dir;
    const std::string path = dir.File("LAB.PAT");
    WriteFile(path, "[Pattern]\r\nPATTERN=older\r\n");
    const std::string text = PatternFileText(Sample());
    ASSERT_GT(text.size(), 1024u);
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1024;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const int error = WriteFileBeside(path, text, true);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(EFBIG, error);
    EXPECT_EQ("[Pattern]\r\nPATTERN=older\r\n", ReadFile(path));
    EXPECT_EQ(std::vector<std::string>{"LAB.PAT"}, ListFolder(dir.path()));
    ASSERT_EQ(0, WriteFileBeside(path, text, true));
    EXPECT_EQ(text, ReadFile(path));
}

}  // namespace
