// Annotations added before the data: every one is read back by EDFlib with
// its onset, duration and text beside the writer's own "Data missing" and
// "Recording ends", however many there are for the records; texts and
// stretches the file cannot carry are refused.
#include "tests/support/edf_reader.h"
#include "rec_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct Expected {
    long long onset, duration;  // 100 ns units
    std::string text;           // UTF-8
};

// Each expected annotation is in the file exactly once.
void ExpectEachOnce(const std::string& path, const std::vector<Expected>& expected) {
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    const std::vector<EdfAnnotation> all = edf.Annotations();
    for (const Expected& e : expected) {
        int found = 0;
        for (const EdfAnnotation& a : all) found += a.text == e.text && a.onset == e.onset && a.duration == e.duration;
        EXPECT_EQ(found, 1) << e.text << " at " << e.onset;
    }
}

// 129.5 s at 200 Hz in records of one second: the last record ends early.
TestRun HalfSecondShort() {
    TestRun run = DefaultRun();
    run.lengthSamples = 200 * 130 - 100;
    return run;
}

TEST(AddedAnnotations, AreReadBackBesideDataMissingAndRecordingEnds) {
    TestRun run = HalfSecondShort();
    run.annotations = {{0, 12.5, "Check: C3-A2 flat"},
                       {60.25, 30, "Check: 左眼 hum"},
                       {100.1234567, 29.3765433, "Check: Position position"}};
    run.missing = {{1, 12000, 12000}};
    const std::string path = TestPath("added.dat");
    const TestResult r = WriteRun(path, run);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.added, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(r.leftOut, 0);
    ExpectEachOnce(path, {{0, 125000000, "Check: C3-A2 flat"},
                          {602500000, 300000000, u8"Check: 左眼 hum"},
                          {1001234567, 293765433, "Check: Position position"},
                          {600000000, 600000000, "Data missing"},
                          {1295000000, 5000000, "Recording ends"}});
}

TEST(AddedAnnotations, MoreThanRecordsAreAllWritten) {
    // 23 annotations over 5 records, a long one among them, and a
    // "Data missing" found while writing, which keeps its own room.
    TestRun run = DefaultRun();
    run.lengthSamples = 200 * 5;
    std::vector<Expected> expected;
    for (int i = 0; i < 23; ++i) {
        const std::string text = "Check: n" + std::to_string(i) + (i == 7 ? std::string(400, 'x') : "");
        run.annotations.push_back({i * 0.2, 0.1, text});
        expected.push_back({i * 2000000LL, 1000000, text});
    }
    run.missing = {{0, 200, 400}};
    expected.push_back({10000000, 20000000, "Data missing"});
    const std::string path = TestPath("many.dat");
    const TestResult r = WriteRun(path, run);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.totalFrames, 5);
    EXPECT_EQ(r.leftOut, 0);
    ExpectEachOnce(path, expected);
    EXPECT_EQ(EdfReader(path).Annotations().size(), 24u + 19u);  // and the 19 onset-0 texts of DefaultRun
}

TEST(AddedAnnotations, TextsAndStretchesTheFileCannotCarryAreRefused) {
    std::string sjis160, sjis161;  // 3 bytes of UTF-8 each: 480 and 483 bytes
    for (int i = 0; i < 160; ++i) sjis160 += "睡";
    sjis161 = sjis160 + "睡";
    const struct {
        double onset, duration;
        std::string text;
        int added;
    } cases[] = {
        {0, 1, std::string(480, 'a'), 1},
        {0, 1, std::string(481, 'a'), 0},
        {0, 1, sjis160, 1},
        {0, 1, sjis161, 0},
        {0, 1, "", 0},
        {0, 1, "   ", 0},
        {-0.1, 1, "before", 0},
        {1, -0.1, "negative", 0},
        {NAN, 1, "no onset", 0},
        {1, NAN, "no duration", 0},
        {INFINITY, 0, "endless", 0},
        {129, 0.5, "to the end", 1},
        {129, 0.5000001, "past the end", 0},
        {129.5, 0, "at the end", 1},
        {130, 0, "after the end", 0},
    };
    TestRun run = HalfSecondShort();
    std::vector<int> want;
    for (const auto& c : cases) {
        run.annotations.push_back({c.onset, c.duration, c.text});
        want.push_back(c.added);
    }
    const std::string path = TestPath("refused.dat");
    const TestResult r = WriteRun(path, run);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.added, want);
    ExpectEachOnce(path, {{0, 10000000, std::string(480, 'a')},
                          {1290000000, 5000000, "to the end"},
                          {1295000000, 0, "at the end"}});
    int refusedSeen = 0;
    for (const EdfAnnotation& a : EdfReader(path).Annotations())
        refusedSeen += a.text == "past the end" || a.text == "after the end" || a.text == "before";
    EXPECT_EQ(refusedSeen, 0);
}

}  // namespace
