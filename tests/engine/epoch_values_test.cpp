// The preview's values against the PSG file: generated recordings (16-bit
// and 24-bit, interlaced and sequential) converted with divisors above 1, a
// position channel and calibration pairs, then read epoch by epoch through
// a reader handle of the preview's own and compared sample for sample with
// what EDFlib reads from the file. Also the reduction to pixel columns and
// the clock texts of the preview.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "convert_test_support.h"
#include "engine/epoch_values.h"

namespace {

const int kPositionEntry = 12;   // the generator's "Position" channel

struct Storage {
    const char* name;
    bool longSamples;
    bool sequential;
    int divisor;                 // of entries 1 and 4
    int frameTime;
};

const Storage kStorages[] = {
    {"int16 interlaced", false, false, 2, 1},
    {"int24 interlaced", true, false, 4, 3},
    {"int16 sequential", false, true, 5, 1},
    {"int24 sequential", true, true, 10, 2},
};

// 14 channels: entry 2 off, divisors 1 and above, a position channel,
// calibration pairs with offsets and one channel without a usable pair.
void SetUpMontage(WorkRecord& s, const Storage& st) {
    MontagePattern& pat = CurrentPattern(s);
    pat.channels[2].enabled = 0;
    pat.channels[1].rateDivisor = st.divisor;
    pat.channels[4].rateDivisor = st.divisor;
    pat.channels[3].calEU = 250, pat.channels[3].calVU = 4000;
    pat.channels[3].offsetAD = 100, pat.channels[3].offsetCAL = -7;
    pat.channels[5].calVU = 0;
    pat.channels[kPositionEntry].signalType = REC_TYPE_POSITION;
    pat.channels[kPositionEntry].rateDivisor = 4;
    pat.position.levelCount = 4;
    for (int l = 0; l < 4; ++l) {
        pat.position.centers[l] = kTaffGenPositionLevels[l];
        pat.position.widths[l] = 2000;
    }
    s.settings.FrameTime = st.frameTime;
}

// Every trace of the epoch equals EDFlib's physical samples at its place.
void ExpectEpochMatchesFile(EpochReader& reader, const WorkRecord& s, const TracePlan& plan, EdfReader& edf,
                            int64_t firstSecond, int32_t seconds, const char* name) {
    std::vector<std::vector<double>> values;
    ASSERT_TRUE(reader.Values(s.source, plan, firstSecond, seconds, &values));
    ASSERT_EQ(size_t(plan.count), values.size());
    const int64_t endScan = std::min<int64_t>(s.source.lengthSamples, (firstSecond + seconds) * int64_t{s.source.sampleRate});
    for (int t = 0; t < plan.count; ++t) {
        const TraceInfo& trace = plan.traces[t];
        const int64_t validScans = endScan - firstSecond * s.source.sampleRate;
        ASSERT_EQ(size_t((validScans + trace.divisor - 1) / trace.divisor), values[t].size()) << name << " trace " << t;
        const std::vector<double> file =
            edf.Physical(t, firstSecond * trace.outputRate, static_cast<int>(values[t].size()));
        ASSERT_EQ(values[t].size(), file.size()) << name << " trace " << t;
        const double tolerance = 1e-9 * std::fabs(trace.scale.bitValue);
        for (size_t k = 0; k < file.size(); ++k)
            ASSERT_NEAR(file[k], values[t][k], tolerance) << name << " trace " << t << " sample " << k << " of epoch at "
                                                          << firstSecond << " s";
    }
}

TEST(EpochValues, EqualWhatEdfLibReadsFromTheConvertedFile) {
    for (const Storage& st : kStorages) {
        SCOPED_TRACE(st.name);
        TempDir dir;
        StateOwner s;
        TaffGenOptions o;
        o.channels = 14;
        o.rate = 200;
        o.scans = 200 * 95 + 37;       // the last second and epoch are partial
        o.longSamples = st.longSamples;
        o.sequential = st.sequential;
        OpenRecording(*s, o, dir.File("NIGHT.HDR"), dir.File("OUT.EDF"));
        SetUpMontage(*s, st);

        // The preview reads through its own handle between the run's steps:
        // the run and its file stay exact.
        TaffHandle own = TaffOpen(dir.File("NIGHT.HDR").c_str(), 0);
        ASSERT_NE(nullptr, own);
        TracePlan plan;
        ASSERT_EQ(13, PlanTraces(s->source, CurrentPattern(*s), &plan));
        EpochReader reader(own, 0);
        std::vector<std::vector<double>> scratch;
        const RunResult run = RunConversion(*s, [&](WorkRecord& w, int step) {
            EXPECT_TRUE(reader.Values(w.source, plan, step % 90, 30, &scratch));
        });
        ASSERT_EQ(kRunCompleted, run.end);
        EXPECT_EQ(0, s->conv.silentBlocks);

        EXPECT_EQ(3, plan.traces[2].source);   // entry 2 is not written
        EXPECT_EQ(200 / st.divisor, plan.traces[1].outputRate);
        EXPECT_EQ(50, plan.traces[11].outputRate);
        EXPECT_TRUE(plan.traces[2].scale.calibrated);
        EXPECT_FALSE(plan.traces[4].scale.calibrated);   // entry 5: digital values

        EdfReader edf(dir.File("OUT.EDF"));
        ASSERT_TRUE(edf.ok());
        ASSERT_EQ(13, edf.hdr().edfsignals);   // the annotation signal not counted
        for (int64_t first : {0, 30, 60, 90}) ExpectEpochMatchesFile(reader, *s, plan, edf, first, 30, st.name);
        ExpectEpochMatchesFile(reader, *s, plan, edf, 37, 10, st.name);
        ExpectEpochMatchesFile(reader, *s, plan, edf, 0, 120, st.name);
        TaffClose(own);
    }
}

// A divisor that gives no whole rate is planned but not written (the
// conversion refuses it); the other traces are read as usual.
TEST(EpochValues, TraceWithoutAWholeRateHasNoValues) {
    TempDir dir;
    StateOwner s;
    TaffGenOptions o;
    o.channels = 3;
    o.rate = 200;
    o.scans = 200 * 12;
    OpenRecording(*s, o, dir.File("ODD.HDR"), dir.File("ODD.EDF"));
    CurrentPattern(*s).channels[1].rateDivisor = 3;
    TracePlan plan;
    ASSERT_EQ(3, PlanTraces(s->source, CurrentPattern(*s), &plan));
    EXPECT_EQ(0, plan.traces[1].outputRate);
    EXPECT_EQ(2, EpochCount(plan, 10));
    TaffHandle own = TaffOpen(dir.File("ODD.HDR").c_str(), 0);
    EpochReader reader(own, 0);
    std::vector<std::vector<double>> values;
    ASSERT_TRUE(reader.Values(s->source, plan, 10, 10, &values));
    EXPECT_EQ(400u, values[0].size());
    EXPECT_TRUE(values[1].empty());
    EXPECT_FALSE(reader.Values(s->source, plan, -1, 10, &values));
    std::vector<ColumnRange> columns;
    ASSERT_TRUE(reader.Columns(s->source, plan, 0, 10, 100, &columns));
    EXPECT_EQ(300u, columns.size());
    EXPECT_LE(columns[0].low, columns[0].high);        // filled
    EXPECT_GT(columns[100].low, columns[100].high);    // trace 1: nothing
    TaffClose(own);
    CloseRecording(*s);
    EXPECT_EQ(0, PlanTraces(s->source, CurrentPattern(*s), &plan));
}

// The time after the recording's end, and a stretch the reader cannot
// deliver, are marked as not recorded: the preview shades them, and the
// values there are NaN, not the samples the file holds in their place.
TEST(EpochValues, StretchesNotRecordedAreMarked) {
    TempDir dir;
    StateOwner s;
    TaffGenOptions o;
    o.channels = 2;
    o.rate = 200;
    o.scans = 200 * 15 + 37;    // 15.185 s: ends in the second epoch of 10 s
    OpenRecording(*s, o, dir.File("END.HDR"), dir.File("END.EDF"));
    TracePlan plan;
    ASSERT_EQ(2, PlanTraces(s->source, CurrentPattern(*s), &plan));
    TaffHandle own = TaffOpen(dir.File("END.HDR").c_str(), 0);
    EpochReader reader(own, 0);
    std::vector<ColumnRange> columns;
    ASSERT_TRUE(reader.Columns(s->source, plan, 10, 10, 100, &columns));
    // Scan 1037 of the epoch's 2000 is the first after the end: column 51 on.
    std::vector<uint8_t> want(100, 0);
    std::fill(want.begin() + 51, want.end(), uint8_t{1});
    EXPECT_EQ(want, reader.NotRecorded());
    EXPECT_LE(columns[51].low, columns[51].high);    // the last real samples still drawn
    EXPECT_GT(columns[52].low, columns[52].high);
    ASSERT_TRUE(reader.Columns(s->source, plan, 0, 10, 100, &columns));
    EXPECT_EQ(std::vector<uint8_t>(100, 0), reader.NotRecorded());

    ASSERT_EQ(0, truncate(TaffGenDataPath(o, dir.File("END.HDR")).c_str(), 0));
    ASSERT_TRUE(reader.Columns(s->source, plan, 0, 10, 100, &columns));
    EXPECT_EQ(std::vector<uint8_t>(100, 1), reader.NotRecorded());
    std::vector<std::vector<double>> values;
    ASSERT_TRUE(reader.Values(s->source, plan, 0, 10, &values));
    ASSERT_EQ(2000u, values[0].size());
    EXPECT_TRUE(std::isnan(values[0][0]) && std::isnan(values[0][1999]));
    TaffClose(own);
}

TEST(EpochValues, ColumnsHoldEachColumnsRangeAndEnds) {
    struct Case {
        std::vector<double> values;
        int64_t first, epoch;
        int32_t columns;
        std::vector<ColumnRange> want;   // low > high: empty
    };
    const ColumnRange E{1, 0, 0, 0};
    const Case cases[] = {
        // More samples than columns: two per column.
        {{1, 5, -2, 3, 7, 7}, 0, 6, 3, {{1, 5, 1, 5}, {-2, 3, -2, 3}, {7, 7, 7, 7}}},
        // Fewer samples than columns: every other column stays empty.
        {{4, -4}, 0, 2, 4, {{4, 4, 4, 4}, E, {-4, -4, -4, -4}, E}},
        // A later chunk lands in later columns; samples past the epoch are dropped.
        {{9, 8, 6}, 4, 6, 3, {E, E, {8, 9, 9, 8}}},
    };
    for (const Case& c : cases) {
        std::vector<ColumnRange> out(size_t(c.columns));
        ClearColumns(out.data(), c.columns);
        ReduceToColumns(c.values.data(), int64_t(c.values.size()), c.first, c.epoch, c.columns, out.data());
        for (size_t i = 0; i < out.size(); ++i) {
            const ColumnRange& w = c.want[i];
            if (w.low > w.high) {
                EXPECT_GT(out[i].low, out[i].high) << "column " << i;
                continue;
            }
            EXPECT_EQ(w.low, out[i].low) << "column " << i;
            EXPECT_EQ(w.high, out[i].high) << "column " << i;
            EXPECT_EQ(w.first, out[i].first) << "column " << i;
            EXPECT_EQ(w.last, out[i].last) << "column " << i;
        }
    }
    // Digital samples reduced first and scaled after: a negative step swaps
    // the lowest and the highest.
    const int16_t digital[] = {-3, 7, 2};
    ColumnRange one;
    ClearColumns(&one, 1);
    ReduceToColumns(digital, 3, 0, 3, 1, &one);
    const TraceScale down = {0, 0, -2.0, 0.0, true};   // value = -2 x digital
    ScaleColumns(down, &one, 1);
    EXPECT_EQ(-14, one.low);
    EXPECT_EQ(6, one.high);
    EXPECT_EQ(6, one.first);
    EXPECT_EQ(-4, one.last);
}

TEST(EpochValues, ClockTexts) {
    SourceInfo src = {};
    src.startHour = 22, src.startMinute = 15, src.startSecond = 4;
    char text[48];
    FormatEpochStart(text, sizeof text, src, 0);
    EXPECT_STREQ("22:15:04 (+0:00:00)", text);
    FormatEpochStart(text, sizeof text, src, 2 * 3600 + 30);
    EXPECT_STREQ("00:15:34 (+2:00:30)", text);
    FormatEpochStart(text, 6, src, 0);
    EXPECT_STREQ("22:15", text);

    const int64_t night = 8 * 3600;
    const struct { const char* text; int64_t offset; } jumps[] = {
        {"22:15:04", 0}, {"22:45", 1796}, {" 1:00:04 ", 2 * 3600 + 45 * 60}, {"06:15:03", night - 1},
        {"06:15:04", -1},   // the recording's end
        {"22:15:03", -1},   // a second before the start: the next day's
        {"24:00", -1}, {"12:60", -1}, {"12", -1}, {"12:", -1}, {"1:2:3:4", -1}, {"123:00", -1}, {"ab:cd", -1}, {"", -1},
    };
    for (const auto& j : jumps) EXPECT_EQ(j.offset, ClockTimeOffset(src, j.text, night)) << j.text;
}

}  // namespace
