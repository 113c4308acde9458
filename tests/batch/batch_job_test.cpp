// A batch job driven stage by stage: a recording whose data file shrinks
// after it was opened has blocks the reader cannot deliver; the frame step
// writes them with each channel's last sample, marks and counts them, and the job reports the recording
// as failed and removes its output, or keeps it when gaps are accepted.
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "batch/batch_job.h"
#include "batch/output_tree.h"
#include "batch_test_support.h"
#include "filekit/filekit.h"
#include "job_fixture.h"
#include "tests/engine/convert_test_support.h"

namespace {

namespace fs = std::filesystem;

struct ShrunkRecording : JobFixture {
    // Opens a 5-minute recording, then cuts its data file to 90 seconds.
    void OpenShrunk() {
        TaffStartup();
        const TaffGenOptions o = ShortRecording(300);
        MakeRecording(o, tmp.File("CUT.HDR"));
        std::string error;
        ASSERT_TRUE(LoadBatchSetup(options, setup, &error)) << error;
        const JobContext ctx{setup, options, stop, ""};
        ASSERT_TRUE(OpenJob(ctx, tmp.File("CUT.HDR"), tmp.File("out/CUT.DAT"), records, result)) << result.reason;
        fs::resize_file(tmp.File("CUT.DAT"), uint64_t(90) * 200 * 12 * 2);
    }
    void Run() {
        const JobContext ctx{setup, options, stop, ""};
        RunJob(ctx, records, progress, result);
        CloseJob(records);
    }
};

TEST_F(ShrunkRecording, UnreadableBlocksFailTheRecordingAndLeaveNoOutput) {
    fs::create_directories(tmp.File("out"));
    OpenShrunk();
    Run();
    EXPECT_FALSE(result.converted);
    // Minutes 1..4: the reader delivers no block it cannot read whole.
    EXPECT_EQ(4, records.conv.silentBlocks);
    EXPECT_NE(result.reason.find("4 unreadable block(s) held at the last sample (marked Data missing); output removed"), std::string::npos)
        << result.reason;
    EXPECT_TRUE(FilesIn(tmp.File("out")).empty());
    EXPECT_EQ(300, progress.total.load());
}

TEST_F(ShrunkRecording, AcceptedGapsKeepAWholeOutputButStillCount) {
    fs::create_directories(tmp.File("out"));
    options.acceptGaps = true;
    OpenShrunk();
    Run();
    EXPECT_FALSE(result.converted);
    EXPECT_NE(result.reason.find("(kept: --accept-gaps)"), std::string::npos) << result.reason;
    EdfReader edf(tmp.File("out/CUT.DAT"));
    ASSERT_TRUE(edf.ok());
    const std::vector<int> first = edf.Digital(0);
    ASSERT_EQ(size_t(300 * 200), first.size());
    // The last sample read holds where the data was lost, and the stretch is marked.
    const int last = TaffGenExpectedSample(ShortRecording(300), 0, 60 * 200 - 1);
    EXPECT_EQ(last, first[size_t(60 * 200)]);
    EXPECT_EQ(last, first[size_t(300 * 200 - 1)]);
    const std::vector<std::string> texts = edf.AnnotationTexts();
    EXPECT_EQ(4, std::count(texts.begin(), texts.end(), "Data missing"));
}

TEST(OutputName, IsTheNameTheWindowProgramProposes) {
    EXPECT_EQ("out/NIGHT1.DAT", OutputPathFor("out", "/data/rec/NIGHT1.HDR"));
    EXPECT_EQ("out/REC.1.DAT", OutputPathFor("out/", "REC.1.hdr"));
    EXPECT_EQ("o/NOEXT", OutputPathFor("o", "a/NOEXT"));
}

}  // namespace
