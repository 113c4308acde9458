// The parts of a batch over an archive, natively with plain data and real
// files: SHA-256 against published vectors, output paths mirrored and
// shared outputs found, the CPUs a process may use, manifest texts and
// times, a file hashed as it grows, and the read-back of a written PSG file
// catching a changed byte.
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>

#include "batch/file_hash.h"
#include "batch/manifest.h"
#include "batch/output_tree.h"
#include "batch/psg_verify.h"
#include "batch/run_control.h"
#include "batch_test_support.h"
#include "filekit/filekit.h"
#include "filekit/sha256.h"
#include "job_fixture.h"
#include "tests/engine/convert_test_support.h"

namespace {

namespace fs = std::filesystem;

TEST(Sha256, PublishedVectorsWholeAndInPieces) {
    const struct {
        std::string message, digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        Sha256 whole;
        whole.Add(c.message.data(), c.message.size());
        EXPECT_EQ(c.digest, whole.HexDigest()) << c.message.size();
        Sha256 pieces;   // pieces that cross the 64-byte blocks
        for (size_t at = 0, n = 1; at < c.message.size(); at += n, n = n % 97 + 7)
            pieces.Add(c.message.data() + at, std::min(n, c.message.size() - at));
        EXPECT_EQ(c.digest, pieces.HexDigest()) << c.message.size();
    }
    TempDir tmp;
    WriteFile(tmp.File("abc"), "abc");
    std::string hex;
    ASSERT_TRUE(Sha256OfFile(tmp.File("abc"), hex));
    EXPECT_EQ(cases[1].digest, hex);
    EXPECT_FALSE(Sha256OfFile(tmp.File("none"), hex));
}

TEST(OutputTree, FoldersMirroredBelowTheirInputOrBase) {
    TempDir tmp;
    const std::string a = tmp.path() + "/archive";
    const struct {
        std::string header, root, base, extension, output;
    } cases[] = {
        {a + "/N1.HDR", a, "", "", "out/N1.DAT"},
        {a + "/pB/night/N1.hdr", a, "", "", "out/pB/night/N1.DAT"},
        {a + "/pB/N1.HDR", a + "/", "", ".edf", "out/pB/N1.edf"},
        {a + "/pB/N1.HDR", "", a, ".edf", "out/pB/N1.edf"},        // a listed header below --base
        {a + "/pB/N1.HDR", "", "", "", "out/N1.DAT"},              // a header named alone
        {a + "/pB/N1.HDR", "", tmp.path() + "/other", "", "out/N1.DAT"},   // not below --base
        {a + "/pB/./x/../N1.HDR", "", a + "/.", "", "out/pB/N1.DAT"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.output, MirroredOutputPath("out", c.header, c.root, c.base, c.extension)) << c.header;

    std::string ext;
    EXPECT_TRUE(OutputExtension("edf", ext));
    EXPECT_EQ(".edf", ext);
    EXPECT_TRUE(OutputExtension(".EDF", ext));
    for (const char* bad : {".", "a/b", "..\\x", "c:"}) EXPECT_FALSE(OutputExtension(bad, ext)) << bad;
}

TEST(OutputTree, SharedOutputsNamedBothTwinsConvertedOnce) {
    const std::vector<std::string> headers{"a/N1.HDR", "b/N1.HDR", "a/N1.HDR", "c/n2.hdr", "d/N2.HDR"};
    const std::vector<std::string> outputs{"o/N1.DAT", "o/N1.DAT", "o/N1.DAT", "o/n2.DAT", "o/N2.DAT"};
    std::vector<bool> unique;
    const std::vector<std::string> pairs = SharedOutputs(headers, outputs, unique);
    ASSERT_EQ(2u, pairs.size());
    EXPECT_NE(pairs[0].find("a/N1.HDR and b/N1.HDR would both be written to o/N1.DAT"), std::string::npos);
    EXPECT_NE(pairs[1].find("c/n2.hdr and d/N2.HDR"), std::string::npos);   // letters' case: one file on many disks
    EXPECT_EQ((std::vector<bool>{true, true, false, true, true}), unique);
}

TEST(RunControl, JobsFollowTheCpusTheProcessMayUse) {
    cpu_set_t saved;
    ASSERT_EQ(0, sched_getaffinity(0, sizeof saved, &saved));
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int c = 0; c < CPU_SETSIZE; ++c)
        if (CPU_ISSET(c, &saved)) {
            CPU_SET(c, &one);
            break;
        }
    ASSERT_EQ(0, sched_setaffinity(0, sizeof one, &one));
    EXPECT_EQ(1, AllowedCpus());
    ASSERT_EQ(0, sched_setaffinity(0, sizeof saved, &saved));
    EXPECT_EQ(CPU_COUNT(&saved), AllowedCpus());
    EXPECT_EQ(130, StoppedStatus(2));
}

TEST(Manifest, TextsAreJsonAndShiftJisBecomesUtf8) {
    EXPECT_EQ("\"a\\\"b\\\\c\\u000a\"", JsonString("a\"b\\c\n"));
    EXPECT_EQ("\"\xe5\xa4\x9c.HDR\"", JsonString("\xe5\xa4\x9c.HDR"));     // UTF-8 kept
    EXPECT_EQ("\"\xe5\xa4\x9c.HDR\"", JsonString("\x96\xe9.HDR"));         // Shift-JIS converted
}

// The files' modification times as the manifest records them: UTC to the
// nanosecond, across leap days and before 1970.
TEST(Manifest, ModificationTimesInUtcToTheNanosecond) {
    TempDir tmp;
    const std::string file = tmp.File("f");
    WriteFile(file, "x");
    const struct {
        int64_t seconds, nanoseconds;
        const char* text;
    } cases[] = {
        {0, 0, "1970-01-01T00:00:00.000000000Z"},
        {951782400, 123456789, "2000-02-29T00:00:00.123456789Z"},
        {1710454504, 1, "2024-03-14T22:15:04.000000001Z"},
        {4102444800, 999999999, "2100-01-01T00:00:00.999999999Z"},
        {-1, 999999999, "1969-12-31T23:59:59.999999999Z"},
    };
    for (const auto& c : cases) {
        const timespec times[2] = {{c.seconds, c.nanoseconds}, {c.seconds, c.nanoseconds}};
        ASSERT_EQ(0, utimensat(AT_FDCWD, file.c_str(), times, 0));
        EXPECT_EQ(c.text, ModifiedText(file));
    }
    EXPECT_EQ("", ModifiedText(tmp.File("none")));
}

// A file hashed beside the run: read as it grows, with the field the
// writer fills in at the end taken ahead and checked (the file hashed
// again whole when it was not filled in so).
TEST(FileHash, FollowsAGrowingFileAndChecksItsPatch) {
    TempDir tmp;
    const std::string file = tmp.File("f");
    const struct {
        const char *first, *patch, *last, *digest;
    } cases[] = {
        {"ab??ef", "XY", "abXYef", "aff0df1c9a4d8f0966d6f1b7eb4702dd0ae7b277a39520ebd87b039c91c28d35"},
        {"ab??ef", "XY", "ab??ef", "96c8be517db77435478007a03cb52a893f6e0e8a0e2ecef6a508de8709d13cb6"},
        {"ab", "", "abcdef", "bef57ec7f53a6d40beb640a780a639c83bc29ac8a9816f1fc6c5c6dcd93c4721"},
    };
    for (const auto& c : cases) {
        WriteFile(file, c.first);
        FileHashThread hash;
        hash.Start(file, 2, 2, c.patch);
        WriteFile(file, c.last);
        hash.Allow(6);
        EXPECT_EQ(c.digest, hash.Finish()) << c.last;
    }
    FileHashThread none;
    none.Start(tmp.File("none"), 1);
    EXPECT_EQ("", none.Finish());
}

// A converted output read back: whole and equal to its recording; a byte
// changed in a sample, in the header or a cut file is caught.
struct ReadBack : JobFixture {
    void SetUp() override {
        TaffStartup();
        MakeRecording(ShortRecording(95), tmp.File("R.HDR"));
        options.allChannels = true;
        std::string error;
        ASSERT_TRUE(LoadBatchSetup(options, setup, &error)) << error;
        setup.settings.FrameTime = 2;      // a last record the recording only half fills
        const JobContext ctx{setup, options, stop, ""};
        ASSERT_TRUE(OpenJob(ctx, tmp.File("R.HDR"), tmp.File("out.edf"), records, result)) << result.reason;
        RunJob(ctx, records, progress, result);
        ASSERT_TRUE(result.converted) << result.reason;
    }
    void TearDown() override { CloseJob(records); }
    void Change(int64_t at) {
        std::string bytes = ReadFile(result.output);
        bytes[size_t(at)] = char(bytes[size_t(at)] ^ 0x01);
        WriteFile(result.output, bytes);
    }
};

TEST_F(ReadBack, AWrittenFileIsWholeAndEqualToItsRecording) {
    std::string why;
    EXPECT_TRUE(PsgFileIsWhole(result.output));
    EXPECT_TRUE(VerifyPsgFile(records, result.output, &why)) << why;
}

TEST_F(ReadBack, AChangedByteIsCaught) {
    const int64_t header = 256 * (12 + 2);
    const int64_t endMark = int64_t(ReadFile(result.output).rfind("+95\x15" "1\x14Recording ends"));
    ASSERT_GT(endMark, 0);
    const struct {
        int64_t at;
        const char* why;
    } cases[] = {
        {header + 2 * 200 * 2 * 3 + 11, "differs from the recording"},    // a sample of signal 4, record 1
        {FileBytes(result.output) - 3 * 1000, "differs from the recording"},   // the last record
        {236, "records"},                                                  // the record count
        {256 + 16 * 13 + 4, "is not source channel 1"},                   // the first transducer's source number
        {endMark + 2, "not at the end of the recording's data"},          // "Recording ends" at 94 s
        {endMark + 7, "no \"Recording ends\""},                           // its text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at);
        const std::string before = ReadFile(result.output);
        Change(c.at);
        std::string why;
        const bool same = VerifyPsgFile(records, result.output, &why);
        WriteFile(result.output, before);
        EXPECT_FALSE(same);
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
    }
    fs::resize_file(result.output, uint64_t(FileBytes(result.output) - 2));
    EXPECT_FALSE(PsgFileIsWhole(result.output));
    std::string why;
    EXPECT_FALSE(VerifyPsgFile(records, result.output, &why));
}

}  // namespace
