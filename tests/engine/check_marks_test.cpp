// The preview's marks: the night check's findings (the overview strip's
// geometry, what a trace's epoch shows of them, stepping to the next or
// previous) and values off the scale; and where the window opens.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/check_marks.h"
#include "engine/preview_layout.h"
#include "engine/trace_axis.h"

namespace {

CheckFinding Finding(int trace, CheckKind kind, CheckLevel level, double start, double end) {
    CheckFinding f = {};
    f.trace = trace, f.kind = kind, f.level = level, f.startSeconds = start, f.endSeconds = end;
    return f;
}

const PreviewFont kPlain = {96, 7, 12}, kLarge = {144, 10, 18};

TEST(OverviewStrip, Geometry) {
    const struct { PreviewFont font; int traces, height, rowHeight; } sizes[] = {
        {kPlain, 4, 14, 3}, {kPlain, 0, 5, 0}, {kPlain, 21, 65, 3}, {kPlain, 40, 42, 1}, {kLarge, 4, 22, 5},
        {kLarge, 100, 102, 1}};
    for (const auto& k : sizes) {
        const OverviewStrip s = PlaceOverview(k.font, 602, k.traces, 3600);
        EXPECT_EQ(k.height, OverviewHeight(k.font, k.traces)) << k.traces;
        EXPECT_EQ(k.height, s.height);
        EXPECT_EQ(k.rowHeight, s.rowHeight) << k.traces;
    }
    // 600 columns inside a frame of one pixel for a night of an hour: 6 s a column.
    const OverviewStrip s = PlaceOverview(kPlain, 602, 4, 3600);
    int left = 0, right = 0;
    const struct { double seconds; int x; } columns[] = {{-5, 1},    {0, 1},      {5.9, 1},    {6, 2},  {1800, 301},
                                                         {3599, 600}, {3600, 601}, {9000, 601}, {NAN, 1}};
    for (const auto& k : columns) EXPECT_EQ(k.x, OverviewX(s, k.seconds)) << k.seconds;
    const struct { int x; double seconds; } times[] = {{-3, 0},      {1, 0},      {2, 6},     {301, 1800},
                                                       {600, 3594}, {601, 3594}, {700, 3594}};
    for (const auto& k : times) EXPECT_DOUBLE_EQ(k.seconds, OverviewSeconds(s, k.x)) << k.x;
    // Spans at least `least` wide, kept inside the frame.
    const struct { double from, to; int least, left, right; } spans[] = {
        {600, 1200, 1, 101, 201}, {600, 601, 1, 101, 102}, {600, 606, 3, 101, 104}, {3590, 3620, 3, 598, 601}};
    for (const auto& k : spans) {
        OverviewSpan(s, k.from, k.to, k.least, &left, &right);
        EXPECT_EQ(std::make_pair(k.left, k.right), std::make_pair(left, right)) << k.from;
    }
    EXPECT_EQ(1, OverviewX(PlaceOverview(kPlain, 602, 4, 0), 100));   // no night
}

TEST(CheckMarks, WhatAnEpochShowsOfATrace) {
    const std::vector<CheckFinding> findings = {
        Finding(0, CheckKind::Flat, CheckLevel::Fail, 10, 40), Finding(0, CheckKind::Hum, CheckLevel::Warn, 20, 25),
        Finding(0, CheckKind::Flat, CheckLevel::Fail, 50, 55), Finding(1, CheckKind::Clipping, CheckLevel::Info, 30, 30),
        Finding(0, CheckKind::HfArtifact, CheckLevel::Info, 60, 90)};
    // Epoch [from, from + 30) in 300 columns.
    const struct { int index; double from; bool shown; int left, right; } places[] = {
        {0, 0, true, 100, 300}, {0, 30, true, 0, 100}, {0, 40, false, 0, 0},
        {3, 30, true, 0, 1},    {3, 0, false, 0, 0},   {1, 0, true, 200, 250}};
    for (const auto& k : places) {
        int left = -1, right = -1;
        EXPECT_EQ(k.shown, FindingColumns(findings[size_t(k.index)], k.from, 30, 300, &left, &right)) << k.index;
        if (k.shown) { EXPECT_EQ(std::make_pair(k.left, k.right), std::make_pair(left, right)) << k.index; }
    }
    const struct { int trace; double from, to; size_t size; const char* names; } names[] = {
        {0, 0, 30, 64, "flat, hum"}, {0, 30, 60, 64, "flat"}, {0, 30, 90, 64, "flat, hf_artifact"},
        {1, 0, 30, 64, ""},          {1, 30, 60, 64, "clipping"}, {2, 0, 100, 64, ""},
        {0, 0, 90, 10, "flat, hum"}};   // a name that does not fit is left out whole
    for (const auto& k : names) {
        char text[64];
        FindingNames(findings, k.trace, k.from, k.to, text, k.size);
        EXPECT_STREQ(k.names, text) << k.trace << " " << k.from;
    }
    // In the window's own words when it gives them.
    char shownNames[64];
    FindingNames(findings, 0, 0, 30, shownNames, sizeof shownNames,
                 [](CheckKind k) { return k == CheckKind::Flat ? std::string("F") : std::string("H"); });
    EXPECT_STREQ("F, H", shownNames);
    // Into a label's width (7 pixels a character): whole names, the rest counted.
    const struct { const char* names; int width; const char* shown; } fits[] = {
        {"flat, not_its_type, hum", 161, "flat, not_its_type, hum"}, {"flat, not_its_type, hum", 160, "flat, not_its_type +1"},
        {"flat, not_its_type, hum", 100, "flat +2"}, {"not_its_type", 83, "+1"}, {"not_its_type", 84, "not_its_type"}, {"not_its_type", 13, ""},
        {"flat, hum", 14, "+2"}, {"", 0, ""}};
    for (const auto& k : fits) {
        char text[64];
        FitWholeNames(k.names, k.width, [](const char* s) { return int(7 * strlen(s)); }, text, sizeof text);
        EXPECT_STREQ(k.shown, text) << k.width;
    }
    const struct { int trace; double at; int index; } under[] = {{0, 15, 0},  {0, 22, 0},   {0, 40, -1}, {0, 60, 4},
                                                                 {1, 30.5, 3}, {1, 31, -1}, {2, 15, -1}};
    for (const auto& k : under) EXPECT_EQ(k.index, FindingAt(findings, k.trace, k.at)) << k.trace << " " << k.at;
}

TEST(CheckMarks, NextAndPreviousFinding) {
    const std::vector<CheckFinding> findings = {
        Finding(2, CheckKind::Flat, CheckLevel::Fail, 5, 35),    Finding(1, CheckKind::Hum, CheckLevel::Warn, 95, 100),
        Finding(0, CheckKind::Hum, CheckLevel::Warn, 95, 100),   Finding(2, CheckKind::Ecg, CheckLevel::Info, 100, 200),
        Finding(1, CheckKind::Spo2, CheckLevel::Fail, 240, 250), Finding(7, CheckKind::Flat, CheckLevel::Fail, 150, 160),
        Finding(1, CheckKind::Flat, CheckLevel::Fail, NAN, 160)};
    // From the 30-second epoch starting at `start`: the finding gone to.
    const struct { double start; int trace; bool forward; int index; } cases[] = {
        {0, -1, true, 2},                     // a later epoch; equal starts: the lowest trace
        {60, -1, true, 2},   {60, 2, true, 3},
        {90, -1, true, 4},                    // 95 and 100 lie in this epoch: the next one after it
        {90, 1, true, 4},    {90, 2, true, -1}, {240, -1, true, -1},   // the end of the night
        {120, -1, false, 3}, {90, -1, false, 0}, {0, -1, false, -1},   // the start of the night
        {240, 2, false, 3},  {240, 0, false, 2}, {30, 0, false, -1},
        {120, 7, true, -1}};                  // a trace the plan has not: never
    for (const auto& k : cases)
        EXPECT_EQ(k.index, StepFinding(findings, k.start, 30, k.trace, 4, k.forward))
            << k.start << " " << k.trace << " " << k.forward;
    EXPECT_EQ(-1, StepFinding({}, 0, 30, -1, 4, true));
    const struct { double at; int32_t seconds; int64_t epoch; } epochs[] = {
        {0, 30, 0}, {29.999, 30, 0}, {30, 30, 1}, {95, 10, 9}, {-4, 30, 0}, {NAN, 30, 0}, {100, 0, 0}};
    for (const auto& k : epochs) EXPECT_EQ(k.epoch, EpochHolding(k.at, k.seconds)) << k.at;
}


// Values past the band's edges: one run a side however long, a column past
// both edges in a run of each, empty columns ending a run, the farthest
// value of each run (an SpO2 of 0 % under an 80-100 % axis reads 0).
TEST(OffScaleMarks, RunsOfEachSide) {
    const float E = 1, F = 0;   // an empty column: low above high
    const ColumnRange columns[] = {
        {90, 95, 90, 95}, {0, 96, 96, 0}, {0, 0, 0, 0},   {0, 2, 2, 0},     {E, F, E, F}, {70, 79, 70, 79},
        {95, 99, 95, 99}, {99, 130, 99, 130}, {50, 120, 50, 120}, {101, 101, 101, 101}};
    const std::vector<OffScaleRun> runs = OffScaleRuns(columns, 10, 80, 100);
    const struct { int first, last; bool above; double farthest; } expected[] = {
        {1, 3, false, 0}, {5, 5, false, 70}, {7, 9, true, 130}, {8, 8, false, 50}};
    ASSERT_EQ(4u, runs.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(expected[i].first, runs[i].first) << i;
        EXPECT_EQ(expected[i].last, runs[i].last) << i;
        EXPECT_EQ(expected[i].above, runs[i].above) << i;
        EXPECT_EQ(expected[i].farthest, runs[i].farthest) << i;
    }
    EXPECT_TRUE(OffScaleRuns(columns, 1, 80, 100).empty());
    EXPECT_TRUE(OffScaleRuns(columns, 10, -1000, 1000).empty());
}


// The window's place: cut to the work area, centred on its owner, moved
// wholly into the work area (a 144 dpi preview of 1440 x 1020 on a screen
// of 1280 x 1024 with a task bar of 40).
TEST(PreviewPlace, InTheWorkArea) {
    const PreviewBox work = {0, 0, 1280, 984};
    const struct { int width, height; PreviewBox near, expected; } cases[] = {
        {1440, 1020, {100, 100, 900, 700}, {0, 0, 1280, 984}},
        {960, 680, {100, 100, 900, 700}, {20, 60, 980, 740}},
        {960, 680, {-400, 900, 0, 1200}, {0, 304, 960, 984}},
        {960, 680, {1200, -50, 1600, 50}, {320, 0, 1280, 680}},
        {0, 0, {0, 0, 0, 0}, {0, 0, 1, 1}}};
    for (const auto& k : cases) {
        const PreviewBox b = PlaceInWorkArea(k.width, k.height, work, k.near);
        EXPECT_EQ(k.expected.left, b.left) << k.width;
        EXPECT_EQ(k.expected.top, b.top) << k.width;
        EXPECT_EQ(k.expected.right, b.right) << k.width;
        EXPECT_EQ(k.expected.bottom, b.bottom) << k.width;
    }
}
}  // namespace
