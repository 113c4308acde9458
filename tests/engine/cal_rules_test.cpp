// Calibration condition files read from disk by the portable reader and
// imported into a pattern: the CALINFO checks, the MaxCh limit (sections
// beyond it never read), the two per-channel rules, hostile files that must
// leave the pattern untouched or keep every value in its field, the
// reader's profile-file rules, and an imported file reaching the PSG
// file's channel calibration, read back with EDFlib.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "convert_test_support.h"
#include "engine/cal_rules.h"
#include "tests/support/whole_file.h"

namespace {

const std::string kCalDir = std::string(CONVERT_TEST_DIR) + "/cal/";

IniText ReadCal(const std::string& path) {
    const std::string text = ReadFile(path);
    return IniText(text.data(), text.size());
}

// Writes `text` as a real file in `dir` and reads it back.
IniText WriteAndRead(const TempDir& dir, const std::string& text) {
    const std::string path = dir.File("t.CAL");
    WriteFile(path, text);
    return ReadCal(path);
}

// Records every section a read asks for.
class SectionLog : public CalValueReader {
public:
    explicit SectionLog(CalValueReader& file) : file_(file) {}
    int ReadText(const char* section, const char* key, char* dest, int size) override {
        sections.insert(section);
        return file_.ReadText(section, key, dest, size);
    }
    std::set<std::string> sections;

private:
    CalValueReader& file_;
};

MontagePattern StartupPattern() {
    MontagePattern p;
    ResetPatternToStartup(p);
    for (int i = 0; i < kChannelEntries; ++i) {
        ChannelSetting& c = p.channels[i];
        c.enabled = i % 2;
        c.signalType = 9;
        c.rateDivisor = 2;
        c.lowFilter = 300;
        c.timeConstant = 530;
        snprintf(c.label, sizeof c.label, "Old%i", i + 1);
        snprintf(c.unit, sizeof c.unit, "uV");
    }
    return p;
}

bool Same(const MontagePattern& a, const MontagePattern& b) { return memcmp(&a, &b, sizeof a) == 0; }

TEST(CalFile, SaveTimeMustBeLongerThanFourCharacters) {
    MontagePattern p = StartupPattern();
    const MontagePattern before = p;
    IniText shortTime = ReadCal(kCalDir + "SHORTTIME.CAL");
    EXPECT_EQ(0, ImportCalCondition(shortTime, p, 16));
    EXPECT_TRUE(Same(before, p));

    TempDir dir;
    IniText five = WriteAndRead(dir, "[CALINFO]\r\nSaveTime=12345\r\nCH=1\r\n[CH1]\r\nSignal=4\r\nLabel=X\r\n");
    EXPECT_EQ(1, ImportCalCondition(five, p, 16));
    EXPECT_STREQ("X", p.channels[0].label);
}

TEST(CalFile, ChannelCountIsLimitedByMaxChAndLaterSectionsAreNeverRead) {
    IniText twenty = ReadCal(kCalDir + "TWENTY.CAL");
    SectionLog log(twenty);
    MontagePattern p = StartupPattern();
    const MontagePattern before = p;
    ASSERT_EQ(1, ImportCalCondition(log, p, 16));
    for (int i = 1; i <= 16; ++i) {
        SCOPED_TRACE(i);
        const ChannelSetting& c = p.channels[i - 1];
        EXPECT_EQ(4 + i % 5, c.signalType);
        EXPECT_EQ("L" + std::to_string(i), c.label);
        EXPECT_EQ(10 * i, c.calEU);
        EXPECT_EQ(100 * i, c.calVU);
        EXPECT_EQ(i, c.offsetCAL);
        EXPECT_EQ(-i, c.offsetAD);
        // Fields the import never touches.
        EXPECT_EQ(before.channels[i - 1].enabled, c.enabled);
        EXPECT_EQ(2, c.rateDivisor);
        EXPECT_EQ(300, c.lowFilter);
        EXPECT_EQ(530, c.timeConstant);
        EXPECT_EQ(50000, c.sensitivity);
        EXPECT_EQ(100, c.highFilter);
    }
    EXPECT_EQ(0, memcmp(&before.channels[16], &p.channels[16], sizeof(ChannelSetting) * 16));
    EXPECT_EQ(1u, log.sections.count("CH16"));
    for (int i = 17; i <= 20; ++i) EXPECT_EQ(0u, log.sections.count("CH" + std::to_string(i))) << i;

    // CH = 4 with MaxCh 16: channels 5..32 stay as they were.
    IniText four = ReadCal(kCalDir + "SLEEP4.CAL");
    MontagePattern q = StartupPattern();
    ASSERT_EQ(1, ImportCalCondition(four, q, 16));
    EXPECT_EQ(0, memcmp(&before.channels[4], &q.channels[4], sizeof(ChannelSetting) * 28));
}

TEST(CalFile, SignalZeroRestoresTheStartupCalibrationAndSignalAboveZeroTakesTheKeys) {
    IniText file = ReadCal(kCalDir + "SLEEP4.CAL");
    MontagePattern p = StartupPattern();
    p.channels[2].offsetAD = 77;
    ASSERT_EQ(1, ImportCalCondition(file, p, 16));
    const ChannelSetting& none = p.channels[2];     // CH3 has no Signal key
    EXPECT_EQ(0, none.signalType);
    EXPECT_STREQ("", none.label);
    EXPECT_STREQ("", none.unit);
    EXPECT_EQ(50, none.calEU);
    EXPECT_EQ(409, none.calVU);
    EXPECT_EQ(0, none.offsetCAL);
    EXPECT_EQ(0, none.offsetAD);
    EXPECT_EQ(0, none.enabled);     // as it was

    const ChannelSetting& dc = p.channels[3];       // Signal 3 without CalEU
    EXPECT_EQ(3, dc.signalType);
    EXPECT_EQ(0, dc.calEU);
    EXPECT_EQ(300, dc.calVU);
    EXPECT_EQ(0, dc.offsetCAL);
    EXPECT_EQ(-12, dc.offsetAD);
    EXPECT_STREQ("Body DC", dc.label);
    EXPECT_STREQ("mV", dc.unit);
    EXPECT_STREQ("ROC-A1", p.channels[1].label);
    EXPECT_EQ(100, p.channels[1].offsetAD);
}

TEST(CalFile, RefusedFilesLeaveThePatternUntouched) {
    TempDir dir;
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) & 0xFF);
    const std::string refused[] = {
        "",
        binary,
        "[CH1]\nSignal=4\nLabel=X\n",                                    // no CALINFO
        "[CALINFO]\nCH=4\n[CH1]\nSignal=4\n",                            // no SaveTime
        "[CALINFO]\nSaveTime=20240101\n[CH1]\nSignal=4\n",               // no CH
        "[CALINFO]\nSaveTime=20240101\nCH=0\n[CH1]\nSignal=4\n",
        "[CALINFO]\nSaveTime=20240101\nCH=-1\n[CH1]\nSignal=4\n",
        "[CALINFO]\nSaveTime=20240101\nCH=four\n[CH1]\nSignal=4\n",
        "[CALINFO]\nSaveTime=20240101\nCH=-99999999999999\n[CH1]\nSignal=4\n",
        "[CALINFO]\nSaveTime=    \nCH=4\n[CH1]\nSignal=4\n",           // blanks are dropped
        std::string("[CALINFO]\nSaveTime=12\0" "345\nCH=4\n[CH1]\nSignal=4\n", 42),
    };
    for (const std::string& text : refused) {
        IniText file = WriteAndRead(dir, text);
        MontagePattern p = StartupPattern();
        const MontagePattern before = p;
        EXPECT_EQ(0, ImportCalCondition(file, p, 32)) << text.substr(0, 60);
        EXPECT_TRUE(Same(before, p)) << text.substr(0, 60);
    }
}

TEST(CalFile, HostileValuesStayInsideTheirFields) {
    TempDir dir;
    std::string text = "[CALINFO]\nSaveTime=20240101000000\nCH=100000\n";
    const std::string longLabel(300, 'A');
    // 30 single-byte characters, then a double-byte character across the cut.
    const std::string cutLabel = std::string(30, 'B') + "\x93\xfa" + "CD";
    text += "[CH1]\nSignal=99999999999\nLabel=" + longLabel + "\nUnit=microvolt\nCalEU=-2147483649\n"
            "CalVU=4294967296\nOffsetAD= -17 \nOffsetCAL=12abc\n";
    text += "[CH2]\nSignal=-5\nLabel=Gone\nCalEU=1\n";
    text += "[CH3]\nSignal=4\nLabel=" + cutLabel + "\nUnit=uV\x83\x8a\x83\x8a\x83\x8a\n";
    IniText file = WriteAndRead(dir, text);
    MontagePattern p = StartupPattern();
    ASSERT_EQ(1, ImportCalCondition(file, p, 32));
    const ChannelSetting& c = p.channels[0];
    EXPECT_EQ(INT32_MAX, c.signalType);
    EXPECT_EQ(std::string(31, 'A'), c.label);
    EXPECT_STREQ("microvo", c.unit);
    EXPECT_EQ(INT32_MIN, c.calEU);
    EXPECT_EQ(INT32_MAX, c.calVU);
    EXPECT_EQ(-17, c.offsetAD);
    EXPECT_EQ(12, c.offsetCAL);
    EXPECT_EQ(-5, p.channels[1].signalType);        // kept whatever it is, calibration restored
    EXPECT_STREQ("", p.channels[1].label);
    EXPECT_EQ(50, p.channels[1].calEU);
    EXPECT_EQ(std::string(30, 'B'), p.channels[2].label);   // no half character at the cut
    EXPECT_STREQ("uV\x83\x8a\x83\x8a", p.channels[2].unit);
    // All 32 entries were imported (sections CH4.. are missing: Signal 0).
    EXPECT_EQ(409, p.channels[31].calVU);
    EXPECT_STREQ("", p.channels[31].label);

    MontagePattern q = StartupPattern();
    ASSERT_EQ(1, ImportCalCondition(file, q, 0));   // no channel rows: nothing to take
    EXPECT_EQ(9, q.channels[0].signalType);
}

TEST(IniTextReader, ReadsAsTheProfileFunctionsDo) {
    const std::string text =
        "SaveTime=outside\r\n"
        "[other]\rKey=no\r"
        "  [CalInfo]  \n"
        "  savetime =  \"quoted value\"  \n"
        "EMPTY=\n"
        "no equals sign\n"
        "Single='x'\n"
        "Odd=\"x'\n"
        "Label=a=b\n"
        "Label=second\n"
        "[CALINFO]\nCH=9\n";
    IniText file(text.data(), text.size());
    std::string value;
    ASSERT_TRUE(file.Find("CALINFO", "SAVETIME", value));
    EXPECT_EQ("quoted value", value);
    ASSERT_TRUE(file.Find("calinfo", "Empty", value));
    EXPECT_EQ("", value);
    ASSERT_TRUE(file.Find("CALINFO", "Single", value));
    EXPECT_EQ("x", value);
    ASSERT_TRUE(file.Find("CALINFO", "Odd", value));
    EXPECT_EQ("\"x'", value);
    ASSERT_TRUE(file.Find("CALINFO", "Label", value));
    EXPECT_EQ("a=b", value);
    EXPECT_FALSE(file.Find("CALINFO", "CH", value));        // only the first section of a name counts
    EXPECT_FALSE(file.Find("CALINFO", "Key", value));
    ASSERT_TRUE(file.Find("OTHER", "key", value));
    EXPECT_EQ("no", value);
    char small[4];
    EXPECT_EQ(3, file.ReadText("CALINFO", "SaveTime", small, sizeof small));
    EXPECT_STREQ("quo", small);
    EXPECT_EQ(0, file.ReadText("NOSECTION", "SaveTime", small, sizeof small));
    EXPECT_STREQ("", small);
}

std::string Trimmed(const char* field) {
    std::string s = field;
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

TEST(CalFileInThePsgFile, ImportedCalibrationLabelAndUnitAreWritten) {
    TempDir dir;
    StateOwner s;
    TaffGenOptions options;
    options.channels = 5;
    options.rate = 100;
    options.scans = 100 * 3;
    const std::string out = dir.File("cal.DAT");
    OpenRecording(*s, options, dir.File("CAL.HDR"), out);
    IniText file = ReadCal(kCalDir + "SLEEP4.CAL");
    s->settings.MaxCh = 16;
    ASSERT_EQ(1, ImportCalCondition(file, CurrentPattern(*s), s->settings.MaxCh));
    const RunResult r = RunConversion(*s);
    ASSERT_EQ(kHeaderWritten, r.refusal);
    ASSERT_EQ(kRunCompleted, r.end);

    EdfReader edf(out);
    ASSERT_TRUE(edf.ok());
    ASSERT_EQ(5, edf.hdr().edfsignals);
    const edf_param_struct* sig = edf.hdr().signalparam;
    EXPECT_EQ("EEG C3-A2", Trimmed(sig[0].label));
    EXPECT_EQ("uV", Trimmed(sig[0].physdimension));
    EXPECT_DOUBLE_EQ(-1638.4, sig[0].phys_min);         // -32768 * 100 / 2000
    EXPECT_DOUBLE_EQ(1638.35, sig[0].phys_max);
    EXPECT_EQ("EOG ROC-A1", Trimmed(sig[1].label));
    EXPECT_DOUBLE_EQ(-4103.5, sig[1].phys_min);         // (-32768 - 100) * 200 / 1600 + 5
    EXPECT_DOUBLE_EQ(4088.375, sig[1].phys_max);
    EXPECT_EQ("Ch3", Trimmed(sig[2].label));            // restored: no label, no type text
    EXPECT_EQ("", Trimmed(sig[2].physdimension));
    EXPECT_NEAR(-32768.0 * 50 / 409, sig[2].phys_min, 0.01);
    EXPECT_EQ("DC Body DC", Trimmed(sig[3].label));
    EXPECT_EQ("mV", Trimmed(sig[3].physdimension));
    EXPECT_DOUBLE_EQ(-32768, sig[3].phys_min);          // CalEU 0: no usable calibration
    EXPECT_EQ("EEG S5", Trimmed(sig[4].label));         // beyond the file's channels: as before
    EXPECT_DOUBLE_EQ(-3276.8, sig[4].phys_min);
}

}  // namespace
