// taff2psg over an archive, run as a process: the output tree mirrored and
// a shared output refused, a rerun with --skip-existing converting nothing,
// outputs named for EDF tools, the manifest's lines and hashes (with two
// processes appending at once), --verify, unfinished outputs of a killed
// run reported and cleaned, a closed pipe, and a settings file with CR
// line ends read like its LF twin.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "batch/json_value.h"
#include "batch_test_support.h"
#include "filekit/filekit.h"
#include "filekit/sha256.h"
#include "tests/engine/convert_test_support.h"

namespace {

namespace fs = std::filesystem;

struct Archive : ::testing::Test {
    TempDir tmp;
    std::string in = tmp.File("archive"), out = tmp.File("psg");
    void SetUp() override {
        fs::create_directories(in + "/patientB");
        fs::create_directories(out);
        MakeRecording(ShortRecording(40, 4), in + "/NIGHT001.HDR");
        TaffGenOptions b = ShortRecording(30, 3);
        b.seed = 9;
        MakeRecording(b, in + "/patientB/NIGHT001.HDR");
    }
    // Modification times of the files below `dir`, to prove none was rewritten.
    std::vector<std::string> Stamps(const std::string& dir) {
        std::vector<std::string> stamps;
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            struct stat st;
            stat(e.path().c_str(), &st);
            stamps.push_back(e.path().string() + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
                             std::to_string(st.st_mtim.tv_nsec));
        }
        std::sort(stamps.begin(), stamps.end());
        return stamps;
    }
};

TEST_F(Archive, TheTreeIsMirroredAndASharedOutputRefusedBeforeAnything) {
    ProcessResult r = RunBatch({in, "-r", "--out", out, "-q"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_TRUE(EdfReader(out + "/NIGHT001.DAT").ok());
    EdfReader b(out + "/patientB/NIGHT001.DAT");
    ASSERT_TRUE(b.ok());
    EXPECT_EQ(3, b.hdr().edfsignals);   // its own three channels
    // Both header files named alone would meet at one output: both refused
    // (failed), the rest of the list converted.
    const std::string flat = tmp.File("flat");
    fs::create_directories(flat);
    r = RunBatch({"-", "--out", flat}, in + "/NIGHT001.HDR\n" + in + "/patientB/NIGHT001.HDR\n");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.err.find(in + "/NIGHT001.HDR and " + in + "/patientB/NIGHT001.HDR would both be written to " + flat +
                         "/NIGHT001.DAT"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(FilesIn(flat).empty());
    // The same list with --base keeps each in its folder; one header given twice is converted once.
    r = RunBatch({"-", "--out", flat, "--base", in, "-q"},
                 in + "/patientB/NIGHT001.HDR\n" + in + "/NIGHT001.HDR\n" + in + "/NIGHT001.HDR\n");
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ((std::vector<std::string>{"NIGHT001.DAT", "patientB"}), FilesIn(flat));
    EXPECT_EQ(ReadFile(out + "/patientB/NIGHT001.DAT"), ReadFile(flat + "/patientB/NIGHT001.DAT"));
}

TEST_F(Archive, ARerunWithSkipExistingConvertsNothingButAnUnfinishedOutput) {
    ASSERT_EQ(0, RunBatch({in, "-r", "--out", out, "-q"}).status);
    const std::vector<std::string> before = Stamps(out);
    ProcessResult r = RunBatch({in, "-r", "--out", out, "--skip-existing"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(r.out.find("skipped: already done"), std::string::npos) << r.out;
    EXPECT_EQ(before, Stamps(out));
    r = RunBatch({in, "-r", "--out", out});   // without it an existing output still fails
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.err.find("exists (--overwrite replaces it, --skip-existing counts it as done)"), std::string::npos);
    // An output cut short (a power cut before the flush was added) or never finished.
    const std::string whole = ReadFile(out + "/NIGHT001.DAT");
    fs::resize_file(out + "/NIGHT001.DAT", whole.size() - 100);
    std::string unfinished = ReadFile(out + "/patientB/NIGHT001.DAT");
    unfinished.replace(236, 8, "-1      ");
    WriteFile(out + "/patientB/NIGHT001.DAT", unfinished);
    r = RunBatch({in, "-r", "--out", out, "--skip-existing", "-q"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(whole, ReadFile(out + "/NIGHT001.DAT"));
    EXPECT_TRUE(EdfReader(out + "/patientB/NIGHT001.DAT").ok());
    // Both: done outputs skipped, those of other settings converted again.
    EXPECT_EQ(0, RunBatch({in, "--out", out, "--skip-existing", "--overwrite", "-q"}).status);
}

// One JSON line per recording; hashes of the data files and outputs as the
// files have them; two processes appending at once keep every line whole.
TEST_F(Archive, ManifestLinesParseAndTheirHashesMatchTheFiles) {
    for (int n = 2; n <= 6; ++n) MakeRecording(ShortRecording(20 + n, 2), in + "/patientB/N" + std::to_string(n) + ".HDR");
    WriteFile(in + "/JUNK.HDR", "not a header");
    const std::string manifest = tmp.File("manifest.jsonl");
    fs::create_directories(tmp.File("b"));
    const std::string run = "'" + std::string(TAFF2PSG) + "' --manifest '" + manifest + "' --verify --ext .edf -q -j 1 ";
    const int raw = std::system(("(" + run + "'" + in + "/patientB' --out '" + tmp.File("b") + "' & " + run + "'" + in +
                                 "' -r --out '" + out + "'; wait) 2>/dev/null")
                                    .c_str());
    ASSERT_NE(-1, raw);
    EXPECT_TRUE(MneReads(out + "/patientB/N2.edf", 2, 22.0, ""));
    EXPECT_EQ(ReadFile(out + "/patientB/N2.edf"), ReadFile(tmp.File("b/N2.edf")));
    const std::string check = "python3 -c '\nimport json,sys\nfor l in open(sys.argv[1]): json.loads(l)\n' '" +
                              manifest + "'";
    EXPECT_EQ(0, std::system(check.c_str()));
    const std::string text = ReadFile(manifest);
    const std::regex line("\\{\"input\":\"([^\"]*)\",\"output\":\"([^\"]*)\",\"result\":\"([a-z]*)\",\"reason\":\"[^\"]*\","
                          "\"channels\":(\\d+),\"records\":(\\d+),\"bytes\":(\\d+|null),"
                          "\"data_sha256\":(\"[0-9a-f]{64}\"|null),\"output_sha256\":(\"[0-9a-f]{64}\"|null),"
                          "\"converter_version\":\"[0-9.]+\",\"settings_sha256\":\"[0-9a-f]{64}\","
                          "\"seconds\":(\\d+|null),\"patient_id\":null,\"start\":(\"2024-03-14T22:15:04\"|null),"
                          "\"recorder\":\\{\"device\":(\"DR-SYNTH\"|null),\"slot\":null,\"serial\":null,"
                          "\"id_no\":(\"1\"|null)\\},\"data_bytes\":(\\d+|null),"
                          "\"data_modified\":(\"\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{9}Z\"|null),"
                          "\"output_modified\":(\"[-0-9T:.Z]+\"|null)\\}\n");
    int lines = 0, converted = 0, failed = 0;
    for (std::sregex_iterator m(text.begin(), text.end(), line), end; m != end; ++m, ++lines) {
        const std::string input = (*m)[1], output = (*m)[2], result = (*m)[3];
        if (result == "failed") {
            ++failed;
            EXPECT_NE(input.find("JUNK.HDR"), std::string::npos);
            continue;
        }
        ++converted;
        EXPECT_EQ("\"" + Sha256Sum(output) + "\"", (*m)[8].str()) << output;
        EXPECT_EQ("\"" + Sha256Sum(input.substr(0, input.size() - 3) + "DAT") + "\"", (*m)[7].str()) << input;
        EXPECT_EQ(std::to_string(FileBytes(output)), (*m)[6].str());
        EXPECT_EQ(std::to_string(FileBytes(input.substr(0, input.size() - 3) + "DAT")), (*m)[13].str());
    }
    EXPECT_EQ(size_t(lines), size_t(std::count(text.begin(), text.end(), '\n'))) << text;
    EXPECT_EQ(1, failed);       // JUNK.HDR
    EXPECT_EQ(13, converted);   // six in one run, seven in the other
}

// A rerun takes the hashes of files unchanged since their last manifest
// line from it, without reading them: files changed in place with their
// size and time kept keep their old hashes; once their time moves, or in a
// manifest of an older version (no sizes and times), they are hashed again.
TEST_F(Archive, ARerunTakesTheHashesOfUnchangedFilesFromTheManifest) {
    const std::string manifest = tmp.File("m.jsonl"), data = in + "/NIGHT001.DAT", output = out + "/NIGHT001.DAT";
    // The data file's and the output's hash in the last line of a rerun.
    const auto rerun = [&] {
        EXPECT_EQ(0, RunBatch({in + "/NIGHT001.HDR", "--out", out, "--skip-existing", "--manifest", manifest, "-q"}).status);
        const std::string text = ReadFile(manifest);
        JsonValue line;
        EXPECT_TRUE(ParseJson(text.substr(text.rfind('\n', text.size() - 2) + 1), line)) << text;
        return line["data_sha256"].Text() + " " + line["output_sha256"].Text();
    };
    // Flips a byte past the output's header, keeping the size and time.
    const auto changeInPlace = [](const std::string& path) {
        const auto stamp = fs::last_write_time(path);
        std::string bytes = ReadFile(path);
        bytes[bytes.size() - 3] ^= 0x55;
        WriteFile(path, bytes);
        fs::last_write_time(path, stamp);
    };
    const std::string first = rerun();
    EXPECT_EQ(Sha256Sum(data) + " " + Sha256Sum(output), first);
    changeInPlace(data);
    changeInPlace(output);
    EXPECT_EQ(first, rerun());
    for (const std::string& path : {data, output}) fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(1));
    const std::string second = rerun();
    EXPECT_EQ(Sha256Sum(data) + " " + Sha256Sum(output), second);
    EXPECT_NE(first, second);
    // The manifest of an older version.
    WriteFile(manifest, std::regex_replace(ReadFile(manifest), std::regex(",\"data_bytes\".*\"output_modified\":\"[^\"]*\""), ""));
    changeInPlace(data);
    changeInPlace(output);
    EXPECT_EQ(Sha256Sum(data) + " " + Sha256Sum(output), rerun());
}

TEST_F(Archive, UnfinishedOutputsOfAKilledRunAreNamedAndCleaned) {
    fs::create_directories(out + "/patientB");
    WriteFile(out + "/NIGHT001.DAT.999999999-1.part", "half");
    WriteFile(out + "/patientB/NIGHT001.DAT.999999999-2.part", "half");
    ProcessResult r = RunBatch({in + "/NIGHT001.HDR", "--out", out, "-q"});
    EXPECT_EQ(0, r.status);
    EXPECT_NE(r.err.find("1 unfinished output(s) of an earlier, killed run (--clean removes them)"), std::string::npos)
        << r.err;
    r = RunBatch({"--clean", "--out", out});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(r.err.find("removed 2 unfinished output(s)"), std::string::npos) << r.err;
    EXPECT_EQ((std::vector<std::string>{"NIGHT001.DAT", "patientB"}), FilesIn(out));
}

TEST_F(Archive, AClosedPipeEndsNothing) {
    const std::string command = "set -o pipefail; '" + std::string(TAFF2PSG) + "' '" + in + "' -r --out '" + out +
                                "' 2>/dev/null | head -c 1 >/dev/null";
    const int raw = std::system(("/bin/bash -c \"" + command + "\"").c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << raw;
    EXPECT_TRUE(EdfReader(out + "/patientB/NIGHT001.DAT").ok());
}

TEST_F(Archive, ASettingsFileWithCrLineEndsIsReadLikeItsLfTwin) {
    const std::string lf = "[SYSTEM]\nFrameTime=4\n[Pattern2]\nChEnable=0,1,1,0,\nChLabel2=EEG C4\n";
    std::string cr = lf;
    std::replace(cr.begin(), cr.end(), '\n', '\r');
    WriteFile(tmp.File("LF.INI"), lf);
    WriteFile(tmp.File("CR.INI"), cr);
    fs::create_directories(tmp.File("cr"));
    ASSERT_EQ(0, RunBatch({in + "/NIGHT001.HDR", "--out", out, "--settings", tmp.File("LF.INI"), "--pattern", "2"}).status);
    ASSERT_EQ(0, RunBatch({in + "/NIGHT001.HDR", "--out", tmp.File("cr"), "--settings", tmp.File("CR.INI"), "--pattern",
                           "2"}).status);
    // Alike but for the hash of the settings file's bytes they name.
    EXPECT_EQ(WithoutSettingsHash(ReadFile(out + "/NIGHT001.DAT")), WithoutSettingsHash(ReadFile(tmp.File("cr/NIGHT001.DAT"))));
    EdfReader edf(tmp.File("cr/NIGHT001.DAT"));
    ASSERT_TRUE(edf.ok());
    EXPECT_EQ(2, edf.hdr().edfsignals);
    EXPECT_EQ(10, edf.hdr().datarecords_in_file);
}

}  // namespace
