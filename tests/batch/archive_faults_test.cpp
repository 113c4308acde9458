// What a batch's outputs and manifest lines say is true: an output damaged
// in place is read back (--verify) and converted again; one made with other
// settings is not counted as done; an output another run holds or placed
// is left to it; no name differing only in letter case from a recording's
// file is made; a skipped line gives the file's own columns; an empty data
// file and a header that is not one are told apart.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "batch_test_support.h"
#include "filekit/filekit.h"
#include "filekit/sha256.h"
#include "job_fixture.h"

namespace {

namespace fs = std::filesystem;

struct Faults : ::testing::Test {
    TempDir tmp;
    std::string in = tmp.File("archive"), out = tmp.File("psg"), manifest = tmp.File("m.jsonl");
    void SetUp() override {
        fs::create_directories(in);
        fs::create_directories(out);
        MakeRecording(ShortRecording(40, 4), in + "/N1.HDR");
        MakeRecording(ShortRecording(30, 3), in + "/N2.HDR");
    }
    // The value of `key` in the last manifest line of `input` ("" when none).
    std::string Last(const std::string& input, const std::string& key) {
        const std::string text = ReadFile(manifest);
        std::string found;
        const std::regex field("\"" + key + "\":(\"([^\"]*)\"|([^,}]*))");
        size_t at = 0;
        while (at < text.size()) {
            const size_t end = text.find('\n', at);
            const std::string line = text.substr(at, end - at);
            std::smatch m;
            if (line.find("\"input\":\"" + input + "\"") != std::string::npos && std::regex_search(line, m, field))
                found = m[2].matched ? m[2].str() : m[3].str();
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return found;
    }
    std::string Hash(const std::string& path) {
        std::string hex;
        return Sha256OfFile(path, hex) ? hex : "";
    }
};

TEST_F(Faults, ADamagedOutputIsVerifiedAndConvertedAgain) {
    ASSERT_EQ(0, RunBatch({in, "--out", out, "-q", "--manifest", manifest}).status);
    const std::string whole = ReadFile(out + "/N1.DAT");
    std::string damaged = whole;
    damaged[damaged.size() - 300] ^= 0x10;     // one sample byte
    WriteFile(out + "/N1.DAT", damaged);
    // Without --verify only the file's shape is judged: counted as done.
    ProcessResult r = RunBatch({in, "--out", out, "--skip-existing", "--manifest", manifest});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(damaged, ReadFile(out + "/N1.DAT"));
    r = RunBatch({in, "--out", out, "--skip-existing", "--verify", "--manifest", manifest});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(whole, ReadFile(out + "/N1.DAT"));
    EXPECT_EQ("converted", Last(in + "/N1.HDR", "result"));
    EXPECT_NE(std::string::npos, Last(in + "/N1.HDR", "reason").find("converted again: the output in place differs"));
    EXPECT_EQ(Hash(out + "/N1.DAT"), Last(in + "/N1.HDR", "output_sha256"));
    EXPECT_EQ("skipped", Last(in + "/N2.HDR", "result"));
    EXPECT_EQ("already done, verified", Last(in + "/N2.HDR", "reason"));
    // The skipped line gives the file's own channels and records.
    EXPECT_EQ("3", Last(in + "/N2.HDR", "channels"));
    EXPECT_EQ("30", Last(in + "/N2.HDR", "records"));
}

TEST_F(Faults, OutputsOfOtherSettingsAreNamedAndFailedUnlessOverwritten) {
    ASSERT_EQ(0, RunBatch({in, "--out", out, "-q"}).status);
    const std::string first = ReadFile(out + "/N1.DAT");
    ProcessResult r = RunBatch({in, "--out", out, "--skip-existing", "--frame-time", "10", "--manifest", manifest});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("output " + out + "/N1.DAT was made with other settings (--overwrite "
                                                                 "converts it again)"))
        << r.err;
    EXPECT_EQ(first, ReadFile(out + "/N1.DAT"));
    EXPECT_EQ("failed", Last(in + "/N1.HDR", "result"));
    r = RunBatch({in, "--out", out, "--skip-existing", "--overwrite", "--frame-time", "10", "--manifest", manifest});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(first, ReadFile(out + "/N1.DAT"));
    EXPECT_EQ("converted", Last(in + "/N1.HDR", "result"));
    // Now done with these settings.
    r = RunBatch({in, "--out", out, "--skip-existing", "--frame-time", "10", "-q"});
    EXPECT_EQ(0, r.status) << r.err;
}

// An output another process has claimed is left to it: no line of ours,
// no file of ours, and the run says who holds it.
TEST_F(Faults, AClaimedOutputIsLeftToTheRunHoldingIt) {
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    const pid_t holder = fork();
    if (holder == 0) {
        OutputClaim claim;
        const char ok = ClaimOutput(out + "/N1.DAT", claim, nullptr, nullptr) == kClaimTaken ? '1' : '0';
        if (write(ready[1], &ok, 1) != 1) _exit(2);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(1, read(ready[0], &ok, 1));
    ASSERT_EQ('1', ok);
    ProcessResult r = RunBatch({in, "--out", out, "--skip-existing", "--manifest", manifest});
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("being converted by another run (host " + HostName() + " pid " +
                                            std::to_string(holder) + ")"))
        << r.err;
    EXPECT_FALSE(PathExists(out + "/N1.DAT"));
    EXPECT_EQ("", Last(in + "/N1.HDR", "result"));
    EXPECT_EQ("converted", Last(in + "/N2.HDR", "result"));
    // The holder was killed: its claim is taken over by the next run.
    r = RunBatch({in, "--out", out, "--skip-existing", "-q", "--manifest", manifest});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ((std::vector<std::string>{"N1.DAT", "N2.DAT"}), FilesIn(out));
}

// A whole output placed by another run while this one converted: never
// replaced; this run's file removed and the recording counted as done.
TEST_F(Faults, AnOutputPlacedMeanwhileIsKeptAndCountsAsDoneByAnotherRun) {
    fs::create_directories(tmp.File("other"));
    ASSERT_EQ(0, RunBatch({in + "/N1.HDR", "--out", tmp.File("other"), "-q"}).status);
    struct Job : JobFixture {
        void TestBody() override {}
    } job;
    job.options.skipExisting = true;
    std::string error;
    TaffStartup();
    ASSERT_TRUE(LoadBatchSetup(job.options, job.setup, &error)) << error;
    const JobContext ctx = job.Context();
    ASSERT_TRUE(OpenJob(ctx, in + "/N1.HDR", out + "/N1.DAT", job.records, job.result));
    fs::copy_file(tmp.File("other/N1.DAT"), out + "/N1.DAT");
    WriteFile(tmp.File("other/N1.DAT"), "");     // what is in place must be the other run's file
    const std::string placed = ReadFile(out + "/N1.DAT");
    RunJob(ctx, job.records, job.progress, job.result);
    CloseJob(job.records);
    EXPECT_TRUE(job.result.converted && job.result.skipped);
    EXPECT_EQ("done by another run", job.result.reason);
    EXPECT_EQ(placed, ReadFile(out + "/N1.DAT"));
    EXPECT_EQ((std::vector<std::string>{"N1.DAT"}), FilesIn(out));
}

// Outputs written into the archive itself (--out onto it): a recording
// whose files are lower case would get an output differing only in case
// from its data file. Refused; the manifest hashes the data file.
TEST_F(Faults, NoNameDifferingOnlyInCaseFromARecordingsFile) {
    const TaffGenOptions night3 = ShortRecording(20, 2);
    MakeRecording(night3, in + "/night3.hdr");
    fs::rename(TaffGenDataPath(night3, in + "/night3.hdr"), in + "/night3.dat");
    fs::create_symlink(in, tmp.File("link"));
    ProcessResult r = RunBatch({in + "/night3.hdr", "--out", tmp.File("link"), "--manifest", manifest});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("differs only in letter case from night3.dat in its folder")) << r.err;
    EXPECT_FALSE(PathExists(in + "/night3.DAT"));
    EXPECT_EQ(Hash(in + "/night3.dat"), Last(in + "/night3.hdr", "data_sha256"));
    // An output of that name made elsewhere and copied in: the manifest still
    // names the data file the reader opens.
    WriteFile(in + "/night3.DAT", "not the data");
    r = RunBatch({in + "/night3.hdr", "--out", out, "--manifest", manifest, "-q"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(Hash(in + "/night3.dat"), Last(in + "/night3.hdr", "data_sha256"));
}

// Two headers of one folder whose names differ only in case: refused as a
// pair, the rest of the list converted.
TEST_F(Faults, ACasePairIsRefusedTheRestConverted) {
    MakeRecording(ShortRecording(20, 2), in + "/n1.hdr");
    ProcessResult r = RunBatch({"-", "--out", out, "--manifest", manifest},
                               in + "/N1.HDR\n" + in + "/n1.hdr\n" + in + "/N2.HDR\n");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("would both be written to")) << r.err;
    // Told as what it is: no folder input or --base would part them.
    EXPECT_NE(std::string::npos, r.err.find("names differ only in letter case would be written to one output")) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("different folders")) << r.err;
    EXPECT_EQ(std::vector<std::string>{"N2.DAT"}, FilesIn(out));
    EXPECT_EQ("failed", Last(in + "/N1.HDR", "result"));
    EXPECT_EQ("failed", Last(in + "/n1.hdr", "result"));
}

TEST_F(Faults, AnEmptyDataFileAndAHeaderThatIsNotOneAreToldApart) {
    fs::copy_file(in + "/N1.HDR", in + "/E.HDR");
    WriteFile(in + "/E.DAT", "");
    WriteFile(in + "/J.HDR", "not a header");
    WriteFile(in + "/J.DAT", "data");
    ProcessResult r = RunBatch({in + "/E.HDR", in + "/J.HDR", "--out", out});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("its data file E.DAT is empty")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("the header is not a TAFFmat header")) << r.err;
}

}  // namespace
