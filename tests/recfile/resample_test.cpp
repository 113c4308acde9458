// Checks the rate reduction of the PSG writer through EDFlib: every offered
// divisor, a rate that the divisor does not divide, the first-sample rule of
// position channels, and the record count of a partial last block.
#include "tests/support/edf_reader.h"
#include "rec_test_util.h"

#include <gtest/gtest.h>

namespace {

// Full-range samples, so that rounding and sign matter.
int16_t Noise(int source, int64_t i) {
    return static_cast<int16_t>(((i * 7919 + source * 104729) % 65536) - 32768);
}

// Compares records `first`..`first + count - 1` of every signal with the
// group rule applied to the source samples.
void ExpectRecordsFollowGroupRule(const std::string& path, const TestRun& run, int first, int count) {
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok());
    int s = run.sampleRate * run.frameSeconds;
    for (size_t o = 0; o < run.channels.size(); ++o) {
        const TestChannel& c = run.channels[o];
        int n = run.frameSeconds * (run.sampleRate / c.divisor);
        int signal = static_cast<int>(o);
        ASSERT_EQ(edf.hdr().signalparam[signal].smp_in_datarecord, n);
        for (int rec = first; rec < first + count; ++rec) {
            std::vector<int16_t> source;
            for (int i = 0; i < s; ++i) source.push_back(run.sample(c.source, static_cast<int64_t>(rec) * s + i));
            std::vector<int16_t> want = ExpectedRecord(source, n, c.type == REC_TYPE_POSITION);
            std::vector<int> got = edf.Digital(signal, static_cast<long long>(rec) * n, n);
            ASSERT_EQ(got.size(), want.size());
            for (int k = 0; k < n; ++k)
                ASSERT_EQ(got[k], want[k]) << "divisor " << c.divisor << " record " << rec << " sample " << k;
        }
    }
}

TEST(Resample, EveryDivisorGivesRoundedGroupMeans) {
    TestRun run = DefaultRun();
    run.frameSeconds = 2;
    run.sourceChannels = 7;
    run.lengthSamples = 200 * 150;
    run.sample = Noise;
    run.channels.clear();
    run.levels.clear();
    const int divisors[] = {1, 2, 4, 5, 10, 20, 50};
    for (int i = 0; i < 7; ++i) {
        TestChannel c;
        c.source = i + 1;
        c.divisor = divisors[i];
        run.channels.push_back(c);
    }
    std::string path = TestPath("divisors.dat");
    ASSERT_TRUE(WriteRun(path, run).finished);
    ExpectRecordsFollowGroupRule(path, run, 0, 2);
    ExpectRecordsFollowGroupRule(path, run, 60, 15);  // second and (partial) third block
}

TEST(Resample, UnevenDivisorSpreadsGroupsAndPositionTakesFirst) {
    TestRun run = DefaultRun();
    run.sampleRate = 250;
    run.lengthSamples = 250 * 61;
    run.sample = Noise;
    run.channels.resize(3);
    run.channels[0].divisor = 4;  // 62 samples from 250: groups of 4 and 5
    run.channels[1].divisor = 3;
    run.channels[2].divisor = 4;  // position channel, same groups
    std::string path = TestPath("uneven.dat");
    ASSERT_TRUE(WriteRun(path, run).finished);
    ExpectRecordsFollowGroupRule(path, run, 0, 3);
    ExpectRecordsFollowGroupRule(path, run, 60, 1);
}

TEST(Resample, RecordCountFollowsTheSourceLength) {
    TestRun run = DefaultRun();
    run.frameSeconds = 2;
    run.lengthSamples = 200 * 120 + 1;  // one sample into frame 61
    std::string path = TestPath("partial.dat");
    TestResult r = WriteRun(path, run);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.totalFrames, 61);
    EXPECT_EQ(r.flushes, 3);
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok());
    EXPECT_EQ(edf.hdr().datarecords_in_file, 61);

    run.sampleRate = 0;  // no recording open: header only, no records
    run.channels.resize(1);
    path = TestPath("norate.dat");
    r = WriteRun(path, run, false);
    EXPECT_EQ(r.totalFrames, 0);
    EXPECT_TRUE(r.channelsWritten);
}

}  // namespace
