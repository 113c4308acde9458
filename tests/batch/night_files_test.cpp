// A night's files in the output tree as reruns find them: a done PSG file
// whose check is missing, torn or of another file gets its check made again
// without being converted; skipped lines carry the check, and the exit
// status and summary count skipped nights too; --skip-existing --verify
// finds one changed byte anywhere in an output and converts it again; the
// archive report counts the nights of a tree with known faults.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "batch_test_support.h"
#include "engine/recorder_identity.h"

namespace {

namespace fs = std::filesystem;

struct NightFiles : ::testing::Test {
    TempDir tmp;
    std::string in = tmp.File("in"), out = tmp.File("out"), manifest = tmp.File("out/manifest.jsonl");
    void SetUp() override {
        fs::create_directories(in);
        fs::create_directories(out);
        MakeRecording(ShortRecording(95), in + "/N1.HDR");
        MakeRecording(ShortRecording(65), in + "/N2.HDR");
    }
    ProcessResult Check(std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"--check", "--skip-existing", "--manifest", manifest, "-o", out, in};
        args.insert(args.end(), more.begin(), more.end());
        return RunBatch(args);
    }
    // The manifest's last line of `name`.
    std::string LastLine(const std::string& name) const {
        const std::string text = ReadFile(manifest);
        size_t at = text.rfind("{\"input\":\"" + in + "/" + name + "\"");
        return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
    }
};

TEST_F(NightFiles, ALostOrStaleCheckIsMadeAgainWithoutConverting) {
    ASSERT_EQ(1, Check().status);   // two short nights fail the default rule set
    const std::string psg = out + "/N1.DAT", json = out + "/N1.check.json", html = out + "/N1.check.html";
    const std::string bytes = ReadFile(psg), check = ReadFile(json);
    struct Case {
        const char* what;
        void (*spoil)(const std::string& json, const std::string& html);
        const char* why;
    } const cases[] = {
        {"check file lost", [](const std::string& j, const std::string&) { fs::remove(j); },
         "its check file was missing"},
        {"report lost", [](const std::string&, const std::string& h) { fs::remove(h); }, "its report was missing"},
        {"check file torn",
         [](const std::string& j, const std::string&) { WriteFile(j, ReadFile(j).substr(0, 300)); },
         "its check file was damaged"},
        {"report of another check",
         [](const std::string&, const std::string& h) { WriteFile(h, ReadFile(h) + " "); },
         "its report differed from its check file"},
        {"check of another PSG file",
         [](const std::string& j, const std::string&) {
             std::string text = ReadFile(j);
             const size_t at = text.find("\"output_sha256\": \"") + 18;
             text[at] = text[at] == '0' ? '1' : '0';
             WriteFile(j, text);
         },
         "its check belonged to another PSG file"},
    };
    for (const Case& c : cases) {
        const auto written = fs::last_write_time(psg);
        c.spoil(json, html);
        const ProcessResult r = Check();
        EXPECT_EQ(1, r.status) << c.what << r.err;
        EXPECT_EQ(written, fs::last_write_time(psg)) << c.what;     // not converted again
        EXPECT_EQ(bytes, ReadFile(psg)) << c.what;
        EXPECT_EQ(check, ReadFile(json)) << c.what;
        const std::string line = LastLine("N1.HDR");
        EXPECT_NE(std::string::npos, line.find("\"result\":\"skipped\",\"reason\":\"already done; check made again (" +
                                               std::string(c.why) + ")\""))
            << c.what << "\n" << line;
        EXPECT_NE(std::string::npos, line.find("\"remade\":true}")) << line;
        // The other night's check stays and its line carries it.
        const std::string other = LastLine("N2.HDR");
        EXPECT_NE(std::string::npos, other.find("\"reason\":\"already done\"")) << other;
        EXPECT_NE(std::string::npos, other.find(",\"check\":{\"verdict\":\"fail\",\"rule\":\"EEG, SpO2, airflow >= 4 h\","
                                                "\"findings\":{"))
            << other;
        EXPECT_EQ(std::string::npos, other.find("remade")) << other;
    }
}

// The exit level and the summary count the nights a rerun skipped.
TEST_F(NightFiles, SkippedNightsCountInTheExitStatusAndSummary) {
    ASSERT_EQ(1, Check().status);
    ProcessResult r = Check();
    EXPECT_EQ(1, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("skipped: already done; night fail (")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("nights checked: 0 pass, 0 warn, 2 fail")) << r.out;
    EXPECT_EQ(0, Check({"--check-fail-level", "never"}).status);
    // Another rule set: the checks are made again.
    r = Check({"--check-rule", "EEG >= 0 h", "--check-fail-level", "never"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, LastLine("N2.HDR").find("check made again (its check was made with another rule set)"));
    // A rerun without --check keeps the checks in place in its lines; their
    // verdicts are not its exit status.
    WriteFile(out + "/N2.check.json", "{\"verdict\":\"fail\"}\n");  // one of another night
    r = RunBatch({"--skip-existing", "--check-fail-level", "warn", "--manifest", manifest, "-o", out, in});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, LastLine("N1.HDR").find(",\"check\":{\"verdict\":\"")) << LastLine("N1.HDR");
    EXPECT_EQ(std::string::npos, LastLine("N2.HDR").find("\"check\"")) << LastLine("N2.HDR");
}

// One byte changed in the header, a sample or the annotation signal of the
// last record: --verify finds it and converts the output again.
TEST_F(NightFiles, VerifyFindsOneChangedByteAnywhere) {
    ASSERT_EQ(0, RunBatch({"-q", "-o", out, in + "/N1.HDR"}).status);
    const std::string psg = out + "/N1.DAT", original = ReadFile(psg);
    struct Case {
        int64_t at;     // from the start; below 0 from the end
        const char* where;
    } const cases[] = {
        {100, "byte 100 differs, in the header"},
        {2560 + 11, "byte 2571 differs, in sample 6 of signal 1 in record 1"},
        {-100, "the annotations of record 95"},
    };
    for (const Case& c : cases) {
        std::string spoilt = original;
        const size_t at = size_t(c.at >= 0 ? c.at : int64_t(spoilt.size()) + c.at);
        spoilt[at] = spoilt[at] == 0x55 ? 0x56 : 0x55;
        WriteFile(psg, spoilt);
        const ProcessResult r = RunBatch({"--skip-existing", "--verify", "--manifest", manifest, "-o", out, in + "/N1.HDR"});
        EXPECT_EQ(0, r.status) << c.where << r.err;
        EXPECT_EQ(original, ReadFile(psg)) << c.where;
        EXPECT_NE(std::string::npos, r.out.find("the output in place differs from its conversion (")) << r.out;
        EXPECT_NE(std::string::npos, r.out.find(c.where)) << r.out;
    }
    const ProcessResult same = RunBatch({"--skip-existing", "--verify", "-o", out, in + "/N1.HDR"});
    EXPECT_NE(std::string::npos, same.out.find("skipped: already done")) << same.out;
    EXPECT_EQ(original, ReadFile(psg));
}

// The recorder's identity from the header's lines after DATA, as the
// manifest and the check file name it.
TEST(RecorderIdentity, FromTheRecordersLinesAfterData) {
    const std::string common = "DATASET N\r\nDEVICE NOT-THIS\r\nNUM_SERIES 2\r\nDATA\r\n";
    struct Case {
        std::string after;
        const char* text;
    } const cases[] = {
        {"DEVICE DR-SYNTH\r\nCH1_1 DC_AMP\r\nID_NO 1\r\nID_END\r\n", "DR-SYNTH ID 1"},
        {"device  RX-8 \nSLOT_NO 2\nSERIAL_NO 0042-A\nID_NO 3\nDEVICE LATER\n", "RX-8 slot 2 serial 0042-A ID 3"},
        {"SERIAL 77\r\n", "serial 77"},
        {"", ""},                                   // a recorder that leaves its part out
        {"DEVICE " + std::string(80, 'X') + "\r\n", "XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, RecorderText(ParseRecorderIdentity(common + c.after))) << c.after;
}

}  // namespace
