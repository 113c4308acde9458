// taff2psg's night check run as a process: --check writes the check file
// and the report beside each PSG file and judges exactly what --check-only
// judges reading the recording alone; --check-only writes no PSG file and
// is not stopped by one that exists; the verdict reaches the recording's
// line, the summary, the manifest's "check" object and, by
// --check-fail-level, the exit status.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "batch_test_support.h"
#include "tests/support/edf_reader.h"
#include "tools/taffgen/taffgen_montage.h"

namespace {

namespace fs = std::filesystem;

struct NightCheckBatch : ::testing::Test {
    TempDir tmp;
    std::string in = tmp.File("in"), out = tmp.File("out"), manifest = tmp.File("m.jsonl");
    void SetUp() override {
        fs::create_directories(in);
        fs::create_directories(out);
        MakeRecording(ShortRecording(95), in + "/N1.HDR");
        MakeRecording(ShortRecording(65), in + "/N2.HDR");
    }
    // The check file without the lines that tie it to its output (the only
    // ones --check and --check-only write differently).
    static std::string WithoutOutput(std::string json) {
        for (const char* key : {"\"output\":", "\"output_bytes\":", "\"output_sha256\":", "\"settings_sha256\":",
                                "\"report_sha256\":"}) {
            const size_t at = json.find(key);
            if (at != std::string::npos) json = json.substr(0, at) + json.substr(json.find('\n', at) + 1);
        }
        return json;
    }
};

TEST_F(NightCheckBatch, CheckWritesItsFilesBesideEachOutput) {
    const ProcessResult r = RunBatch({"--check", "--manifest", manifest, "-j", "2", "-o", out, in});
    EXPECT_EQ(1, r.status) << r.err;    // a night of a minute cannot meet four hours: fail
    EXPECT_EQ((std::vector<std::string>{"N1.DAT", "N1.check.html", "N1.check.json", "N2.DAT", "N2.check.html",
                                        "N2.check.json"}),
              FilesIn(out));
    EXPECT_NE(std::string::npos, r.out.find("converted; night fail (")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("nights checked: 0 pass, 0 warn, 2 fail")) << r.out;
    const std::string json = ReadFile(out + "/N1.check.json");
    EXPECT_NE(std::string::npos, json.find("\"verdict\": \"fail\"")) << json;
    EXPECT_NE(std::string::npos, json.find("\"rule\": \"EEG, SpO2, airflow >= 4 h\"")) << json;
    EXPECT_NE(std::string::npos, json.find("\"hours\": 0.0250")) << json;   // three 30 s epochs
    const std::string lines = ReadFile(manifest);
    EXPECT_NE(std::string::npos, lines.find("\"result\":\"converted\"")) << lines;
    EXPECT_NE(std::string::npos, lines.find(",\"check\":{\"verdict\":\"fail\",\"rule\":\"EEG, SpO2, airflow >= 4 h\""))
        << lines;
    EXPECT_NE(std::string::npos, lines.find("\"report\":\"" + out + "/N2.check.html\"}")) << lines;

    // The same night judged from the recording alone: the same check.
    const std::string alone = tmp.File("alone");
    fs::create_directories(alone);
    const ProcessResult c = RunBatch({"--check-only", "--check-fail-level", "never", "-o", alone, in + "/N1.HDR"});
    EXPECT_EQ(0, c.status) << c.err;
    EXPECT_EQ((std::vector<std::string>{"N1.check.html", "N1.check.json"}), FilesIn(alone));
    EXPECT_EQ(WithoutOutput(json), WithoutOutput(ReadFile(alone + "/N1.check.json")));
    EXPECT_NE(std::string::npos, c.out.find("checked: night fail")) << c.out;
    EXPECT_NE(std::string::npos, c.out.find("1 of 1 recording(s) checked")) << c.out;
}

TEST_F(NightCheckBatch, CheckOnlyWritesNoPsgFileAndPassesAnExistingOne) {
    WriteFile(out + "/N1.DAT", "an earlier conversion");
    WriteFile(out + "/N1.check.json", "an earlier check");
    const ProcessResult r =
        RunBatch({"--check-only", "--check-rule", "EEG >= 0 h", "--manifest", manifest, "-o", out, in + "/N1.HDR"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("an earlier conversion", ReadFile(out + "/N1.DAT"));
    const std::string json = ReadFile(out + "/N1.check.json");
    EXPECT_NE(std::string::npos, json.find("\"rule\": \"EEG >= 0 h\"")) << json;
    EXPECT_NE(std::string::npos, json.find("\"output\": null")) << json;
    const std::string line = ReadFile(manifest);
    EXPECT_NE(std::string::npos, line.find("\"result\":\"checked\"")) << line;
    EXPECT_NE(std::string::npos, line.find("\"output_sha256\":null")) << line;
    // The data file hashed beside the check's reading of it.
    EXPECT_NE(std::string::npos, line.find("\"data_sha256\":\"" + Sha256Sum(in + "/N1.DAT") + "\"")) << line;
}

// Which night verdict fails the exit status; the rule set from the
// settings file unless --check-rule gives one.
TEST_F(NightCheckBatch, ExitLevelAndRuleSet) {
    const std::string settings = tmp.File("MORLEX.INI");
    WriteFile(settings, "[SYSTEM]\r\nFrameTime=1\r\n[NIGHTCHECK]\r\nRule=EEG >= 0 h\r\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* rule;
    } const cases[] = {
        {{}, 1, "EEG, SpO2, airflow >= 4 h"},
        {{"--check-fail-level", "never"}, 0, "EEG, SpO2, airflow >= 4 h"},
        {{"--settings", settings}, 0, "EEG >= 0 h"},
        {{"--settings", settings, "--check-rule", "ECG >= 1 h"}, 1, "ECG >= 1 h"},
    };
    for (const Case& c : cases) {
        fs::remove_all(out);
        fs::create_directories(out);
        std::vector<std::string> args = {"--check-only", "-q", "-o", out, in + "/N2.HDR"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProcessResult r = RunBatch(args);
        EXPECT_EQ(c.status, r.status) << c.rule << r.err;
        EXPECT_NE(std::string::npos, ReadFile(out + "/N2.check.json").find(std::string("\"rule\": \"") + c.rule + "\""))
            << c.rule;
    }
    // A warn only fails at --check-fail-level warn: a night whose C3-A2 is
    // noisy throughout (a warned channel) and a rule it meets.
    TaffGenOptions noisy = ShortRecording(65);
    TaffGenFault hf;
    hf.kind = TaffGenFaultKind::HfArtifact, hf.channel = 0, hf.startSeconds = 0, hf.lengthSeconds = 65;
    hf.value = TaffGenFaultDefault(TaffGenFaultKind::HfArtifact, 0, noisy.channels);
    noisy.faults.push_back(hf);
    const std::string warnedIn = tmp.File("warned");
    fs::create_directories(warnedIn);
    MakeRecording(noisy, warnedIn + "/N3.HDR");
    for (const auto& level : {std::make_pair("warn", 1), std::make_pair("fail", 0)}) {
        const ProcessResult warned = RunBatch({"--check-only", "-q", "--check-rule", "EEG >= 0 h", "--check-fail-level",
                                               level.first, "-o", out, warnedIn + "/N3.HDR"});
        EXPECT_EQ(level.second, warned.status) << level.first << warned.err;
        EXPECT_NE(std::string::npos, ReadFile(out + "/N3.check.json").find("\"verdict\": \"warn\"")) << level.first;
    }

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--check", "--check-only"}, {"--check", "--check-rule", "EEG for 4 hours"},
          {"--check", "--check-fail-level", "info"}}) {
        std::vector<std::string> args = bad;
        args.insert(args.end(), {"-o", out, in + "/N2.HDR"});
        EXPECT_EQ(2, RunBatch(args).status) << bad[1];
    }
}

// With NIGHTCHECK Annotations=1 the findings of a night with a flat EEG go
// into its PSG file (and --verify passes it); with 0 none; the check the same.
TEST_F(NightCheckBatch, FindingsGoIntoThePsgFileWhenTheSettingsSaySo) {
    TaffGenOptions night = ShortRecording(180);
    TaffGenFault flat;  // flat C3-A2 from 30 s for 90 s
    flat.channel = 0, flat.startSeconds = 30, flat.lengthSeconds = 90;
    night.faults = {flat};
    MakeRecording(night, in + "/F1.HDR");
    MontagePattern pattern{};
    TaffGenMontage(night, &pattern);
    std::string json;
    for (const char* key : {"Annotations=1", "Annotations=0"}) {
        const std::string settings = tmp.File("S.INI"), dir = tmp.File(key);
        WriteFile(settings, TaffGenSettingsText(pattern) + "[NIGHTCHECK]\r\n" + key + "\r\n");
        fs::create_directories(dir);
        const ProcessResult r = RunBatch({"--check", "--verify", "--check-fail-level", "never", "--settings", settings,
                                          "-o", dir, in + "/F1.HDR"});
        EXPECT_EQ(0, r.status) << key << r.out << r.err;
        std::vector<std::string> found;  // onset and duration in 100 ns units, text
        for (const EdfAnnotation& a : EdfReader(dir + "/F1.DAT").Annotations())
            if (a.text.compare(0, 6, "Check:") == 0)
                found.push_back(std::to_string(a.onset) + " " + std::to_string(a.duration) + " " + a.text);
        EXPECT_EQ(key[12] == '1' ? std::vector<std::string>{"300000000 900000000 Check: C3-A2 flat"}
                                 : std::vector<std::string>{},
                  found);
        if (json.empty()) json = WithoutOutput(ReadFile(dir + "/F1.check.json"));
        EXPECT_EQ(json, WithoutOutput(ReadFile(dir + "/F1.check.json"))) << key;
    }
}

}  // namespace
