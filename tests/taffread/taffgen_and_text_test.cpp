// The header's number spellings and the generator's promises the other
// tests rely on: same seed same samples, LONG reading like INTEGER, and a
// position channel that holds its four levels for minutes.
#include <gtest/gtest.h>

#include <set>

#include "taffread/taff_header.h"
#include "taffread/taff_samples.h"
#include "taffread/taff_text.h"
#include "tools/taffgen/taffgen.h"

namespace {

TEST(HeaderNumbers, SpellingsRecordersWrite) {
    const struct {
        const char* text;
        double value;
    } cases[] = {{"8.000000e-005", 8e-5}, {"2.000000e-04", 2e-4}, {"0.00008000", 8e-5}, {"2.000", 2.0},
                 {" 200 ", 200.0},        {"2.005", 2.005},      {"-0.25E+2", -25.0}, {".5", 0.5}};
    for (const auto& c : cases) {
        double v = -1;
        ASSERT_TRUE(taff::ParseNumber(c.text, &v)) << c.text;
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
    double v = 0;
    for (const char* bad : {"", "e5", "1e", "1,5", "1.5V", "--1"}) EXPECT_FALSE(taff::ParseNumber(bad, &v)) << bad;
    EXPECT_EQ(taff::SplitList(" a , b c,,d, "), (std::vector<std::string>{"a", "b c", "", "d"}));
}

TEST(Generator, DeterministicAndTheSameInEveryVariant) {
    TaffGenOptions a;
    TaffGenOptions b = a;
    b.longSamples = true;
    b.sequential = true;
    TaffGenOptions other = a;
    other.seed = 2;
    int differences = 0;
    for (int c = 0; c < 20; ++c) {
        for (int64_t s = 0; s < 2000000; s += 9973) {
            ASSERT_EQ(TaffGenExpectedSample(a, c, s), TaffGenExpectedSample(b, c, s));
            ASSERT_EQ(taff::LongTo16(TaffGenRawSample(b, c, s)), TaffGenExpectedSample(a, c, s));
            differences += TaffGenExpectedSample(a, c, s) != TaffGenExpectedSample(other, c, s);
        }
    }
    EXPECT_GT(differences, 1000);
}

TEST(Generator, PositionHoldsFourLevelsForMinutes) {
    TaffGenOptions o;
    const int position = 12;
    ASSERT_EQ(TaffGenChannelName(position), "Position");
    std::set<int> levels;
    int changes = 0;
    int16_t previous = TaffGenExpectedSample(o, position, 0);
    for (int64_t s = 0; s < int64_t{8} * 3600 * 200; s += 200) {
        const int16_t v = TaffGenExpectedSample(o, position, s);
        levels.insert(v);
        changes += v != previous;
        previous = v;
    }
    EXPECT_EQ(levels, (std::set<int>{0, 5000, 10000, 15000}));
    EXPECT_GT(changes, 20);
    EXPECT_LT(changes, 8 * 60 / 5);  // at most one change per five minutes
}

TEST(Generator, HeaderParsesAsWritten) {
    for (int style = 0; style < 4; ++style) {
        TaffGenOptions o;
        o.channels = 21;
        o.slopeStyle = style;
        o.crlf = style % 2 == 0;
        taff::Header h;
        ASSERT_TRUE(taff::ParseHeader(TaffGenHeaderText(o, "NIGHT001"), &h)) << style;
        EXPECT_EQ(h.numSeries, 21);
        EXPECT_EQ(h.slope.size(), 21u);
        EXPECT_EQ(h.numSamps, 720000);
        EXPECT_EQ(taff::ChannelName(h, 20), "AUX21");
    }
}

}  // namespace
