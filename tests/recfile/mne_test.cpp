// Reads PSG files with MNE-Python (a lenient reader that also accepts an
// unfinished file) through the shared MNE check.
#include "rec_test_util.h"

#include <gtest/gtest.h>

#include "tests/support/mne_check.h"

namespace {

TEST(Mne, ReadsFinishedAndUnfinishedFiles) {
    // MNE shows every signal at the highest rate: 130 records of 200 samples.
    MneExpect expected;
    expected.names = "EEG C3-A2|EOG Ch2|Position";
    expected.sfreq = "200";
    expected.nTimes = "26000";
    expected.measDate = "2024-03-07 22:15:30";
    std::string finished = TestPath("mne_finished.dat");
    ASSERT_TRUE(WriteRun(finished, DefaultRun()).finished);
    EXPECT_TRUE(MneReads(finished, expected));

    std::string unfinished = TestPath("mne_unfinished.dat");
    WriteRun(unfinished, DefaultRun(), false);
    EXPECT_TRUE(MneReads(unfinished, expected));
}

}  // namespace
