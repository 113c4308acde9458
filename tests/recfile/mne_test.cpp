// Reads PSG files with MNE-Python (a lenient reader that also accepts an
// unfinished file) through tests/recfile/mne_check.py.
#include "rec_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Runs the MNE check on `path` (linked to a .edf name, which MNE insists on).
int RunMneCheck(const std::string& path, const std::string& expected) {
    std::string edf = path + ".edf";
    std::remove(edf.c_str());
    std::string command = "ln -s \"$(basename '" + path + "')\" '" + edf + "' && " REC_TEST_PYTHON " " REC_TEST_DIR
                          "/mne_check.py '" + edf + "' " + expected;
    return std::system(command.c_str());
}

TEST(Mne, ReadsFinishedAndUnfinishedFiles) {
    // MNE shows every signal at the highest rate: 130 records of 200 samples.
    const std::string expected = "'EEG C3-A2|EOG Ch2|Position' 200 26000 '2024-03-07 22:15:30'";
    std::string finished = TestPath("mne_finished.dat");
    ASSERT_TRUE(WriteRun(finished, DefaultRun()).finished);
    EXPECT_EQ(RunMneCheck(finished, expected), 0);

    std::string unfinished = TestPath("mne_unfinished.dat");
    WriteRun(unfinished, DefaultRun(), false);
    EXPECT_EQ(RunMneCheck(unfinished, expected), 0);
}

}  // namespace
