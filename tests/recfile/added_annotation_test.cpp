// Annotations added before the data are read back by EDFlib with their
// onset, duration and text beside "Data missing" and "Recording ends",
// however many there are for the records; what the file cannot carry is refused.
#include "tests/support/edf_reader.h"
#include "rec_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// "onset duration text" (100 ns units) of every annotation with a duration, sorted.
std::vector<std::string> Timed(const std::string& path) {
    EdfReader edf(path);
    EXPECT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    std::vector<std::string> out;
    for (const EdfAnnotation& a : edf.Annotations())
        if (a.duration >= 0) out.push_back(std::to_string(a.onset) + " " + std::to_string(a.duration) + " " + a.text);
    std::sort(out.begin(), out.end());
    return out;
}

// Texts of up to 480 bytes of UTF-8 (160 Shift-JIS characters of 3) and
// stretches within the recording are taken, the others refused.
TEST(AddedAnnotations, AreReadBackBesideDataMissingAndRecordingEndsOrRefused) {
    std::string sjis160, utf160;
    for (int i = 0; i < 160; ++i) sjis160 += "睡", utf160 += u8"睡";
    const struct {
        TestAnnotation annotation;
        int added;
    } cases[] = {{{0, 12.5, "Check: C3-A2 flat"}, 1}, {{60.25, 30, "Check: 左眼 hum"}, 1},
                 {{100.1234567, 29.3765433, "Check: Position position"}, 1},
                 {{0, 1, std::string(480, 'a')}, 1},    {{0, 1, std::string(481, 'a')}, 0}, {{0, 1, sjis160}, 1},
                 {{0, 1, sjis160 + "睡"}, 0},         {{0, 1, ""}, 0},                    {{0, 1, "   "}, 0},
                 {{-0.1, 1, "before"}, 0},             {{1, -0.1, "negative"}, 0},         {{NAN, 1, "no onset"}, 0},
                 {{1, NAN, "no duration"}, 0},         {{INFINITY, 0, "endless"}, 0},      {{129.5, 0, "at the end"}, 1},
                 {{129, 0.5000001, "past"}, 0},        {{130, 0, "after"}, 0}};
    TestRun run = DefaultRun();
    run.lengthSamples = 200 * 130 - 100;  // 129.5 s: the last record ends early
    run.missing = {{1, 12000, 12000}};
    std::vector<int> want;
    for (const auto& c : cases) run.annotations.push_back(c.annotation), want.push_back(c.added);
    const std::string path = TestPath("added.dat");
    const TestResult r = WriteRun(path, run);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.added, want);
    EXPECT_EQ(r.leftOut, 0);
    EXPECT_EQ(Timed(path), (std::vector<std::string>{
                               "0 10000000 " + std::string(480, 'a'), "0 10000000 " + utf160,
                               "0 125000000 Check: C3-A2 flat", "1001234567 293765433 Check: Position position",
                               "1295000000 0 at the end", "1295000000 5000000 Recording ends",
                               "600000000 600000000 Data missing", u8"602500000 300000000 Check: 左眼 hum"}));
}

TEST(AddedAnnotations, MoreThanRecordsAreAllWritten) {
    // 23 over 5 records, a long one among them; the "Data missing" found
    // while writing keeps a room of its own.
    TestRun run = DefaultRun();
    run.lengthSamples = 200 * 5;
    std::vector<std::string> expected = {"10000000 20000000 Data missing"};
    for (int i = 0; i < 23; ++i) {
        const std::string text = "Check: n" + std::to_string(i) + (i == 7 ? std::string(400, 'x') : "");
        run.annotations.push_back({i * 0.2, 0.1, text});
        expected.push_back(std::to_string(i * 2000000) + " 1000000 " + text);
    }
    std::sort(expected.begin(), expected.end());
    run.missing = {{0, 200, 400}};
    const std::string path = TestPath("many.dat");
    const TestResult r = WriteRun(path, run);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.totalFrames, 5);
    EXPECT_EQ(r.leftOut, 0);
    EXPECT_EQ(Timed(path), expected);
}

}  // namespace
