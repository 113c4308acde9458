// taff2psg run as a process on folders of generated recordings: every
// variant converted with a stored pattern and read back with EDFlib (and
// MNE) against the generator; bad inputs, usage errors, the guards around
// the sources and existing outputs, a full disk and an interrupted batch,
// each with its message and exit status.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "batch/batch_options.h"
#include "batch/batch_setup.h"
#include "batch_test_support.h"
#include "engine/identity_rules.h"
#include "engine/ini_file.h"
#include "engine/settings_load.h"
#include "engine/version.h"
#include "tests/engine/convert_test_support.h"
#include "textkit/sjis_text.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Pattern3 of the settings file: 12 channels written but the third, with
// their own labels; FrameTime 2 seconds.
const char kSettings[] =
    "[SYSTEM]\r\nFrameTime=2\r\nMaxCh=16\r\n"
    "[Pattern1]\r\nPATTERN=Default\r\n"
    "[pattern3]\r\n PATTERN = Night montage \r\n"
    "ChEnable=1,1,0,1,1,1,1,1,1,1,1,1,0,0,0,0,\r\n"
    "chlabel1=EEG C3\r\nChLabel2=EEG C4\r\nChLabel4=EEG O2\r\n"
    "Rate=1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,\r\n"
    "ChEnable=0,0,0,\r\n";   // a later duplicate key: the first one wins

const int kWritten[] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11};   // source channels in output order

struct Variant {
    const char* header;
    bool longSamples, sequential;
    uint32_t seed;
};
const Variant kVariants[] = {
    {"A.HDR", false, false, 1}, {"B.HDR", true, false, 2}, {"C.HDR", false, true, 3}, {"d.hdr", true, true, 4}};

TaffGenOptions VariantOptions(const Variant& v) {
    TaffGenOptions o = ShortRecording(130);
    o.longSamples = v.longSamples;
    o.sequential = v.sequential;
    o.seed = v.seed;
    if (v.header[0] == 'd') o.dataExtension = ".dat";
    return o;
}

struct BatchFolders : ::testing::Test {
    TempDir tmp;
    std::string in = tmp.File("in"), out = tmp.File("out"), settings = tmp.File("MORLEX.INI");
    void SetUp() override {
        fs::create_directories(in);
        fs::create_directories(out);
        WriteFile(settings, kSettings);
    }
    void MakeVariants() {
        for (const Variant& v : kVariants) MakeRecording(VariantOptions(v), in + "/" + v.header);
    }
    // Every file of the input folder with its content, to prove none changed.
    std::vector<std::string> Sources() {
        std::vector<std::string> all;
        for (const std::string& name : FilesIn(in)) all.push_back(name + ":" + ReadFile(in + "/" + name));
        return all;
    }
};

void ExpectSamplesOf(const std::string& path, const TaffGenOptions& o) {
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok()) << path << ": EDFlib error " << edf.hdr().filetype;
    ASSERT_EQ(int(std::size(kWritten)), edf.hdr().edfsignals) << path;
    EXPECT_EQ(65, edf.hdr().datarecords_in_file) << path;   // 130 s in 2-second records
    EXPECT_NE(strstr(edf.hdr().signalparam[0].label, "EEG C3"), nullptr) << edf.hdr().signalparam[0].label;
    EXPECT_NE(strstr(edf.hdr().signalparam[2].label, "EEG O2"), nullptr) << edf.hdr().signalparam[2].label;
    for (int o2 = 0; o2 < edf.hdr().edfsignals; ++o2) {
        const std::vector<int> got = edf.Digital(o2);
        ASSERT_EQ(size_t(130 * 200), got.size()) << path << " signal " << o2;
        for (size_t i = 0; i < got.size(); i += 53)
            ASSERT_EQ(TaffGenExpectedSample(o, kWritten[o2], int64_t(i)), got[i]) << path << " " << o2 << " " << i;
    }
}

TEST_F(BatchFolders, ConvertsEveryVariantWithTheStoredPattern) {
    MakeVariants();
    WriteFile(in + "/C.INF", "[PATIENT]\nID=SIDE-3\nName1=Sidecar\n");
    WriteFile(tmp.File("PATIENT.INF"), "[patient]\nid = P-0042\nName1=\"Batch\"\n");
    const std::vector<std::string> before = Sources();
    const ProcessResult r = RunBatch({in, "--settings", settings, "--pattern", "3", "--patient",
                                      tmp.File("PATIENT.INF"), "--same-patient", "--out", out, "--jobs", "2"});
    ASSERT_EQ(0, r.status) << r.err << r.out;
    EXPECT_NE(r.out.find("4 of 4 recording(s) converted"), std::string::npos) << r.out;
    for (const char* column : {"recording", "channels", "rate", "length", "records", "MB", "result"})
        EXPECT_NE(r.out.find(column), std::string::npos) << column << "\n" << r.out;
    EXPECT_NE(r.out.find("11    200   0:02:10       65"), std::string::npos) << r.out;
    // The channel the pattern leaves out is named in each line and the summary.
    EXPECT_NE(r.err.find("(channels left out: 3 O1-A2)"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("converted; channels left out: 3 O1-A2"), std::string::npos) << r.out;
    EXPECT_EQ((std::vector<std::string>{"A.DAT", "B.DAT", "C.DAT", "d.DAT"}), FilesIn(out));
    for (const Variant& v : kVariants) {
        std::string name = v.header;
        ExpectSamplesOf(out + "/" + name.substr(0, 1) + ".DAT", VariantOptions(v));
    }
    EdfReader a(out + "/A.DAT"), c(out + "/C.DAT");
    EXPECT_STREQ("P-0042", a.hdr().patientcode);
    EXPECT_STREQ("SIDE-3", c.hdr().patientcode);
    EXPECT_TRUE(MneReads(out + "/B.DAT", 11, 130.0, "EEG C3"));
    EXPECT_EQ(before, Sources());
}

TEST_F(BatchFolders, DryRunListsAndWritesNothing) {
    MakeVariants();
    const ProcessResult r = RunBatch({"--dry-run", in, "--out", out});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(r.out.find("would write"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("4 of 4 recording(s) would be written"), std::string::npos) << r.out;
    EXPECT_TRUE(FilesIn(out).empty());
}

TEST_F(BatchFolders, BadRecordingsAreNamedWhileTheOthersConvert) {
    MakeRecording(ShortRecording(70), in + "/GOOD.HDR");
    WriteFile(in + "/JUNK.HDR", std::string("\x00\x01 not a header \xff", 18));
    fs::copy_file(in + "/GOOD.HDR", in + "/NODATA.HDR");
    // A file list on standard input, one name missing.
    const ProcessResult r = RunBatch({"-", "--out", out, "--quiet"},
                                     in + "/GOOD.HDR\n" + in + "/JUNK.HDR\n\n" + in + "/NODATA.HDR\n" + in + "/GONE.HDR\n");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.err.find("JUNK.HDR: not a recording"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("NODATA.HDR: not a recording: no data file beside the header"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("GONE.HDR: no such file or folder"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;    // --quiet: no summary
    EXPECT_EQ(std::vector<std::string>{"GOOD.DAT"}, FilesIn(out));
    EXPECT_TRUE(EdfReader(out + "/GOOD.DAT").ok());
}

TEST_F(BatchFolders, UsageErrorsExitWithTwoAndWriteNothing) {
    MakeRecording(ShortRecording(60), in + "/A.HDR");
    MakeRecording(ShortRecording(60), in + "/B.HDR");
    WriteFile(tmp.File("BINARY.INI"), std::string("[SYSTEM]\0\x7f\x45LF", 12));
    WriteFile(tmp.File("TEXT.INI"), "this is not\na settings file\n");
    WriteFile(tmp.File("OTHER.INI"), "[Options]\nFrameTime=5\n");
    WriteFile(tmp.File("ONE.INF"), "[PATIENT]\nID=P-1\n");
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{in, "--out", out, "--pattern", "9"}, "--pattern"},
        {{in, "--out", out, "--settings", tmp.File("BINARY.INI")}, "BINARY.INI is not a settings file"},
        {{in, "--out", out, "--settings", tmp.File("TEXT.INI")}, "TEXT.INI is not a settings file (no [section]"},
        {{in, "--out", out, "--settings", tmp.File("NONE.INI")}, "NONE.INI cannot be read: No such file"},
        {{in, "--out", out, "--settings", settings, "--pattern", "5"}, "has no section [Pattern5]"},
        {{in, "--out", out, "--patient", settings}, "has no [PATIENT] section"},
        {{in, "--out", out, "--patient", tmp.File("ONE.INF")}, "names one person, but 2 recordings were given"},
        {{in, "--out", out, "--start", "2024-03-14 22:15:04"}, "a single recording; 2 were given"},
        {{in + "/A.HDR", "--out", out, "--start", "2024-02-30 25:00:00"}, "is not a start time"},
        {{in + "/A.HDR", "--out", out, "--start", "2024-02-30 12:00:00"}, "on a date that exists"},
        {{in + "/A.HDR", "--out", out, "--start", "2023-02-29 12:00:00"}, "on a date that exists"},
        {{in + "/A.HDR", "--out", out, "--start", "2024-04-31 12:00:00"}, "on a date that exists"},
        {{in + "/A.HDR", "--out", out, "--start", "1984-12-31 12:00:00"}, "1985..2084"},
        {{in + "/A.HDR", "--out", out, "--start", "2085-01-01 00:00:00"}, "1985..2084"},
        {{in, "--out", out, "--settings", tmp.File("OTHER.INI")}, "OTHER.INI has no [SYSTEM] and no [Pattern1]"},
        {{in, "--out", out, "--jobs", "0"}, "--jobs"},
        {{in}, "--out is required"},
        {{"--out", out}, "no recording given"},
        {{in, "--out", out, "--keep-age"}, "need the de-identified copy (--deidentify, or Identity=1"},
        {{in, "--out", out, "--settings", settings, "--shift-date"}, "need the de-identified copy"},
        {{in, "--out", out, "--full-identity", "--deidentify"}, "--deidentify excludes --full-identity"},
        {{in, "--out", out, "--deidentify", "--study-code", "CODE-LONGER-THAN-NINETEEN"}, "longer than 19 characters"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = RunBatch(c.args);
        EXPECT_EQ(2, r.status) << c.message << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_TRUE(FilesIn(out).empty());
}

TEST_F(BatchFolders, OutputFolderMissingOrReadOnlyIsNamed) {
    MakeRecording(ShortRecording(60), in + "/A.HDR");
    ProcessResult r = RunBatch({in, "--out", tmp.File("nowhere")});
    EXPECT_EQ(2, r.status);     // a usage error, as a missing input is
    EXPECT_NE(r.err.find("output folder " + tmp.File("nowhere") + " does not exist"), std::string::npos) << r.err;
    // A folder no file can be created in (as root, permissions do not stop
    // writing; the process file system refuses every new file).
    const std::string locked = geteuid() == 0 ? std::string("/proc") : tmp.File("locked");
    if (geteuid() != 0) {
        fs::create_directories(locked);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    }
    r = RunBatch({in, "--out", locked});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.err.find("output folder " + locked + " cannot be written"), std::string::npos) << r.err;
    // A rerun that skips what is done may find its finished tree mounted
    // read-only: only a recording that still needs writing fails, by its own reason.
    r = RunBatch({in, "--skip-existing", "--out", locked});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(r.err.find("cannot be written"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("A.HDR"), std::string::npos) << r.err;
}

TEST_F(BatchFolders, NeverWritesOverTheSources) {
    MakeVariants();
    const std::vector<std::string> before = Sources();
    // Into the recordings' own folder: every output would be a data file.
    ProcessResult r = RunBatch({in, "--out", in, "--overwrite"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.err.find("A.HDR: output " + in + "/A.DAT would overwrite the recording's own files"),
              std::string::npos) << r.err;
    // Another name for a data file: a link in the output folder.
    fs::create_symlink(in + "/B.DAT", out + "/B.DAT");
    fs::create_hard_link(in + "/C.DAT", out + "/C.DAT");
    r = RunBatch({in, "--out", out, "--overwrite"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.err.find("B.HDR: output " + out + "/B.DAT is the recording's file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("C.HDR: output " + out + "/C.DAT is the recording's file"), std::string::npos) << r.err;
    EXPECT_TRUE(EdfReader(out + "/A.DAT").ok());
    EXPECT_EQ(before, Sources());
}

TEST_F(BatchFolders, ExistingOutputIsKeptUnlessOverwriteIsGiven) {
    MakeRecording(ShortRecording(60), in + "/A.HDR");
    WriteFile(out + "/A.DAT", "earlier output");
    ProcessResult r = RunBatch({in, "--out", out});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.err.find("A.DAT exists (--overwrite replaces it"), std::string::npos) << r.err;
    EXPECT_EQ("earlier output", ReadFile(out + "/A.DAT"));
    r = RunBatch({in, "--out", out, "--overwrite"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_TRUE(EdfReader(out + "/A.DAT").ok());
}

TEST_F(BatchFolders, AFullDiskFailsThatRecordingAndLeavesNoOutput) {
    MakeRecording(ShortRecording(600), in + "/BIG.HDR");     // about 2.9 MB of PSG file
    MakeRecording(ShortRecording(60), in + "/SMALL.HDR");
    // Files may grow to 1 MiB only: a write beyond fails as on a full disk.
    const ProcessResult r = RunBatch({in, "--out", out, "--all-channels"}, "", "ulimit -f 1024; trap '' XFSZ;");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.err.find("BIG.HDR: write failed in " + out + "/BIG.DAT."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("File too large; output removed"), std::string::npos) << r.err;
    EXPECT_EQ(std::vector<std::string>{"SMALL.DAT"}, FilesIn(out));
    EXPECT_TRUE(EdfReader(out + "/SMALL.DAT").ok());
}

TEST_F(BatchFolders, TheStartOfASingleRecordingIsCorrected) {
    MakeRecording(ShortRecording(60), in + "/A.HDR");
    const ProcessResult r = RunBatch({in + "/A.HDR", "--out", out, "--start", "2023-01-02T03:04:05"});
    ASSERT_EQ(0, r.status) << r.err;
    EdfReader edf(out + "/A.DAT");
    ASSERT_TRUE(edf.ok());
    EXPECT_EQ(2023, edf.hdr().startdate_year);
    EXPECT_EQ(2, edf.hdr().startdate_day);
    EXPECT_EQ(3 * 3600 + 4 * 60 + 5, edf.hdr().starttime_hour * 3600 + edf.hdr().starttime_minute * 60 +
                                         edf.hdr().starttime_second);
    EXPECT_EQ(8, edf.hdr().edfsignals);    // the default pattern switches on channels 1..8
}

// A data file cut short fails, naming both lengths, unless --accept-short
// converts what it holds; the summary still lists it.
TEST_F(BatchFolders, AShortDataFileFailsUnlessAccepted) {
    MakeRecording(ShortRecording(600), in + "/CUT.HDR");
    fs::resize_file(in + "/CUT.DAT", 200 * 150 * 12 * 2);
    ProcessResult r = RunBatch({in, "--out", out});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.err.find("CUT.HDR: data file shorter than its header: the header announces 0:10:00, the data "
                         "file holds 0:02:30"),
              std::string::npos) << r.err;
    EXPECT_TRUE(FilesIn(out).empty());
    r = RunBatch({in, "--out", out, "--accept-short"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(r.out.find("converted: data file shorter than its header"), std::string::npos) << r.out;
    EdfReader edf(out + "/CUT.DAT");
    ASSERT_TRUE(edf.ok());
    EXPECT_EQ(150, edf.hdr().datarecords_in_file);
}

// A pattern made for more channels than a recording has is refused with the
// channels named; the recording with enough channels converts.
TEST_F(BatchFolders, APatternSwitchingOnMissingChannelsIsRefused) {
    MakeRecording(ShortRecording(60, 8), in + "/EIGHT.HDR");
    MakeRecording(ShortRecording(60, 12), in + "/TWELVE.HDR");
    const ProcessResult r = RunBatch({in, "--out", out, "--settings", settings, "--pattern", "3"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.err.find("EIGHT.HDR: refused pattern: Pattern3 switches on channel(s) 9, 10, 11, 12, which this "
                         "recording (8 channels) does not have"),
              std::string::npos) << r.err;
    EXPECT_EQ(std::vector<std::string>{"TWELVE.DAT"}, FilesIn(out));
}

// Without a patient file nothing about the patient is made up: the identity
// is unknown ("X"), no age, height or weight. With one, the age is the age
// on the night. Every file names its recording and the converter.
TEST_F(BatchFolders, PatientIdentityIsUnknownOrTheAgeOnTheNight) {
    MakeRecording(ShortRecording(30, 4), in + "/A.HDR");
    ProcessResult r = RunBatch({in + "/A.HDR", "--out", out});
    ASSERT_EQ(0, r.status) << r.err;
    {
        EdfReader edf(out + "/A.DAT");
        ASSERT_TRUE(edf.ok());
        EXPECT_EQ("X X X X ", ReadFile(out + "/A.DAT").substr(8, 8));   // EDFlib reads code and birth date as unknown
        EXPECT_STREQ("", edf.hdr().patientcode);
        EXPECT_EQ(0, edf.hdr().birthdate_year);
        const std::vector<std::string> texts = edf.AnnotationTexts();
        for (const std::string& text : texts)
            for (const char* made : {"Age:", "Height:", "Weight:", "Facility:"}) EXPECT_NE(0u, text.rfind(made, 0)) << text;
        EXPECT_NE(std::find(texts.begin(), texts.end(), "Source recording: A.HDR"), texts.end());
        const std::string converter = "Converter: " CONVERTER_NAME " " CONVERTER_VERSION_TEXT "; settings sha256 ";
        EXPECT_NE(std::find_if(texts.begin(), texts.end(),
                               [&](const std::string& t) { return t.rfind(converter, 0) == 0 && t.size() == converter.size() + 64; }),
                  texts.end());
    }
    WriteFile(tmp.File("P.INF"), "[PATIENT]\nID=P-7\nYear=1962\nMonth=5\nDay=20\nAgeYear=64\nAgeMonth=7\n");
    r = RunBatch({in + "/A.HDR", "--out", out, "--overwrite", "--patient", tmp.File("P.INF"), "--start",
                  "2023-11-02 22:00:00"});
    ASSERT_EQ(0, r.status) << r.err;
    EdfReader edf(out + "/A.DAT");
    ASSERT_TRUE(edf.ok());
    EXPECT_STREQ("P-7", edf.hdr().patientcode);
    const std::vector<std::string> texts = edf.AnnotationTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Age: 61Y05M"), texts.end());   // 20 May not yet reached
}

// A patient file holds what it holds: every key it lacks is unknown, given
// through --patient or as NAME.INF beside the recording.
TEST_F(BatchFolders, APatientFileWithOneKeyLeavesTheRestUnknown) {
    MakeRecording(ShortRecording(30, 4), in + "/A.HDR");
    WriteFile(tmp.File("P.INF"), "[PATIENT]\r\nID=LAB-0042\r\n");
    WriteFile(in + "/A.INF", "[PATIENT]\r\nID=LAB-0042\r\n");
    for (const bool beside : {false, true}) {
        SCOPED_TRACE(beside);
        std::vector<std::string> args = {in + "/A.HDR", "--out", out, "--overwrite"};
        if (!beside) args.insert(args.end(), {"--patient", tmp.File("P.INF")});
        else WriteFile(tmp.File("P.INF"), "[PATIENT]\r\nID=WRONG\r\nName1=Not this one\r\n");
        const ProcessResult r = RunBatch(args);
        ASSERT_EQ(0, r.status) << r.err;
        EXPECT_EQ("LAB-0042 X X X ", ReadFile(out + "/A.DAT").substr(8, 15));
        EdfReader edf(out + "/A.DAT");
        ASSERT_TRUE(edf.ok());
        EXPECT_STREQ("LAB-0042", edf.hdr().patientcode);
        EXPECT_EQ(0, edf.hdr().birthdate_year);
        for (const std::string& text : edf.AnnotationTexts())
            for (const char* made : {"Patient name:", "Patient kana:", "Age:", "Height:", "Weight:", "Facility:"})
                EXPECT_NE(0u, text.rfind(made, 0)) << text;
    }
}

// --deidentify writes the identity fields and the start of the header byte
// for byte as the window program's engine run with the same choices, and
// the patient file's name reaches neither.
TEST_F(BatchFolders, TheDeidentifiedCopyMatchesTheWindowProgram) {
    const TaffGenOptions recording = ShortRecording(20, 4);
    MakeRecording(recording, in + "/N.HDR");
    const std::string patient = tmp.File("PATIENT.INF");
    WriteFile(patient, "[PATIENT]\r\nID=A-0815\r\nName1=Hanako Sato\r\nSex=F\r\nYear=1972\r\nMonth=11\r\n"
                      "Day=5\r\nAgeYear=52\r\nAgeMonth=3\r\nTechnician=Night nurse Ito\r\n");
    const ProcessResult r = RunBatch({in + "/N.HDR", "--out", out, "--patient", patient, "--comment", "Bed 4",
                                      "--deidentify", "--study-code", "S-17", "--keep-sex", "--shift-date",
                                      "--verify"});   // the read-back knows the date was moved
    ASSERT_EQ(0, r.status) << r.err;
    const std::string batch = ReadFile(out + "/N.DAT");

    StateOwner s;
    OpenRecording(*s, recording, tmp.File("W.HDR"), tmp.File("W.DAT"));
    IniFile ini;
    ASSERT_EQ(IniFile::kLoaded, ini.Load(patient.c_str()));
    LoadPatientKeys(s->patient, ini, kNoKeysFirstStart);
    CopyText(s->conv.recordingComment, sizeof s->conv.recordingComment, "Bed 4");
    IdentityOptions& id = s->settings.identity;
    id.mode = kIdentityResearch;
    CopyText(id.studyCode, sizeof id.studyCode, "S-17");
    id.keepSex = 1;
    id.replaceStartDate = 1;
    ASSERT_EQ(kRunCompleted, RunConversion(*s).end);
    const std::string window = ReadFile(tmp.File("W.DAT"));

    ASSERT_GE(batch.size(), 256u);
    ASSERT_GE(window.size(), 256u);
    // Patient and recording identification, start date and time.
    EXPECT_EQ(window.substr(8, 184 - 8), batch.substr(8, 184 - 8));
    EXPECT_EQ("S-17 F X X", batch.substr(8, 10));
    EXPECT_EQ("01.01.85", batch.substr(168, 8));
    for (const char* secret : {"Hanako", "Sato", "A-0815", "Night nurse", "Bed 4", "1972"})
        EXPECT_EQ(std::string::npos, batch.find(secret)) << secret;
}

// The identity the settings file chose (SYSTEM/Identity and its options),
// under the command line's options, which win; the summary line names it.
TEST(BatchIdentity, TheSettingsFileChoosesAndTheCommandLineWins) {
    TempDir tmp;
    WriteFile(tmp.File("COPY.INI"), "[SYSTEM]\nIdentity=1\nStudyCode=LAB-S9\nKeepAge=1\nShiftStart=1\n");
    WriteFile(tmp.File("FULL.INI"), "[SYSTEM]\nIdentity=0\nStudyCode=UNUSED\n");
    const struct {
        const char* file;
        std::vector<std::string> args;
        const char* summary;
    } cases[] = {
        {"COPY.INI", {},
         "identity: de-identified copy (study code LAB-S9; kept: age; start moved to 1985-01-01), from the settings file"},
        {"COPY.INI", {"--full-identity"}, "identity: full (--full-identity)"},
        {"COPY.INI", {"--study-code", "CLI-1", "--keep-sex"},
         "identity: de-identified copy (study code CLI-1; kept: age, sex; start moved to 1985-01-01), from the "
         "settings file"},
        {"COPY.INI", {"--deidentify", "--keep-sex"}, "identity: de-identified copy (study code none; kept: sex)"},
        {"FULL.INI", {}, "identity: full"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"taff2psg", "A.HDR", "--out", tmp.path(), "--settings", tmp.File(c.file)};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        BatchOptions o;
        std::ostringstream out, err;
        ASSERT_EQ(-1, ParseBatchOptions(int(argv.size()), argv.data(), o, out, err)) << err.str();
        BatchSetup setup;
        std::string error;
        ASSERT_TRUE(LoadBatchSetup(o, setup, &error)) << error;
        EXPECT_EQ(c.summary, IdentitySummary(o, setup.settings));
        EXPECT_EQ(c.summary[10] == 'd' ? kIdentityResearch : kIdentityFull, setup.settings.identity.mode);
    }
}

// A lab that chose the de-identified copy in the window program gets it from
// taff2psg run with the same settings file, and the summary says so;
// --full-identity writes the names.
TEST_F(BatchFolders, TheSettingsFilesIdentityChoiceIsHonoured) {
    MakeRecording(ShortRecording(20, 16), in + "/N.HDR");
    WriteFile(settings, "[SYSTEM]\r\nFrameTime=2\r\nIdentity=1\r\nStudyCode=S-9\r\nKeepSex=1\r\n"
                        "[Pattern1]\r\nPATTERN=Default\r\n");
    WriteFile(in + "/N.INF", "[PATIENT]\r\nID=A-0815\r\nName1=Hanako Sato\r\nSex=F\r\n");
    ProcessResult r = RunBatch({in, "--out", out, "--settings", settings});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(r.out.find("identity: de-identified copy (study code S-9; kept: sex), from the settings file"),
              std::string::npos) << r.out;
    std::string file = ReadFile(out + "/N.DAT");
    EXPECT_EQ("S-9 F X X", file.substr(8, 9));
    for (const char* secret : {"Hanako", "Sato", "A-0815"}) EXPECT_EQ(std::string::npos, file.find(secret)) << secret;

    r = RunBatch({in, "--out", out, "--settings", settings, "--full-identity", "--overwrite"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(r.out.find("identity: full (--full-identity)"), std::string::npos) << r.out;
    file = ReadFile(out + "/N.DAT");
    EXPECT_EQ("A-0815 F X Hanako_Sato", file.substr(8, 22));
}

// The options a text names: long ones ("--name") and short ones ("-x" just
// before a comma, as both texts list them: "-r,--recursive", "\-r ", " \-\-recursive").
std::set<std::string> OptionsNamed(std::string text) {
    for (size_t at; (at = text.find("\\-")) != std::string::npos;) text.replace(at, 2, "-");
    std::set<std::string> names;
    static const std::regex kLong("--[a-z][a-z-]*[a-z]"), kShort("(^|[ \\t])(-[a-zA-Z])( *\"?, *\"? *--|,--)");
    for (std::sregex_iterator i(text.begin(), text.end(), kLong), end; i != end; ++i) names.insert(i->str());
    for (std::sregex_iterator i(text.begin(), text.end(), kShort), end; i != end; ++i) names.insert((*i)[2].str());
    return names;
}

// The manual page lists every option --help lists, and no other.
TEST(BatchManual, ListsTheOptionsOfTheHelp) {
    char name[] = "taff2psg", help[] = "--help";
    char* argv[] = {name, help};
    BatchOptions o;
    std::ostringstream out, err;
    ASSERT_EQ(0, ParseBatchOptions(2, argv, o, out, err));
    const std::set<std::string> inHelp = OptionsNamed(out.str());
    const std::set<std::string> inManual = OptionsNamed(ReadFile(BATCH_MANUAL_PAGE));
    ASSERT_GT(inHelp.size(), 30u);
    for (const std::string& option : inHelp) EXPECT_EQ(1u, inManual.count(option)) << option << " missing in the manual page";
    for (const std::string& option : inManual) EXPECT_EQ(1u, inHelp.count(option)) << option << " is not in --help";
    EXPECT_EQ(1u, inHelp.count("-r"));
    EXPECT_EQ(1u, inManual.count("-r"));
}

// Starts taff2psg with `args` and returns its process id.
pid_t SpawnBatch(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(TAFF2PSG)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, TAFF2PSG, nullptr, nullptr, argv.data(), environ);
    return pid;
}

bool HasPartFile(const std::string& dir) {
    for (const std::string& name : FilesIn(dir))
        if (name.find(".part") != std::string::npos) return true;
    return false;
}

// Ctrl-C, a closed terminal and a polite kill stop the run alike: the
// unfinished output removed, no further recording started, and the status
// the shell gives a stop by that signal.
TEST_F(BatchFolders, AnInterruptedBatchLeavesNoFinishedLookingFile) {
    for (const char* name : {"N1.HDR", "N2.HDR", "N3.HDR"}) MakeRecording(ShortRecording(1200, 16), in + "/" + name);
    for (const int sig : {SIGINT, SIGHUP, SIGTERM}) {
        SCOPED_TRACE(strsignal(sig));
        fs::remove_all(out);
        fs::create_directories(out);
        const pid_t pid = SpawnBatch({in, "--out", out, "--jobs", "1", "--quiet", "--all-channels"});
        ASSERT_GT(pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        // Seen once is enough: the file may be finished and renamed before a
        // second look.
        bool writing = false;
        while (!(writing = HasPartFile(out)) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (!writing) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        ASSERT_TRUE(writing);
        kill(pid, sig);
        int raw = 0;
        waitpid(pid, &raw, 0);
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(128 + sig, WEXITSTATUS(raw));
        EXPECT_FALSE(HasPartFile(out));
        const std::vector<std::string> left = FilesIn(out);
        EXPECT_LT(left.size(), 3u);
        for (const std::string& name : left) {   // what is there is whole
            EdfReader edf(out + "/" + name);
            ASSERT_TRUE(edf.ok()) << name;
            EXPECT_EQ(1200, edf.hdr().datarecords_in_file) << name;
        }
    }
}

}  // namespace
