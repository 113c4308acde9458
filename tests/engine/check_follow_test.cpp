// The window's night check following the montage: which traces a change
// touches, the result put together from kept and fresh findings, and the
// question's texts and key.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/check_follow.h"

namespace {

// A plan writing the source channels `sources` (labelled "S<source>").
TracePlan PlanOf(std::initializer_list<int> sources) {
    TracePlan plan;
    memset(&plan, 0, sizeof plan);
    for (int s : sources) {
        TraceInfo& t = plan.traces[plan.count++];
        t.source = s;
        snprintf(t.label, sizeof t.label, "S%d", s);
    }
    return plan;
}

MontagePattern Pattern() {
    MontagePattern p;
    memset(&p, 0, sizeof p);
    for (ChannelSetting& c : p.channels) {
        c.enabled = 1;
        c.rateDivisor = 1;
        c.calEU = 100;
        c.calVU = 1000;
    }
    return p;
}

CheckFinding Finding(int trace, const char* label, double start, const char* other = "") {
    CheckFinding f{};
    f.trace = trace;
    f.kind = CheckKind::Flat;
    f.level = CheckLevel::Fail;
    f.startSeconds = start;
    f.endSeconds = start + 30;
    strcpy(f.label, label);
    strcpy(f.other, other);
    return f;
}

ChannelSummary Summary(int trace, const char* label, double usable, CheckVerdict verdict) {
    ChannelSummary c{};
    c.trace = trace;
    strcpy(c.label, label);
    c.kind = "EEG";
    c.usableHours = usable;
    c.hours = 8;
    c.verdict = verdict;
    return c;
}

TEST(CheckFollow, TouchedTracesAreThoseWhoseWrittenValuesChanged) {
    const struct {
        const char* change;
        void (*apply)(ChannelSetting&);
        uint32_t mask;
    } cases[] = {
        {"label", [](ChannelSetting& c) { strcpy(c.label, "X"); }, 0},
        {"unit", [](ChannelSetting& c) { strcpy(c.unit, "mV"); }, 0},
        {"type", [](ChannelSetting& c) { c.signalType = 7; }, 2},
        {"calibration", [](ChannelSetting& c) { c.calEU = 200; }, 2},
        {"offset", [](ChannelSetting& c) { c.offsetAD = 3; }, 2},
        {"divisor", [](ChannelSetting& c) { c.rateDivisor = 2; }, 2},
        {"low cut", [](ChannelSetting& c) { c.lowFilter = 300; }, 2},
        {"time constant", [](ChannelSetting& c) { c.timeConstant = 300; }, 2},
        {"high cut", [](ChannelSetting& c) { c.highFilter = 35; }, 2},
        {"sensitivity", [](ChannelSetting& c) { c.sensitivity = 50000; }, 2},
    };
    const TracePlan plan = PlanOf({0, 3, 5});
    for (const auto& c : cases) {
        MontagePattern after = Pattern();
        c.apply(after.channels[3]);
        EXPECT_EQ(c.mask, TouchedTraces(plan, Pattern(), plan, after)) << c.change;
    }
    // A channel switched on is new to the check; one switched off touches none.
    EXPECT_EQ(2u, TouchedTraces(PlanOf({0, 5}), Pattern(), PlanOf({0, 4, 5}), Pattern()));
    EXPECT_EQ(0u, TouchedTraces(PlanOf({0, 4, 5}), Pattern(), PlanOf({0, 5}), Pattern()));
}

TEST(CheckFollow, AMergeKeepsUntouchedChannelsAtTheirNewPlacesAndJudgesTheNightAgain) {
    NightCheckResult kept;
    kept.complete = true;
    kept.channels = {Summary(0, "S0", 8, CheckVerdict::Pass), Summary(1, "S1", 2, CheckVerdict::Fail),
                     Summary(2, "S2", 1, CheckVerdict::Fail)};
    kept.findings = {Finding(2, "S2", 60), Finding(1, "S1", 30), Finding(0, "S0", 90, "S1"), Finding(2, "S2", 120, "S0")};
    const CheckRuleSet rules{"EEG >= 4 h"};

    // S1 switched off, S0 relabelled: nothing checked again.
    TracePlan after = PlanOf({0, 2});
    strcpy(after.traces[0].label, "N0");
    NightCheckResult none;
    none.complete = true;
    NightCheckResult m = MergeRecheck(kept, PlanOf({0, 1, 2}), none, after, 0, rules);
    ASSERT_EQ(2u, m.channels.size());
    EXPECT_STREQ("N0", m.channels[0].label);
    EXPECT_EQ(1, m.channels[1].trace);
    EXPECT_STREQ("S2", m.channels[1].label);
    // The pair with the channel switched off is gone; the other names N0.
    ASSERT_EQ(2u, m.findings.size());
    EXPECT_EQ(60, m.findings[0].startSeconds);
    EXPECT_EQ(1, m.findings[0].trace);
    EXPECT_EQ(120, m.findings[1].startSeconds);
    EXPECT_STREQ("N0", m.findings[1].other);
    EXPECT_EQ(CheckVerdict::Warn, m.verdict);     // S0 keeps 8 usable hours of EEG; S2 fails
    EXPECT_EQ("EEG >= 4 h", m.rule);

    // S0 checked again (trace 0): its fresh findings and summary replace the kept ones.
    NightCheckResult fresh;
    fresh.complete = true;
    fresh.channels = {Summary(0, "N0", 3, CheckVerdict::Fail), Summary(1, "ignored", 9, CheckVerdict::Pass)};
    fresh.findings = {Finding(0, "N0", 10), Finding(1, "ignored", 5)};
    m = MergeRecheck(m, after, fresh, after, 1u, rules);
    ASSERT_EQ(3u, m.findings.size());
    EXPECT_STREQ("N0", m.findings[0].label);
    EXPECT_EQ(10, m.findings[0].startSeconds);
    EXPECT_EQ(CheckVerdict::Fail, m.verdict);     // no EEG with 4 usable hours now
    EXPECT_EQ("N0, S2", FailingChannels(m));
    EXPECT_EQ("", FailingChannels(none));
}

TEST(CheckFollow, TheQuestionsKeyDiffersWithTheRecordingAndTheMontage) {
    const MontagePattern p = Pattern();
    MontagePattern q = Pattern();
    q.channels[7].highFilter = 15;
    EXPECT_EQ(NightKey("A.HDR", p), NightKey("A.HDR", Pattern()));
    EXPECT_NE(NightKey("A.HDR", p), NightKey("B.HDR", p));
    EXPECT_NE(NightKey("A.HDR", p), NightKey("A.HDR", q));
}

}  // namespace
