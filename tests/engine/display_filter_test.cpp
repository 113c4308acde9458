// The preview's display filters and trace scales: the filters' responses
// measured on sines and a step run through them, the rules that pick a
// trace's filters and name them, the picture of an epoch reached by paging
// and by jumping (and against the whole night filtered in one run), the
// fit that leaves a single spike out, the axes traces open with and their
// value ticks.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "convert_test_support.h"
#include "engine/display_filter.h"
#include "engine/epoch_values.h"
#include "engine/trace_axis.h"

namespace {

const double kPi = 3.14159265358979323846;

// The amplitude a sine of `hz` keeps through `filters` at `rate`, from its
// mean square over the last whole periods (at least a second's worth) of a
// run long enough to settle.
double MeasuredGain(const TraceFilters& filters, double rate, double hz) {
    const double period = rate / hz;
    const int64_t window = static_cast<int64_t>(std::ceil(rate / period) * period + 0.5);
    const int64_t n = window + static_cast<int64_t>(rate * 20);
    FilterChain chain(filters, rate);
    std::vector<double> v(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) v[size_t(i)] = std::sin(2 * kPi * hz * double(i) / rate);
    chain.Start(0);
    chain.Run(v.data(), n);
    double square = 0;
    for (int64_t i = n - window; i < n; ++i) square += v[size_t(i)] * v[size_t(i)];
    return std::sqrt(2 * square / double(window));
}

TEST(DisplayFilter, GainAtChosenFrequencies) {
    const TraceFilters hp = {0.3, 0, 0, 0}, lp = {0, 0, 35, 0}, notch = {0, 0, 0, 50};
    const TraceFilters all = {0.3, 0, 35, 50};
    const struct {
        const char* name;
        TraceFilters filters;
        double hz, gain, tolerance;
    } kCases[] = {
        // A first-order high-pass: -3 dB at its corner, 1/sqrt(1 + (fc/f)^2) around it.
        {"high-pass at its corner", hp, 0.3, 0.7071, 0.01},
        {"high-pass a decade above", hp, 3.0, 0.9950, 0.01},
        {"high-pass a decade below", hp, 0.03, 0.0995, 0.01},
        // A second-order Butterworth low-pass (bilinear): -3 dB at its corner.
        {"low-pass passband", lp, 5.0, 1.0, 0.01},
        {"low-pass at its corner", lp, 35.0, 0.7071, 0.01},
        {"low-pass an octave above", lp, 70.0, 0.0971, 0.01},
        // The notch: nothing left of the hum, its neighbours kept.
        {"notch at the hum", notch, 50.0, 0.0, 0.001},
        {"notch 5 Hz off", notch, 45.0, 0.99, 0.01},
        {"notch well off", notch, 20.0, 1.0, 0.01},
        {"all three on EEG", all, 10.0, 0.9875, 0.015},
        {"all three on the hum", all, 50.0, 0.0, 0.001},
    };
    for (const auto& c : kCases) {
        EXPECT_NEAR(c.gain, MeasuredGain(c.filters, 200.0, c.hz), c.tolerance) << c.name;
        EXPECT_NEAR(c.gain, FilterChain(c.filters, 200.0).Gain(c.hz), c.tolerance) << c.name << " (stated)";
    }
}

TEST(DisplayFilter, TimeConstantIsAStepsDecay) {
    ChannelSetting ch = {};
    ch.signalType = 4;
    ch.timeConstant = 300;   // 0.3 s
    ch.lowFilter = 530;
    const TraceFilters f = FiltersOf(ch, 0, true, 200);
    EXPECT_DOUBLE_EQ(0.3, f.timeConstant);
    FilterChain chain(f, 200.0);
    chain.Start(0);
    std::vector<double> step(200, 1.0);   // one second of a step from 0 to 1
    chain.Run(step.data(), 200);
    EXPECT_NEAR(1.0, step[0], 0.01);
    EXPECT_NEAR(0.3679, step[60], 0.01);     // after one time constant: 1/e
    EXPECT_NEAR(0.0498, step[180], 0.005);   // after three
    // A constant offset from the start does not ring through.
    FilterChain steady(f, 200.0);
    steady.Start(1000.0);
    std::vector<double> flat(50, 1000.0);
    steady.Run(flat.data(), 50);
    EXPECT_NEAR(0.0, flat[0], 1e-9);
    EXPECT_NEAR(0.0, flat[49], 1e-9);
}

TEST(DisplayFilter, FiltersOfAChannelAndTheirLabel) {
    ChannelSetting eeg = {};
    eeg.signalType = 4;
    eeg.lowFilter = 300, eeg.timeConstant = 530, eeg.highFilter = 35;
    ChannelSetting spo2 = eeg;
    spo2.signalType = 11, spo2.highFilter = 0;
    ChannelSetting position = eeg;
    position.signalType = REC_TYPE_POSITION;
    ChannelSetting chin = eeg;
    chin.signalType = 6, chin.lowFilter = 10000, chin.highFilter = 100;
    const struct {
        const char* name;
        const ChannelSetting* channel;
        int32_t hum;
        bool timeConstants;
        int32_t rate;
        const char* label;
    } kCases[] = {
        {"EEG with 50 Hz hum", &eeg, 1, false, 200, "HP 0.3 Hz LP 35 Hz ~50 Hz"},
        {"EEG as time constant, 60 Hz hum", &eeg, 2, true, 200, "TC 0.53 s LP 35 Hz ~60 Hz"},
        {"hum at the Nyquist rate left out", &eeg, 1, false, 100, "HP 0.3 Hz LP 35 Hz"},
        {"low-pass at the Nyquist rate left out", &chin, 0, false, 200, "HP 10 Hz"},
        {"SpO2 is not high-passed", &spo2, 1, false, 200, "~50 Hz"},
        {"position is never filtered", &position, 1, false, 200, ""},
        {"a trace not written", &eeg, 1, false, 0, ""},
    };
    for (const auto& c : kCases) {
        char label[64];
        FormatFilters(label, sizeof label, FiltersOf(*c.channel, c.hum, c.timeConstants, c.rate));
        EXPECT_STREQ(c.label, label) << c.name;
    }
    char cut[8];
    FormatFilters(cut, sizeof cut, FiltersOf(eeg, 1, false, 200));
    EXPECT_STREQ("HP 0.3 ", cut);   // cut, never overflowed
    EXPECT_EQ(3, SettleSeconds(FiltersOf(eeg, 0, false, 200)));   // five time constants of 0.53 s
    EXPECT_EQ(0, SettleSeconds(FiltersOf(position, 1, false, 200)));
}

// A night with EEG-like channels drawn through HP 0.3 / LP 35 / 50 Hz.
struct FilteredNight {
    TempDir dir;
    StateOwner s;
    TracePlan plan;
    TaffHandle own = nullptr;
    FilteredNight(int rate, int seconds, int channels) {
        TaffGenOptions o;
        o.channels = channels;
        o.rate = rate;
        o.seconds = seconds;
        OpenRecording(*s, o, dir.File("NIGHT.HDR"), dir.File("NIGHT.EDF"));
        s->source.humFilter = 1;
        for (ChannelSetting& ch : CurrentPattern(*s).channels) {
            ch.rateDivisor = 1;
            ch.signalType = 4;
            ch.lowFilter = 300, ch.highFilter = 35;
        }
        PlanTraces(s->source, CurrentPattern(*s), &plan);
        own = TaffOpen(dir.File("NIGHT.HDR").c_str(), 0);
    }
    ~FilteredNight() {
        TaffClose(own);
        CloseRecording(*s);
    }
    // The epoch from the whole night filtered in one run from its start.
    std::vector<ColumnRange> Continuous(int64_t firstSecond, int32_t seconds, int32_t columns) {
        EpochReader reader(own, 0);
        std::vector<std::vector<double>> values;
        EXPECT_TRUE(reader.Values(s->source, plan, 0, int32_t(firstSecond + seconds), &values));
        std::vector<ColumnRange> out(size_t(plan.count) * size_t(columns));
        ClearColumns(out.data(), int32_t(out.size()));
        for (int32_t t = 0; t < plan.count; ++t) {
            std::vector<double>& v = values[size_t(t)];
            FilterChain chain(plan.traces[t].filters, plan.traces[t].outputRate);
            chain.Start(v[0]);
            chain.Run(v.data(), int64_t(v.size()));
            const int64_t rate = plan.traces[t].outputRate;
            ReduceToColumns(v.data(), int64_t(v.size()), -firstSecond * rate, rate * seconds, columns,
                            out.data() + size_t(t) * size_t(columns));
        }
        return out;
    }
};

// The largest difference between two pictures, against the epoch's span.
double WorstDifference(const std::vector<ColumnRange>& a, const std::vector<ColumnRange>& b, double* span) {
    double worst = 0, low = 1e300, high = -1e300;
    for (size_t i = 0; i < a.size(); ++i) {
        worst = std::max({worst, std::fabs(double(a[i].low) - b[i].low), std::fabs(double(a[i].high) - b[i].high)});
        low = std::min<double>(low, b[i].low);
        high = std::max<double>(high, b[i].high);
    }
    *span = high - low;
    return worst;
}

TEST(DisplayFilter, EpochLooksTheSamePagedJumpedOrFilteredFromTheStart) {
    FilteredNight night(200, 240, 3);
    const int32_t columns = 500;
    EpochReader paging(night.own, 0), jumping(night.own, 0);
    std::vector<ColumnRange> paged, jumped, raw;
    for (int64_t e = 0; e <= 5; ++e)
        ASSERT_TRUE(paging.Columns(night.s->source, night.plan, e * 30, 30, columns, &paged, true));
    ASSERT_TRUE(jumping.Columns(night.s->source, night.plan, 150, 30, columns, &jumped, true));
    ASSERT_EQ(paged.size(), jumped.size());
    for (size_t i = 0; i < paged.size(); ++i) {
        ASSERT_EQ(paged[i].low, jumped[i].low) << i;
        ASSERT_EQ(paged[i].high, jumped[i].high) << i;
    }
    double span = 0;
    const double settled = WorstDifference(jumped, night.Continuous(150, 30, columns), &span);
    EXPECT_LT(settled, 0.01 * span);
    // The filters change the picture; unfiltered it is the file's values.
    ASSERT_TRUE(jumping.Columns(night.s->source, night.plan, 150, 30, columns, &raw, false));
    const double unfiltered = WorstDifference(jumped, raw, &span);
    EXPECT_GT(unfiltered, 0.05 * span);
}

TEST(DisplayFilter, FastTraceFilteredInGroupsLooksAsFilteredWhole) {
    // 20 kHz against a 35 Hz low-pass: filtered at a lower rate.
    FilteredNight night(20000, 40, 2);
    const int32_t columns = 400;
    EpochReader reader(night.own, 0);
    std::vector<ColumnRange> grouped;
    ASSERT_TRUE(reader.Columns(night.s->source, night.plan, 30, 10, columns, &grouped, true));
    double span = 0;
    const double worst = WorstDifference(grouped, night.Continuous(30, 10, columns), &span);
    EXPECT_LT(worst, 0.03 * span) << span;
}

std::vector<ColumnRange> Flat(int count, float low, float high) {
    std::vector<ColumnRange> c(size_t(count), ColumnRange{low, high, low, high});
    return c;
}

TEST(TraceAxis, FitLeavesASingleSpikeOut) {
    std::vector<ColumnRange> c = Flat(400, -10, 10);
    c[200] = ColumnRange{-3000, 5000, 0, 0};
    c[7].low = c[7].high + 1;   // an empty column counts for nothing
    double low = 0, high = 0;
    ASSERT_TRUE(RobustRange(c.data(), int32_t(c.size()), &low, &high));
    EXPECT_EQ(-10, low);
    EXPECT_EQ(10, high);
    const TraceAxis centred = FitAxis(TraceAxis{false, 75, 0, 0}, c.data(), int32_t(c.size()));
    EXPECT_NEAR(11.0, centred.amplitude, 1e-9);
    const TraceAxis absolute = FitAxis(TraceAxis{true, 1, 80, 100}, c.data(), int32_t(c.size()));
    EXPECT_NEAR(-11.0, absolute.low, 1e-9);
    EXPECT_NEAR(11.0, absolute.high, 1e-9);
    std::vector<ColumnRange> none = Flat(3, 1, 0);
    EXPECT_FALSE(RobustRange(none.data(), 3, &low, &high));
    EXPECT_EQ(75, FitAxis(TraceAxis{false, 75, 0, 0}, none.data(), 3).amplitude);
}

TEST(TraceAxis, OpeningAxes) {
    std::vector<ColumnRange> level = Flat(100, 96.0f, 96.5f);
    PositionCalibration levels = {};
    levels.levelCount = 3;
    levels.centers[0] = 0, levels.centers[1] = 6000, levels.centers[2] = 12000;
    TraceInfo trace = {};
    trace.scale = TraceScale{-32768, 32767, 1.0, 0.0, true};
    const struct {
        const char* name;
        int32_t type, sensitivity;
        TraceAxis axis;
    } kCases[] = {
        {"EEG at its sensitivity", 4, 75000, {false, 75, 0, 0}},
        {"SpO2 up to 100", 11, 10000, {true, 0, 80, 100}},
        {"pulse about a round value", 12, 20000, {true, 0, 80, 120}},
        {"no usable sensitivity: fitted", 4, 0, {false, 0.275, 0, 0}},
        {"position over its levels", REC_TYPE_POSITION, 50000, {true, 0, -2000, 14000}},
    };
    for (const auto& c : kCases) {
        trace.signalType = c.type;
        trace.sensitivity = c.sensitivity;
        std::vector<ColumnRange> cols = c.type == 12 ? Flat(100, 95, 105) : level;
        const TraceAxis a = OpeningAxis(trace, levels, cols.data(), int32_t(cols.size()));
        EXPECT_EQ(c.axis.absolute, a.absolute) << c.name;
        if (a.absolute) {
            EXPECT_NEAR(c.axis.low, a.low, 1e-9) << c.name;
            EXPECT_NEAR(c.axis.high, a.high, 1e-9) << c.name;
        } else {
            EXPECT_NEAR(c.axis.amplitude, a.amplitude, 1e-6) << c.name;
        }
    }
    // Scaling keeps the middle of an absolute axis.
    const TraceAxis larger = ScaleAxis(TraceAxis{true, 0, 80, 100}, 2.0);
    EXPECT_NEAR(85, larger.low, 1e-9);
    EXPECT_NEAR(95, larger.high, 1e-9);
    EXPECT_NEAR(150, ScaleAxis(TraceAxis{false, 75, 0, 0}, 0.5).amplitude, 1e-9);
}

TEST(TraceAxis, Ticks) {
    const struct {
        double low, high;
        int most;
        std::vector<double> ticks;
    } kCases[] = {
        {80, 100, 5, {80, 85, 90, 95, 100}},
        {80, 100, 3, {80, 90, 100}},
        {-1.5, 1.5, 4, {-1, 0, 1}},
        {96.2, 96.9, 3, {96.5}},
        {0, 1, 0, {}},
        {5, 5, 3, {}},
    };
    for (const auto& c : kCases) {
        double ticks[8];
        const int n = AxisTicks(c.low, c.high, c.most, ticks);
        EXPECT_EQ(c.ticks, std::vector<double>(ticks, ticks + n)) << c.low << ".." << c.high;
    }
}

}  // namespace
