// The portable settings-file reader answers as the private-profile reading
// does, and the engine's load rules read a pattern section, the SYSTEM frame
// keys and the PATIENT section through it as the window program reads them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "convert_test_support.h"
#include "engine/cal_rules.h"
#include "engine/ini_file.h"
#include "engine/pattern_load.h"
#include "engine/settings_load.h"

namespace {

IniFile Parsed(const std::string& text) {
    IniFile ini;
    ini.Parse(text.data(), text.size());
    return ini;
}

std::string Text(const IniFile& ini, const char* section, const char* key, int size = 64) {
    char buf[256];
    ini.ReadText(section, key, "<default>", buf, size);
    return buf;
}

TEST(IniFile, NamesWithoutCaseFirstMatchTrimmedValues) {
    const IniFile ini = Parsed(
        "; comment\r\n[System]\r\n  maxch =  24  \r\nName = \"  quoted  \"\r\nMaxCh=7\r\nnoequals\r\n"
        "[SYSTEM]\r\nFrameTime=5\r\n[ Other ]\nKey=a=b\nEmpty=\n");
    EXPECT_EQ(24, ini.ReadInt("SYSTEM", "MaxCh", 16));      // first key of the first section
    EXPECT_EQ(16, ini.ReadInt("SYSTEM", "FrameTime", 16));  // a second section of that name is not read
    EXPECT_EQ("  quoted  ", Text(ini, "system", "NAME"));
    EXPECT_EQ("a=b", Text(ini, "other", "key"));
    EXPECT_EQ("", Text(ini, "Other", "Empty"));
    EXPECT_EQ("<default>", Text(ini, "Other", "Missing"));
    EXPECT_EQ("<default>", Text(ini, "Nowhere", "Key"));
    EXPECT_EQ("<default>", Text(ini, "System", "noequals"));
}

// Settings, patient and calibration files are read by this one reader: CR,
// LF and CR LF end a line alike, a section name runs to the last "]", a "["
// line without "]" opens no section, ";" lines are comments.
TEST(IniFile, EveryLineEndAndSectionLineReadAlike) {
    const std::string lines[] = {"; [Pattern1] in a comment", "[SYSTEM]", "FrameTime=5", "[Odd] name]",
                                 "Key=1", "[Broken", "Left=2", ";Hidden=3"};
    for (const char* eol : {"\n", "\r", "\r\n"}) {
        std::string text;
        for (const std::string& l : lines) text += l + eol;
        const IniFile ini = Parsed(text);
        SCOPED_TRACE(eol[0] == '\r' ? (eol[1] ? "CR LF" : "CR") : "LF");
        EXPECT_EQ(2u, ini.SectionCount());
        EXPECT_EQ(5, ini.ReadInt("SYSTEM", "FrameTime", 1));
        EXPECT_EQ(1, ini.ReadInt("Odd] name", "Key", 0));
        EXPECT_EQ(2, ini.ReadInt("Odd] name", "Left", 0));   // "[Broken" stays in the section before it
        EXPECT_FALSE(ini.HasSection("Pattern1"));
        EXPECT_FALSE(ini.HasSection("Broken"));
        EXPECT_EQ(0, ini.ReadInt("Odd] name", ";Hidden", 0));
        // The calibration file reads the same bytes the same way.
        IniText cal(text.data(), text.size());
        std::string value;
        EXPECT_TRUE(cal.Find("system", "frametime", value));
        EXPECT_EQ("5", value);
        EXPECT_TRUE(cal.Find("Odd] name", "Left", value));
    }
}

TEST(IniFile, IntegersAndCutsAsTheProfileFunctions) {
    const IniFile ini = Parsed("[S]\nA=abc\nB=-12x\nC= 0x10\nD=\x82\xA0\x82\xA2\x82\xA4\n");
    EXPECT_EQ(0, ini.ReadInt("S", "A", 5));
    EXPECT_EQ(-12, ini.ReadInt("S", "B", 5));
    EXPECT_EQ(0, ini.ReadInt("S", "C", 5));     // decimal only: "0" then "x"
    EXPECT_EQ(5, ini.ReadInt("S", "E", 5));
    EXPECT_EQ("\x82\xA0\x82\xA2", Text(ini, "S", "D", 6));   // 5 bytes room: never half a character
}

TEST(IniFile, RefusesWhatIsNoSettingsFile) {
    TempDir dir;
    IniFile ini;
    EXPECT_EQ(IniFile::kCannotRead, ini.Load(dir.File("none.ini").c_str()));
    std::ofstream(dir.File("binary.ini"), std::ios::binary) << std::string("[SYSTEM]\nMaxCh=3\n\0\x01", 20);
    EXPECT_EQ(IniFile::kNotText, ini.Load(dir.File("binary.ini").c_str()));
    EXPECT_EQ(16, ini.ReadInt("SYSTEM", "MaxCh", 16));      // refused: nothing read
    std::ofstream(dir.File("good.ini"), std::ios::binary) << "[SYSTEM]\nMaxCh=3\n";
    EXPECT_EQ(IniFile::kLoaded, ini.Load(dir.File("good.ini").c_str()));
    EXPECT_EQ(3, ini.ReadInt("SYSTEM", "MaxCh", 16));
}

TEST(PatternSection, MissingSectionGivesTheLoadersPattern) {
    MontagePattern p[kPatternCount] = {};
    SetChannelStartupDefaults(p);
    LoadPatternSection(p[2], 2, IniFile());
    EXPECT_STREQ("Pattern3", p[2].name);
    EXPECT_STREQ("Ch20", p[2].labelChoices[19]);
    EXPECT_STREQ("V", p[2].unitChoices[7]);
    const int types[8] = {4, 4, 4, 4, 5, 6, 7, 8};
    for (int j = 0; j < kChannelEntries; ++j) {
        EXPECT_EQ(j < 8 ? 1 : 0, p[2].channels[j].enabled) << j;
        EXPECT_EQ(j < 8 ? types[j] : 0, p[2].channels[j].signalType) << j;
        EXPECT_EQ(500, p[2].channels[j].timeConstant);
        EXPECT_EQ("Ch" + std::to_string(j + 1), p[2].channels[j].label);
        EXPECT_STREQ("V", p[2].channels[j].unit);
    }
    EXPECT_EQ(0, p[2].position.levelCount);
}

TEST(PatternSection, ListsApplyAsStoredAndShortListsChangeNothing) {
    MontagePattern p[kPatternCount] = {};
    SetChannelStartupDefaults(p);
    for (ChannelSetting& c : p[0].channels) c.enabled = 7;
    const IniFile ini = Parsed(
        "[pattern1]\nChEnable=1,0,1\nSignal=1\nSens=010,0x10\nTC=0,0\nRate=0,2\nPosLevelN=12\n"
        "PosCenter=1,2,3\nPosLabel1=Supine\n");
    LoadPatternSection(p[0], 0, ini);
    EXPECT_EQ(1, p[0].channels[0].enabled);
    EXPECT_EQ(0, p[0].channels[1].enabled);
    EXPECT_EQ(1, p[0].channels[2].enabled);
    EXPECT_EQ(7, p[0].channels[3].enabled);     // beyond the list: as it was
    EXPECT_EQ(0, p[0].channels[0].signalType);  // "1": too short, nothing changed
    EXPECT_EQ(800, p[0].channels[0].sensitivity);
    EXPECT_EQ(1600, p[0].channels[1].sensitivity);
    EXPECT_EQ(0, p[0].channels[1].timeConstant);
    EXPECT_EQ(0, p[0].channels[2].timeConstant);    // TC present: the others keep theirs
    EXPECT_EQ(1, p[0].channels[0].rateDivisor);     // 0 becomes 1
    EXPECT_EQ(2, p[0].channels[1].rateDivisor);
    EXPECT_EQ(8, p[0].position.levelCount);
    EXPECT_EQ(3, p[0].position.centers[2]);
    EXPECT_STREQ("Supine", p[0].position.levelLabels[0]);
}

TEST(SettingsSections, FrameKeysAndPatientAsTheProgramReadsThem) {
    AppSettings settings{};
    LoadFrameKeys(settings, Parsed("[SYSTEM]\nMaxCh=40\nFrameTime=-3\nTCType=-1\n"));
    EXPECT_EQ(32, settings.MaxCh);
    EXPECT_EQ(-3, settings.FrameTime);
    EXPECT_EQ(65535, settings.TCType);
    EXPECT_EQ(0, settings.CalType);
    LoadExitQuestionKey(settings, Parsed("[SYSTEM]\nAskUnregistered=7\n"));
    EXPECT_EQ(1, settings.AskUnregistered);
    LoadExitQuestionKey(settings, Parsed("[SYSTEM]\nMaxCh=16\n"));
    EXPECT_EQ(0, settings.AskUnregistered);
    LoadCheckNotesKey(settings, Parsed("[NIGHTCHECK]\nAnnotations=1\n"));
    EXPECT_EQ(1, settings.CheckNotes);
    LoadCheckNotesKey(settings, Parsed("[SYSTEM]\nAnnotations=1\n"));   // another section's key: the default
    EXPECT_EQ(0, settings.CheckNotes);

    PatientInfo first{};
    LoadPatientKeys(first, IniFile(), kNoKeysFirstStart);
    EXPECT_STREQ("\x90V\x8BK", first.name);         // the first-start patient, in Shift-JIS
    EXPECT_STREQ("\x82\xA9\x82\xC8", first.kana);
    EXPECT_STREQ("000-0001", first.id);
    EXPECT_EQ(1600, first.height);
    EXPECT_EQ(1950, first.birthYear);
    EXPECT_STREQ("Sleep Center", first.hospital);

    PatientInfo p{};
    LoadPatientKeys(p, Parsed("[PATIENT]\nDepartmemt=Neurology\nDepartment=wrong\nHeight=1705\nAgeYear=65581\n"),
                    kNoKeysFirstStart);
    EXPECT_STREQ("Neurology", p.department);
    EXPECT_EQ(1705, p.height);
    EXPECT_EQ(45, p.ageYears);      // low 16 bits
}

// A patient file with some keys: the others are unknown (for the batch and
// the window alike); only a file with none of the keys gives the window's
// first-start patient. A birth date wants year, month and day.
TEST(IniFile, PatientKeysAFileLacksAreUnknown) {
    for (PatientKeysMissing rule : {kMissingKeysUnknown, kNoKeysFirstStart}) {
        PatientInfo p{};
        EXPECT_EQ(1, LoadPatientKeys(p, Parsed("[PATIENT]\nID=LAB-0042\n"), rule));
        EXPECT_EQ("LAB-0042||||0|0|0", std::string(p.id) + "|" + p.name + "|" + p.sex + "|" + p.hospital + "|" +
                                           std::to_string(p.birthYear) + "|" + std::to_string(p.height) + "|" +
                                           std::to_string(p.ageYears));
        LoadPatientKeys(p, Parsed("[PATIENT]\nYear=1962\nMonth=3\n"), rule);
        EXPECT_EQ(0, p.birthYear);
        LoadPatientKeys(p, Parsed("[PATIENT]\nYear=1962\nMonth=3\nDay=20\n"), rule);
        EXPECT_EQ(20, p.birthDay);
    }
    PatientInfo first{};
    EXPECT_EQ(0, LoadPatientKeys(first, Parsed("[DEPARMENT]\n0=Neurology\n"), kNoKeysFirstStart));
    EXPECT_STREQ("000-0001", first.id);
}

}  // namespace
