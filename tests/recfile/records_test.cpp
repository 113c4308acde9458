// Checks the data records as the writer builds them in place: the exact
// mean by reciprocal against integer division, the reduction of frames into
// their slots of the records for every kind of group (even, uneven, large,
// position), zeros for a channel left out of a block, and the onset-0 texts
// spread over the first records, read back in full by EDFlib and MNE.
#include "tests/support/edf_reader.h"
#include "tests/support/mne_check.h"
#include "rec_test_util.h"

#include "recfile/edf_annot.h"
#include "recfile/edf_records.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

// The rounding rule by integer division: halves away from zero.
int64_t DividedMean(int64_t sum, int64_t count) {
    const int64_t half = count / 2;
    return sum >= 0 ? (sum + half) / count : -((-sum + half) / count);
}

// Every sum a group of `count` 16-bit samples can have where the result
// changes (and one either side), plus both extremes.
void ExpectMeanExactAtEveryStep(int64_t count) {
    const RecGroupDivisor d = RecMakeGroupDivisor(count);
    const int64_t half = count / 2, low = -32768 * count, high = 32767 * count;
    for (int64_t q = 0; q <= 32768; ++q) {
        for (int64_t at : {q * count - half - 1, q * count - half, q * count + count - half - 1}) {
            for (int64_t sum : {at, -at}) {
                if (sum < low || sum > high) continue;
                ASSERT_EQ(RecRoundedMean(sum, d), DividedMean(sum, count)) << "count " << count << " sum " << sum;
            }
        }
    }
    for (int64_t sum : {low, high, int64_t{0}, -half, half})
        ASSERT_EQ(RecRoundedMean(sum, d), DividedMean(sum, count)) << "count " << count << " sum " << sum;
}

TEST(Records, ReciprocalMeanEqualsTheDividedMean) {
    for (int64_t count = 1; count <= 8; ++count) {  // every sum
        const RecGroupDivisor d = RecMakeGroupDivisor(count);
        for (int64_t sum = -32768 * count; sum <= 32767 * count; ++sum)
            ASSERT_EQ(RecRoundedMean(sum, d), DividedMean(sum, count)) << "count " << count << " sum " << sum;
    }
    for (int64_t count = 9; count <= 128; ++count) ExpectMeanExactAtEveryStep(count);
    for (int64_t count : {int64_t{1000}, int64_t{4001}, int64_t{65535}, int64_t{65536}, kRecMaxReciprocalCount - 1,
                          kRecMaxReciprocalCount, kRecMaxReciprocalCount + 1, int64_t{4000000}})
        ExpectMeanExactAtEveryStep(count);
    EXPECT_NE(RecMakeGroupDivisor(kRecMaxReciprocalCount).reciprocal, 0u);
    EXPECT_EQ(RecMakeGroupDivisor(kRecMaxReciprocalCount + 1).reciprocal, 0u);  // divides instead
}

// Reduces `frames` frames of S source samples (lane 1 of 3 interleaved
// channels) to N per frame into records with a gap after the slot, and
// compares with the group rule; the gap must stay untouched.
void ExpectFramesReduced(int64_t s, int32_t n, bool position, int16_t (*value)(int64_t)) {
    const int frames = 3, lanes = 3;
    std::vector<int16_t> source(static_cast<size_t>(frames * s * lanes));
    for (int64_t i = 0; i < frames * s; ++i) source[static_cast<size_t>(i * lanes + 1)] = value(i);
    RecChannel c;
    c.samplesPerRecord = n;
    c.value[REC_CHANNEL_SIGNAL_TYPE] = position ? REC_TYPE_POSITION : 4;
    const size_t recordBytes = 2 * static_cast<size_t>(n) + 6;
    std::vector<uint8_t> records(frames * recordBytes, 0xEE);
    RecTakeFrames(c, s, frames, source.data() + 1, 2 * lanes, records.data(), recordBytes);
    for (int f = 0; f < frames; ++f) {
        std::vector<int16_t> frame;
        for (int64_t i = 0; i < s; ++i) frame.push_back(value(f * s + i));
        const std::vector<int16_t> want = ExpectedRecord(frame, n, position);
        const uint8_t* p = records.data() + f * recordBytes;
        for (int32_t k = 0; k < n; ++k)
            ASSERT_EQ(static_cast<int16_t>(p[2 * k] | (p[2 * k + 1] << 8)), want[static_cast<size_t>(k)])
                << "S " << s << " N " << n << " frame " << f << " sample " << k;
        for (size_t b = 2 * static_cast<size_t>(n); b < recordBytes; ++b) ASSERT_EQ(p[b], 0xEE) << "S " << s << " N " << n;
    }
}

int16_t Noise(int64_t i) { return static_cast<int16_t>(((i * 7919 + 104729) % 65536) - 32768); }
int16_t Lowest(int64_t) { return -32768; }
int16_t Highest(int64_t) { return 32767; }

TEST(Records, FramesReduceIntoTheirSlotsForEveryKindOfGroup) {
    const struct { int64_t s; int32_t n; } cases[] = {
        {200, 200}, {200, 100}, {200, 50}, {200, 40}, {200, 20}, {200, 4}, {250, 62}, {250, 83}, {1000, 7},
        {1000, 999}, {7, 1}, {1, 1}, {37, 36}};
    for (const auto& c : cases)
        for (bool position : {false, true}) ExpectFramesReduced(c.s, c.n, position, Noise);
    // The largest groups: 32-bit sums at their limit, then 64-bit sums, then division.
    for (int64_t s : {int64_t{131070}, int64_t{131072}, int64_t{200000}}) {
        ExpectFramesReduced(s, 2, false, Lowest);
        ExpectFramesReduced(s, 2, false, Highest);
        ExpectFramesReduced(s, 3, false, Noise);
    }
}

TEST(Records, ChannelLeftOutOfABlockGetsZerosNotTheLastBlock) {
    TestRun run = DefaultRun();
    run.handed = [](int block, int channel) { return !(block == 1 && channel == 0); };
    std::string path = TestPath("leftout.dat");
    ASSERT_TRUE(WriteRun(path, run).finished);
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok());
    const std::vector<int> before = edf.Digital(0, 59 * 200, 1);
    ASSERT_EQ(before.size(), 1u);
    EXPECT_EQ(before[0], run.sample(1, 59 * 200));
    EXPECT_EQ(edf.Digital(0, 60 * 200, 60 * 200), std::vector<int>(60 * 200, 0));
    const std::vector<int> after = edf.Digital(0, 120 * 200, 1);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0], run.sample(1, 120 * 200));
    const std::vector<int> other = edf.Digital(1, 60 * 100, 1);  // the others were written
    ASSERT_EQ(other.size(), 1u);
    EXPECT_NE(other[0], 0);
}

TEST(Records, AnnotationSignalIsTheLeastThatHoldsEveryText) {
    const std::vector<std::string> texts = {std::string(100, 'a'), std::string(10, 'b'), std::string(300, 'c'),
                                            std::string(41, 'd')};
    // Time keeping "+0" (5 bytes) and the longest text (305 bytes) decide.
    EXPECT_EQ(RecAnnotationBytes(texts, 1, 1000), 310);
    EXPECT_EQ(RecRecordsForTexts(texts, 310, 1), 3);
    EXPECT_EQ(RecRecordsForTexts(texts, 308, 1), -1);
    // Without texts: the time keeping of the last record, "+99999" 0x14 0x14 0x00.
    EXPECT_EQ(RecAnnotationBytes({}, 1, 100000), 10);
    EXPECT_EQ(RecAnnotationBytes({}, 3600, 2), 8);
    // Fewer records than texts need at that size: the least size that fits them.
    for (int32_t records : {1, 2, 3}) {
        const int32_t bytes = RecAnnotationBytes(texts, 10, records);
        EXPECT_EQ(bytes % 2, 0);
        const int64_t needed = RecRecordsForTexts(texts, bytes, 10);
        EXPECT_TRUE(needed >= 1 && needed <= records) << records;
        const int64_t smaller = RecRecordsForTexts(texts, bytes - 2, 10);
        EXPECT_TRUE(smaller < 0 || smaller > records) << records;
    }
}

// A run whose texts are long and many: 32 channels with 64-byte labels and
// units of 32 bytes, a recording comment of 128 double-byte characters.
TestRun RunWithManyLongTexts(std::vector<std::string>* expected) {
    TestRun run = DefaultRun();
    run.sourceChannels = 32;
    run.channels.clear();
    run.levels.clear();
    run.comment.clear();
    std::string comment8;
    for (int i = 0; i < 64; ++i) {
        run.comment += "睡眠";
        comment8 += u8"睡眠";
    }
    expected->push_back("Recording comment: " + comment8);
    for (int i = 0; i < 32; ++i) {
        TestChannel c;
        c.source = i + 1;
        c.label = "L" + std::to_string(i + 1) + std::string(61, 'x');
        c.label.resize(64, 'y');
        c.unit = std::string(32, 'u');
        run.channels.push_back(c);
        expected->push_back("Ch" + std::to_string(i + 1) + ": label=" + c.label + "; unit=" + c.unit +
                            "; calEU=100; calVU=1000; offsetCAL=0; offsetAD=0");
    }
    expected->push_back(u8"Patient name: 山田 太郎");
    expected->push_back("Comment 5: last");
    return run;
}

void ExpectEveryTextAtOnsetZero(EdfReader& edf, const std::vector<std::string>& expected) {
    const std::vector<EdfAnnotation> all = edf.Annotations();
    for (const std::string& text : expected) {
        bool found = false;
        for (const EdfAnnotation& a : all) found = found || (a.text == text && a.onset == 0);
        EXPECT_TRUE(found) << text;
    }
}

TEST(Records, LongTextsSpreadOverTheFirstRecordsAndAllAreRead) {
    std::vector<std::string> expected;
    TestRun run = RunWithManyLongTexts(&expected);
    std::string path = TestPath("spread.dat");
    ASSERT_TRUE(WriteRun(path, run).finished);
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    ASSERT_EQ(edf.hdr().edfsignals, 32);
    // The signal holds the time keeping and the longest text (the comment), not all of them,
    // and room for one "Data missing" of a file under 1000 s: "+" onset 0x15
    // duration 0x14 text 0x14 0x00, each number up to 3 digits and 7 decimals.
    std::string bytes = ReadFile(path);
    const size_t samplesField = 256 + 33 * (16 + 80 + 5 * 8 + 80) + 32 * 8;
    const int annotationBytes = 2 * std::stoi(bytes.substr(samplesField, 8));
    const int longest = 3 + static_cast<int>(expected[0].size()) + 2;  // "+0" 0x14 text 0x14 0x00
    EXPECT_EQ(annotationBytes, (5 + longest + 1) / 2 * 2 + 40);
    ExpectEveryTextAtOnsetZero(edf, expected);

    // The texts need more records than the file has: each record holds more.
    run.lengthSamples = 200 * 2;
    path = TestPath("spread2.dat");
    ASSERT_TRUE(WriteRun(path, run).finished);
    EdfReader two(path);
    ASSERT_TRUE(two.ok()) << "EDFlib error " << two.hdr().filetype;
    EXPECT_EQ(two.hdr().datarecords_in_file, 2);
    ExpectEveryTextAtOnsetZero(two, expected);
}

TEST(Records, MneReadsEveryTextSpreadOverTheRecords) {
    std::vector<std::string> expected;
    TestRun run = RunWithManyLongTexts(&expected);
    run.channels.resize(2);
    expected.resize(3);
    std::string path = TestPath("mne_spread.dat");
    ASSERT_TRUE(WriteRun(path, run).finished);
    MneExpect want;
    want.names = ("EEG " + run.channels[0].label).substr(0, 16) + "|" + ("EEG " + run.channels[1].label).substr(0, 16);
    want.sfreq = "200";
    want.nTimes = "26000";
    want.measDate = "2024-03-07 22:15:30";
    want.texts = expected;
    EXPECT_TRUE(MneReads(path, want));
}

}  // namespace
