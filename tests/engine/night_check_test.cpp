// The night check on short made nights: a clean ten-minute night of every
// kind of channel gives no finding, and each fault put into one channel and
// one stretch of it is found there, with its times. Also the rule set's
// text, the check file read back by Python's JSON reader, and the check of a
// generated recording read through its own reader handle.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "convert_test_support.h"
#include "engine/check_notes.h"
#include "engine/check_report.h"
#include "engine/epoch_values.h"
#include "engine/night_check.h"
#include "tools/taffimport/taffimport_sources.h"

namespace {

const int kRate = 200;
const int kSeconds = 600;

enum Ch { kC3, kC4, kLoc, kRoc, kChin, kEcg, kFlow, kThorax, kSpo2, kPos, kChannels };

struct ChannelDef {
    const char* label;
    int type;
    int divisor;
    const char* unit;
    int calEU, calVU;   // physical per digital: calEU / calVU
};

// 0.05 uV per count for the electrodes, 0.001 for breathing and 0.01 % for SpO2.
const ChannelDef kDefs[kChannels] = {
    {"C3-M2", 4, 1, "uV", 100, 2000},   {"C4-M1", 4, 1, "uV", 100, 2000}, {"LOC-M2", 5, 1, "uV", 100, 2000},
    {"ROC-M1", 5, 1, "uV", 100, 2000},  {"Chin", 6, 1, "uV", 100, 2000},  {"ECG", 7, 1, "uV", 1000, 2000},
    {"Flow", 8, 4, "V", 1, 1000},       {"Thorax", 9, 4, "V", 1, 1000},   {"SpO2", 11, 200, "%", 1, 100},
    {"Position", 15, 200, "", 1, 1},
};

const int32_t kLevels[4] = {0, 5000, 10000, 15000};

// A made night: physical values per channel at the channel's output rate.
struct MadeNight {
    std::vector<std::vector<double>> values;
    MontagePattern pattern{};
    SourceInfo source{};
    int seconds = kSeconds;

    explicit MadeNight(int length = kSeconds) : seconds(length) {
        source.sourceKind = kSourceTaff;
        source.sampleRate = kRate;
        source.channelCount = kChannels;
        source.lengthSamples = kRate * seconds;
        source.humFilter = 1;
        for (int c = 0; c < kChannels; ++c) {
            ChannelSetting& ch = pattern.channels[c];
            ch.enabled = 1;
            ch.signalType = kDefs[c].type;
            ch.rateDivisor = kDefs[c].divisor;
            ch.calEU = kDefs[c].calEU;
            ch.calVU = kDefs[c].calVU;
            snprintf(ch.label, sizeof ch.label, "%s", kDefs[c].label);
            snprintf(ch.unit, sizeof ch.unit, "%s", kDefs[c].unit);
        }
        pattern.position.levelCount = 4;
        for (int l = 0; l < 4; ++l) pattern.position.centers[l] = kLevels[l], pattern.position.widths[l] = 2000;
        Make();
    }

    int Rate(int c) const { return kRate / kDefs[c].divisor; }

    void Make() {
        std::mt19937 random(7);
        std::normal_distribution<double> noise(0.0, 1.0);
        values.assign(kChannels, {});
        const double tau = 2 * 3.14159265358979;
        for (int c = 0; c < kChannels; ++c) values[c].resize(size_t(Rate(c) * seconds));
        // The eyes: a slow movement every few seconds, opposite on the two sides.
        std::vector<double> eyes(values[kLoc].size());
        for (size_t i = 0; i < eyes.size(); ++i) {
            const double t = double(i) / kRate;
            eyes[i] = 80 * sin(tau * 0.25 * t) * (0.6 + 0.4 * sin(tau * 0.01 * t));
        }
        for (size_t i = 0; i < values[kC3].size(); ++i) {
            const double t = double(i) / kRate;
            const double slow = 40 * sin(tau * 1.5 * t + 0.3) + 15 * sin(tau * 10 * t) + 8 * sin(tau * 6.3 * t);
            values[kC3][i] = slow + 4 * noise(random);
            values[kC4][i] = 0.8 * slow + 25 * sin(tau * 0.9 * t + 1) + 4 * noise(random);
            values[kLoc][i] = eyes[i] + 0.3 * slow + 3 * noise(random);
            values[kRoc][i] = -eyes[i] + 0.3 * slow + 3 * noise(random);
            values[kChin][i] = 6 * noise(random);
        }
        Ecg(values[kEcg], 1.0, 0);
        for (int c : {kFlow, kThorax})
            for (size_t i = 0; i < values[c].size(); ++i) {
                const double t = double(i) / Rate(c);
                values[c][i] = (c == kFlow ? 0.5 : 0.3) * sin(tau * 0.25 * t + c) + 0.01 * noise(random);
            }
        for (size_t i = 0; i < values[kSpo2].size(); ++i) values[kSpo2][i] = 96 + sin(tau * i / 200.0);
        // Position: two levels, changing once.
        for (size_t i = 0; i < values[kPos].size(); ++i) values[kPos][i] = i < 200 ? kLevels[1] : kLevels[2];
    }

    // An ECG of sharp QRS complexes at about 62 bpm with a little variability.
    void Ecg(std::vector<double>& out, double sign, size_t from) {
        std::mt19937 random(11);
        std::uniform_real_distribution<double> jitter(-0.04, 0.04);
        double beat = 0.3;
        for (size_t i = from; i < out.size(); ++i) out[i] = 0;
        while (beat * kRate < double(out.size())) {
            for (int k = -12; k <= 12; ++k) {
                const long at = long(beat * kRate) + k;
                if (at < long(from) || at >= long(out.size())) continue;
                const double q = k / 2.5;
                out[size_t(at)] += sign * (1200 * exp(-q * q) - 150 * exp(-(q - 2.5) * (q - 2.5)));
            }
            beat += 0.97 + jitter(random);
        }
    }

    // Digital samples as the file stores them.
    std::vector<int16_t> Digital(int c) const {
        const TraceScale scale = MakeTraceScale(pattern.channels[c]);
        std::vector<int16_t> d(values[c].size());
        for (size_t i = 0; i < d.size(); ++i) {
            const double v = c == kPos ? values[c][i] : values[c][i] / scale.bitValue - scale.offset;
            d[i] = int16_t(std::lround(std::max(-32768.0, std::min(32767.0, v))));
        }
        return d;
    }

    // Fed in pieces of 7 seconds, trace after trace, as a conversion does.
    NightCheckResult Check(const char* rule = "EEG, SpO2, airflow >= 0.1 h") const {
        NightChecker checker(source, pattern, 0xFFFFFFFFu);
        std::vector<std::vector<int16_t>> digital;
        for (int c = 0; c < kChannels; ++c) digital.push_back(Digital(c));
        for (int s = 0; s < seconds; s += 7)
            for (int c = 0; c < kChannels; ++c) {
                const int64_t first = int64_t(s) * Rate(c);
                const int64_t n = std::min<int64_t>(int64_t(7) * Rate(c), int64_t(digital[c].size()) - first);
                checker.Feed(c, digital[c].data() + first, n);
            }
        NightCheckResult result;
        checker.Finish(CheckRuleSet{rule}, true, &result);
        return result;
    }
};

std::string Describe(const NightCheckResult& r) {
    std::string text;
    for (const CheckFinding& f : r.findings) {
        char line[200];
        snprintf(line, sizeof line, "  %s %s %s %.0f-%.0f s value %.4g (%s)\n", f.label, CheckKindName(f.kind),
                 CheckLevelName(f.level), f.startSeconds, f.endSeconds, f.value, f.note);
        text += line;
    }
    return text;
}

TEST(NightCheck, CleanNightGivesNoFindingAndPasses) {
    const MadeNight night;
    const NightCheckResult r = night.Check();
    EXPECT_TRUE(r.findings.empty()) << Describe(r);
    EXPECT_EQ(CheckVerdict::Pass, r.verdict) << r.ruleOutcome;
    ASSERT_EQ(size_t(kChannels), r.channels.size());
    for (const ChannelSummary& c : r.channels) {
        EXPECT_EQ(CheckVerdict::Pass, c.verdict) << c.label;
        EXPECT_NEAR(kSeconds / 3600.0, c.usableHours, 1e-9) << c.label;
    }
    EXPECT_STREQ("EEG", r.channels[kC3].kind);
    EXPECT_STREQ("airflow", r.channels[kFlow].kind);
    EXPECT_STREQ("position", r.channels[kPos].kind);
    EXPECT_EQ(50, r.mainsHz);
    EXPECT_TRUE(r.complete);
}

// One fault, where it is put and what must be found.
struct Fault {
    const char* name;
    int channel;
    int from, to;               // seconds
    void (*put)(MadeNight&, int channel, size_t from, size_t to);
    CheckKind kind;
    CheckLevel level;
    int foundOn;                // the channel the finding names
};

void PutFlat(MadeNight& n, int c, size_t a, size_t b) {
    for (size_t i = a; i < b; ++i) n.values[c][i] = 0.0;
}
void PutClipped(MadeNight& n, int c, size_t a, size_t b) {
    for (size_t i = a; i < b; ++i) n.values[c][i] *= 400;   // far beyond the recorder's range
}
void PutHum(MadeNight& n, int c, size_t a, size_t b) {
    for (size_t i = a; i < b; ++i) n.values[c][i] += 30 * sin(2 * 3.14159265358979 * 50 * double(i) / kRate);
}
void PutCopy(MadeNight& n, int c, size_t a, size_t b) {
    for (size_t i = a; i < b; ++i) n.values[c][i] = n.values[kC3][i];
}
void PutInvertedEye(MadeNight& n, int c, size_t a, size_t b) {
    for (size_t i = a; i < b; ++i) n.values[c][i] = -n.values[c][i];
}
void PutEcg(MadeNight& n, int c, size_t, size_t) { n.Ecg(n.values[c], 1.0, 0); }
void PutInvertedEcg(MadeNight& n, int c, size_t, size_t) { n.Ecg(n.values[c], -1.0, 0); }
void PutZero(MadeNight& n, int c, size_t a, size_t b) {
    for (size_t i = a; i < b; ++i) n.values[c][i] = 0;
}
void PutNoLevel(MadeNight& n, int c, size_t a, size_t b) {
    for (size_t i = a; i < b; ++i) n.values[c][i] = 7500;
}
void PutMuscle(MadeNight& n, int c, size_t a, size_t b) {
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 40.0);
    for (size_t i = a; i < b; ++i) n.values[c][i] += noise(random) * (i % 2 ? 1 : -1);
}
void PutNoise(MadeNight& n, int c, size_t a, size_t b) {
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 30.0);
    for (size_t i = a; i < b; ++i) n.values[c][i] = noise(random);
}
void PutMovement(MadeNight& n, int c, size_t a, size_t b) {
    for (size_t i = a; i < b; ++i) n.values[c][i] += 900 * sin(2 * 3.14159265358979 * 0.5 * double(i) / kRate);
}
void PutSpo2Times100(MadeNight& n, int c, size_t, size_t) {
    for (double& v : n.values[c]) v *= 3;
}

const Fault kFaults[] = {
    {"flat EEG", kC3, 120, 240, PutFlat, CheckKind::Flat, CheckLevel::Fail, kC3},
    {"clipped EEG", kC4, 300, 360, PutClipped, CheckKind::Clipping, CheckLevel::Fail, kC4},
    {"50 Hz on the chin", kChin, 60, 180, PutHum, CheckKind::Hum, CheckLevel::Warn, kChin},
    {"a copied channel", kC4, 240, 420, PutCopy, CheckKind::Duplicate, CheckLevel::Fail, kC4},
    {"an inverted EOG", kRoc, 180, 360, PutInvertedEye, CheckKind::EogInPhase, CheckLevel::Warn, kRoc},
    {"ECG on an EEG input", kC4, 0, 600, PutEcg, CheckKind::NotItsType, CheckLevel::Fail, kC4},
    {"an inverted ECG", kEcg, 0, 600, PutInvertedEcg, CheckKind::Ecg, CheckLevel::Warn, kEcg},
    {"no beats on the ECG", kEcg, 150, 300, PutNoise, CheckKind::Ecg, CheckLevel::Fail, kEcg},
    {"SpO2 at 0", kSpo2, 300, 420, PutZero, CheckKind::Spo2, CheckLevel::Fail, kSpo2},
    {"SpO2 in the wrong unit", kSpo2, 0, 600, PutSpo2Times100, CheckKind::NotItsType, CheckLevel::Fail, kSpo2},
    {"a position in no level", kPos, 120, 180, PutNoLevel, CheckKind::Position, CheckLevel::Warn, kPos},
    {"muscle on the EEG", kC3, 390, 450, PutMuscle, CheckKind::HfArtifact, CheckLevel::Warn, kC3},
    {"movement on the EEG", kC3, 480, 540, PutMovement, CheckKind::Amplitude, CheckLevel::Warn, kC3},
    {"a flat belt", kThorax, 0, 90, PutFlat, CheckKind::Flat, CheckLevel::Fail, kThorax},
};

TEST(NightCheck, EachFaultIsFoundWithItsTimes) {
    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        MadeNight night;
        const int rate = night.Rate(fault.channel);
        fault.put(night, fault.channel, size_t(fault.from * rate), size_t(fault.to * rate));
        const NightCheckResult r = night.Check();
        bool found = false;
        for (const CheckFinding& f : r.findings) {
            if (f.kind != fault.kind || f.trace != fault.foundOn) continue;
            EXPECT_EQ(fault.from, f.startSeconds) << Describe(r);
            EXPECT_EQ(fault.to, f.endSeconds) << Describe(r);
            EXPECT_EQ(fault.level, f.level) << Describe(r);
            EXPECT_STREQ(kDefs[fault.foundOn].label, f.label);
            found = true;
        }
        EXPECT_TRUE(found) << Describe(r);
    }
}

TEST(NightCheck, PairsNameTheOtherChannel) {
    MadeNight night;
    PutCopy(night, kC4, 0, size_t(kSeconds * kRate));
    const NightCheckResult r = night.Check();
    ASSERT_FALSE(r.findings.empty());
    EXPECT_EQ(CheckKind::Duplicate, r.findings[0].kind);
    EXPECT_STREQ("C4-M1", r.findings[0].label);
    EXPECT_STREQ("C3-M2", r.findings[0].other);
    // A channel fails whose usable time is less than half its length.
    EXPECT_EQ(CheckVerdict::Fail, r.channels[kC4].verdict);
    EXPECT_EQ(0.0, r.channels[kC4].usableHours);
}

// ---- Rules on short stretches, with their exact findings --------------------------

void PutLeadOff(MadeNight& n, int c, size_t a, size_t b, double noiseSd) {
    std::mt19937 random(13);
    std::normal_distribution<double> noise(0.0, noiseSd);
    for (size_t i = a; i < b; ++i) n.values[c][i] = 35 + noise(random);
}
// A steady 50 Hz hum whose share of the chin's power lies at the line.
void PutSteadyHum(MadeNight& n, int c) {
    for (size_t i = 0; i < n.values[c].size(); ++i) n.values[c][i] += 8.3 * sin(2 * 3.14159265358979 * 50 * double(i) / kRate);
}
// Slow waves of 1.2 Hz, 160 uV peak to peak, that both eye electrodes pick up.
void PutSharedSlowWaves(MadeNight& n) {
    for (size_t i = 0; i < n.values[kLoc].size(); ++i) {
        const double t = double(i) / kRate;
        const double wave = 80 * sin(2 * 3.14159265358979 * 1.2 * t) * (0.7 + 0.3 * sin(2 * 3.14159265358979 * 0.05 * t));
        n.values[kLoc][i] += wave;
        n.values[kRoc][i] += wave;
    }
}
// A sine of `uV` peak at `hz` added over samples a..b.
void PutSine(MadeNight& n, int c, size_t a, size_t b, double uV, double hz) {
    for (size_t i = a; i < b; ++i) n.values[c][i] += uV * sin(2 * 3.14159265358979 * hz * double(i) / kRate);
}
// The eyes at rest but over the stretches `moving` (seconds).
void PutRestingEyes(MadeNight& n, const std::vector<std::pair<int, int>>& moving) {
    const double tau = 2 * 3.14159265358979;
    for (size_t i = 0; i < n.values[kLoc].size(); ++i) {
        const double t = double(i) / kRate;
        bool moves = false;
        for (const auto& m : moving) moves = moves || (t >= m.first && t < m.second);
        if (moves) continue;
        const double eyes = 80 * sin(tau * 0.25 * t) * (0.6 + 0.4 * sin(tau * 0.01 * t));
        n.values[kLoc][i] -= eyes;
        n.values[kRoc][i] += eyes;
    }
}
// The body-position channel as one of unknown kind, stepping every five minutes.
void MakeUnknownStepping(MadeNight& n) {
    ChannelSetting& ch = n.pattern.channels[kPos];
    ch.signalType = 20;
    snprintf(ch.label, sizeof ch.label, "Ch10");
    for (size_t i = 0; i < n.values[kPos].size(); ++i) n.values[kPos][i] = kLevels[(i / 300) % 4];
}
// The body-position channel as the oximeter's pulse rate, 60 bpm.
void MakePulseRate(MadeNight& n) {
    ChannelSetting& ch = n.pattern.channels[kPos];
    ch.signalType = 12;
    snprintf(ch.label, sizeof ch.label, "Pulse");
    snprintf(ch.unit, sizeof ch.unit, "bpm");
    for (size_t i = 0; i < n.values[kPos].size(); ++i) n.values[kPos][i] = 60 + (i / 7) % 3;
}

struct Expected {
    int channel;
    CheckKind kind;
    CheckLevel level;
    double start, end, value;
    const char* unit;
    const char* note;
};

struct RuleCase {
    const char* name;
    int seconds;
    void (*put)(MadeNight&);
    std::vector<Expected> findings;     // every finding of the night, in the result's order
};

const RuleCase kRuleCases[] = {
    // Slow waves both EOG leads share are no eyes in phase; eyes rolling
    // together are.
    {"slow waves on both EOG", 600, [](MadeNight& n) { PutSharedSlowWaves(n); }, {}},
    {"slow waves on both EOG, one inverted over 180-360 s", 600,
     [](MadeNight& n) {
         PutSharedSlowWaves(n);
         PutInvertedEye(n, kRoc, 180 * kRate, 360 * kRate);
     },
     {{kRoc, CheckKind::EogInPhase, CheckLevel::Warn, 180, 360, 0.97, "", "eyes in phase"}}},
    // Ends inside epochs: each to the second, not blurred by the long windows.
    {"slow waves on both EOG, one inverted over 193-347 s", 600,
     [](MadeNight& n) {
         PutSharedSlowWaves(n);
         PutInvertedEye(n, kRoc, 193 * kRate, 347 * kRate);
     },
     {{kRoc, CheckKind::EogInPhase, CheckLevel::Warn, 193, 347, 0.97, "", "eyes in phase"}}},
    // A wiring fault does not come and go: ROC inverted all night, the eyes
    // moving over 60-150 s and 420-510 s only, is one finding over the night;
    // it holds over resting eyes up to the epochs where the eyes are seen
    // moving as wired right.
    {"ROC inverted all night, the eyes resting but twice", 600,
     [](MadeNight& n) {
         PutRestingEyes(n, {{60, 150}, {420, 510}});
         PutInvertedEye(n, kRoc, 0, 600 * kRate);
     },
     {{kRoc, CheckKind::EogInPhase, CheckLevel::Warn, 0, 600, 1, "", "eyes in phase"}}},
    {"ROC inverted but over 200-380 s, the eyes seen moving over 250-330 s", 600,
     [](MadeNight& n) {
         PutRestingEyes(n, {{60, 150}, {250, 330}, {420, 510}});
         PutInvertedEye(n, kRoc, 0, 200 * kRate);
         PutInvertedEye(n, kRoc, 380 * kRate, 600 * kRate);
     },
     {{kRoc, CheckKind::EogInPhase, CheckLevel::Warn, 0, 240, 1, "", "eyes in phase"},
      {kRoc, CheckKind::EogInPhase, CheckLevel::Warn, 330, 600, 1, "", "eyes in phase"}}},
    // The eyes resting a few seconds past a stretch's end, then seen moving
    // apart: the stretch ends where the eyes last moved in phase (to a
    // second), not where they are first seen apart (351).
    {"ROC inverted over 90-340 s, the eyes resting over 340-352 s", 600,
     [](MadeNight& n) {
         PutRestingEyes(n, {{0, 340}, {352, 600}});
         PutInvertedEye(n, kRoc, 90 * kRate, 340 * kRate);
     },
     {{kRoc, CheckKind::EogInPhase, CheckLevel::Warn, 90, 341, 1, "", "eyes in phase"}}},
    // A lead off for 71 s, to the second; a long one is one finding.
    {"EEG lead off 100-171 s", 600, [](MadeNight& n) { PutLeadOff(n, kC3, 100 * kRate, 171 * kRate, 0.31); },
     {{kC3, CheckKind::Flat, CheckLevel::Fail, 100, 171, 0.3, "uV rms", "no variation"}}},
    {"EEG flat 170-380 s", 600, [](MadeNight& n) { PutFlat(n, kC3, 170 * kRate, 380 * kRate); },
     {{kC3, CheckKind::Flat, CheckLevel::Fail, 170, 380, 0, "uV rms", "one value"}}},
    // Quieter than a living EEG yet above the dead floor, after the first ten
    // minutes: judged against the night's usual second at its end.
    {"EEG lead off 700-760 s, 1 uV of noise", 900,
     [](MadeNight& n) { PutLeadOff(n, kC3, 700 * kRate, 760 * kRate, 1.0); },
     {{kC3, CheckKind::Flat, CheckLevel::Fail, 700, 760, 0.9, "uV rms", "no variation"}}},
    // A chin with no electrode records the input's noise.
    {"chin lead off 100-366 s", 600, [](MadeNight& n) { PutLeadOff(n, kChin, 100 * kRate, 366 * kRate, 0.39); },
     {{kChin, CheckKind::Flat, CheckLevel::Fail, 100, 366, 0.3, "uV rms", "no variation"}}},
    // A steady hum at the line is one finding all night.
    {"steady hum on the chin", 600, [](MadeNight& n) { PutSteadyHum(n, kChin); },
     {{kChin, CheckKind::Hum, CheckLevel::Warn, 0, 600, 6, "uV rms", "50 Hz"}}},
    // A channel of unknown kind stepping between values is not flat.
    {"unknown kind stepping", 600, MakeUnknownStepping, {}},
    // A movement that drives O1 into its limits is clipping, not another kind
    // of signal, nor its swing or its square edges named apart.
    {"movement into the limits 480-500 s", 600,
     [](MadeNight& n) {
         std::mt19937 random(17);
         std::normal_distribution<double> noise(0.0, 400.0);
         for (size_t i = 480 * kRate; i < 500 * kRate; ++i) n.values[kC3][i] = 1700 + noise(random);
     },
     {{kC3, CheckKind::Clipping, CheckLevel::Fail, 480, 500, 56, "%", "at the converter's limits"}}},
    // One cause, one name: seconds held at the limits are not flat, clipped
    // beats not inverted, a hum's edges not muscle.
    {"Flow clipped 100-200 s", 600, [](MadeNight& n) { PutClipped(n, kFlow, 100 * 50, 200 * 50); },
     {{kFlow, CheckKind::Clipping, CheckLevel::Fail, 100, 200, 90, "%", "at the converter's limits"}}},
    {"ECG clipped 100-200 s", 600, [](MadeNight& n) { PutClipped(n, kEcg, 100 * kRate, 200 * kRate); },
     {{kEcg, CheckKind::Clipping, CheckLevel::Warn, 100, 200, 6.9, "%", "at the converter's limits"}}},
    // Half of each second at the lowest digital value (a tenth of a second
    // at a time): a varying signal at the limits, not a flat one.
    {"C3 at the lower limit five times a second 100-160 s", 600,
     [](MadeNight& n) {
         for (size_t i = 100 * kRate; i < 160 * kRate; ++i)
             if (i % 40 < 20) n.values[kC3][i] = -1e6;
     },
     {{kC3, CheckKind::Clipping, CheckLevel::Fail, 100, 160, 50, "%", "at the converter's limits"}}},
    {"hum of 100 uV on C3 75-143 s", 600, [](MadeNight& n) { PutSine(n, kC3, 75 * kRate, 143 * kRate, 100, 50); },
     {{kC3, CheckKind::Hum, CheckLevel::Warn, 75, 143, 71, "uV rms", "50 Hz"}}},
    // Faults judged on epochs start and end where they do, off the epochs' edges.
    {"hum on the chin 75-143 s", 600, [](MadeNight& n) { PutHum(n, kChin, 75 * kRate, 143 * kRate); },
     {{kChin, CheckKind::Hum, CheckLevel::Warn, 75, 143, 21, "uV rms", "50 Hz"}}},
    {"movement on C3 200-247 s", 600, [](MadeNight& n) { PutMovement(n, kC3, 200 * kRate, 247 * kRate); },
     {{kC3, CheckKind::Amplitude, CheckLevel::Warn, 200, 247, 1780, "uV", "beyond the type's range"}}},
    // A swing of 900 uV on one eye's channel only is a movement, not the eyes.
    {"movement on LOC 200-247 s", 600, [](MadeNight& n) { PutSine(n, kLoc, 200 * kRate, 247 * kRate, 450, 0.5); },
     {{kLoc, CheckKind::Amplitude, CheckLevel::Warn, 200, 247, 1011, "uV", "beyond the type's range"}}},
    // No beats from 165 s to 287 s: the ECG's stretch to the second too.
    {"no beats on the ECG 165-287 s", 600, [](MadeNight& n) { PutNoise(n, kEcg, 165 * kRate, 287 * kRate); },
     {{kEcg, CheckKind::Ecg, CheckLevel::Fail, 165, 287, 2.99, "", "no detectable beats"}}},
    {"C4 a copy of C3 317-422 s", 600, [](MadeNight& n) { PutCopy(n, kC4, 317 * kRate, 422 * kRate); },
     {{kC4, CheckKind::Duplicate, CheckLevel::Fail, 317, 422, 0, "%", "same signal"}}},
    // The probe off: SpO2 at 0 over its stretch, the rest usable; near 0 all night is a probe off too.
    {"SpO2 at 0 over 100-400 s", 600, [](MadeNight& n) { PutZero(n, kSpo2, 100, 400); },
     {{kSpo2, CheckKind::Spo2, CheckLevel::Fail, 100, 400, 0, "%", "probe off"}}},
    {"SpO2 near 0 all night", 600,
     [](MadeNight& n) {
         for (size_t i = 0; i < n.values[kSpo2].size(); ++i) n.values[kSpo2][i] = 0.3 * double(i % 3);
     },
     {{kSpo2, CheckKind::Spo2, CheckLevel::Fail, 0, 600, 0, "%", "probe off"}}},
    {"SpO2 as a fraction", 600,
     [](MadeNight& n) {
         for (double& v : n.values[kSpo2]) v /= 100;
     },
     {{kSpo2, CheckKind::NotItsType, CheckLevel::Fail, 0, 600, 0.96, "", "SpO2 not in percent"}}},
    {"pulse rate dead at 0 over 200-500 s", 600,
     [](MadeNight& n) {
         MakePulseRate(n);
         PutZero(n, kPos, 200, 500);
     },
     {{kPos, CheckKind::Spo2, CheckLevel::Fail, 200, 500, 0, "bpm", "pulse below 30 bpm"}}},
    {"pulse wave dead 200-260 s", 600,
     [](MadeNight& n) {
         MakePulseRate(n);
         snprintf(n.pattern.channels[kPos].unit, sizeof n.pattern.channels[kPos].unit, "mV");
         PutZero(n, kPos, 200, 260);
     },
     {{kPos, CheckKind::Flat, CheckLevel::Fail, 200, 260, 0, "", "one value"}}},
    // A chin envelope of one value a second is flat only where the value stays.
    {"1-Hz chin envelope held 200-260 s", 600,
     [](MadeNight& n) {
         ChannelSetting& ch = n.pattern.channels[kPos];
         ch.signalType = 6;
         snprintf(ch.label, sizeof ch.label, "Chin env");
         snprintf(ch.unit, sizeof ch.unit, "uV");
         for (size_t i = 0; i < n.values[kPos].size(); ++i) n.values[kPos][i] = i >= 200 && i < 260 ? 12 : 10 + i % 5;
     },
     {{kPos, CheckKind::Flat, CheckLevel::Fail, 200, 260, 0, "uV rms", "one value"}}},
    {"SpO2 frozen 100-1400 s", 1500,
     [](MadeNight& n) {
         for (size_t i = 100; i < 1400; ++i) n.values[kSpo2][i] = 95;
     },
     {{kSpo2, CheckKind::Flat, CheckLevel::Warn, 100, 1400, 95, "%", "held at one value"}}},
    // The ECG wired into C3 is C3's fault, not the ECG's.
    {"ECG wired into C3", 600, [](MadeNight& n) { n.values[kC3] = n.values[kEcg]; },
     {{kC3, CheckKind::HfArtifact, CheckLevel::Warn, 0, 600, 36, "uV rms", "muscle or electrode noise"},
      {kC3, CheckKind::Amplitude, CheckLevel::Warn, 0, 600, 1344, "uV", "beyond the type's range"},
      {kC3, CheckKind::NotItsType, CheckLevel::Fail, 0, 600, 62, "bpm", "ECG-like"},
      {kC3, CheckKind::Duplicate, CheckLevel::Fail, 0, 600, 0, "%", "same signal"}}},
    {"position in no level 120-180 s", 600, [](MadeNight& n) { PutNoLevel(n, kPos, 120, 180); },
     {{kPos, CheckKind::Position, CheckLevel::Warn, 120, 180, 7500, "", "value in no level"}}},
    // Twenty seconds: no rule over the night says anything.
    {"a night of 20 s, the chin an ECG", 20, [](MadeNight& n) { n.Ecg(n.values[kChin], -1.0, 0); }, {}},
};

std::string Listed(const NightCheckResult& r) {
    std::string text;
    for (const CheckFinding& f : r.findings) {
        char line[200];
        snprintf(line, sizeof line, "%s %s %s %g-%g %g %s (%s)\n", f.label, CheckKindName(f.kind),
                 CheckLevelName(f.level), f.startSeconds, f.endSeconds, f.value, f.unit, f.note);
        text += line;
    }
    return text;
}

TEST(NightCheck, RulesFindEachFaultExactly) {
    for (const RuleCase& rc : kRuleCases) {
        SCOPED_TRACE(rc.name);
        MadeNight night(rc.seconds);
        rc.put(night);
        const NightCheckResult r = night.Check();
        std::string want;
        for (const Expected& e : rc.findings) {
            char line[200];
            snprintf(line, sizeof line, "%s %s %s %g-%g %g %s (%s)\n", night.pattern.channels[e.channel].label,
                     CheckKindName(e.kind), CheckLevelName(e.level), e.start, e.end, e.value, e.unit, e.note);
            want += line;
        }
        EXPECT_EQ(want, Listed(r));
    }
}

// A real frontal EEG's slow waves (Fpz-Cz of a real night, 100 Hz, each
// sample doubled to 200 Hz) picked up by both eye electrodes: no eyes in
// phase; one EOG inverted over 180-360 s, where the eyes roll: found there.
// The real recordings lie in ../shared/realpsg beside the checkout, or
// where REALPSG says.
TEST(NightCheck, RealSlowWavesOnBothEyesAreNoEyesInPhase) {
    const char* folder = getenv("REALPSG");
    const std::string path = std::string(folder ? folder : REALPSG_DIR) + "/sleep-edf/short_psg.edf";
    ImportedRecording real;
    std::string error;
    if (!ReadEdfRecording(path, &real, &error)) GTEST_SKIP() << "no real recording: " << error;
    const ImportedChannel* fpz = nullptr;
    for (const ImportedChannel& c : real.channels)
        if (c.label == "EEG Fpz-Cz") fpz = &c;
    ASSERT_NE(nullptr, fpz);
    ASSERT_EQ(100, real.rate);
    const double uV = double(fpz->calEU) / fpz->calVU;
    for (const bool inverted : {false, true}) {
        SCOPED_TRACE(inverted ? "one EOG inverted" : "both EOG as wired");
        MadeNight night;
        for (size_t i = 0; i < night.values[kLoc].size(); ++i) {
            const double v = fpz->samples[(i / 2) % fpz->samples.size()] * uV;
            night.values[kLoc][i] += v;
            night.values[kRoc][i] += v;
        }
        if (inverted) PutInvertedEye(night, kRoc, 180 * kRate, 360 * kRate);
        std::string found;
        for (const CheckFinding& f : night.Check().findings)
            if (f.kind == CheckKind::EogInPhase)
                found += std::to_string(int(f.startSeconds)) + "-" + std::to_string(int(f.endSeconds)) + " ";
        EXPECT_EQ(inverted ? "180-360 " : "", found);
    }
}

// What the channels' summaries say of the cases above: usable hours left
// beside a probe off, a fail finding failing its channel, the rules not
// judged on twenty seconds.
TEST(NightCheck, SummariesFollowTheFindings) {
    MadeNight probeOff;
    PutZero(probeOff, kSpo2, 100, 400);
    const NightCheckResult r = probeOff.Check();
    EXPECT_EQ(CheckVerdict::Fail, r.channels[kSpo2].verdict);
    EXPECT_NEAR(300 / 3600.0, r.channels[kSpo2].usableHours, 1e-9);
    EXPECT_EQ("EEG: 0.2 h usable; airflow: 0.2 h usable; SpO2: 0.1 h usable, below 0.1 h", r.ruleOutcome);

    MadeNight shortNight(20);
    shortNight.Ecg(shortNight.values[kChin], -1.0, 0);
    const NightCheckResult s = shortNight.Check();
    EXPECT_EQ(1u << int(CheckKind::NotItsType), s.channels[kChin].notJudged);
    EXPECT_EQ(1u << int(CheckKind::Position), s.channels[kPos].notJudged);
    EXPECT_EQ(0u, s.channels[kEcg].notJudged);
}

// Values as a technician reads them, in their unit.
TEST(NightCheck, ValuesAreRoundedByTheirUnit) {
    const struct {
        double value;
        const char* unit;
        double rounded;
    } cases[] = {{1.455e-14, "uV rms", 0}, {5.664, "uV rms", 5.7}, {654.4, "uV", 654}, {48.4, "%", 48},
                 {3.26, "%", 3.3},       {61.6, "bpm", 62},       {0.9449, "", 0.94}, {10000.4, "", 10000}};
    for (const auto& c : cases) EXPECT_EQ(c.rounded, RoundCheckValue(c.value, c.unit)) << c.value << " " << c.unit;
}

// The table of checks: one row per check, in order, each note with a unit
// of the vocabulary; a finding's note is always one of its check's.
TEST(NightCheck, TableNamesEveryCheckAndNote) {
    int32_t count = 0;
    const CheckRow* rows = CheckRows(&count);
    ASSERT_EQ(int32_t(CheckKind::Count), count);
    const std::vector<std::string> units = {"uV", "uV rms", "%", "bpm", "Hz", "s", ""};
    for (int32_t i = 0; i < count; ++i) {
        EXPECT_EQ(CheckKind(i), rows[i].kind);
        EXPECT_NE(nullptr, rows[i].judge);
        for (int32_t k = 0; k < rows[i].noteCount; ++k)
            EXPECT_NE(units.end(), std::find(units.begin(), units.end(), rows[i].notes[k].unit)) << rows[i].notes[k].text;
    }
    EXPECT_STREQ("eog_in_phase", CheckKindName(CheckKind::EogInPhase));
    for (const RuleCase& rc : kRuleCases)
        for (const Expected& e : rc.findings) EXPECT_NE(nullptr, CheckNoteOf(e.kind, e.note)) << e.note;
}

TEST(NightCheck, NightVerdictFollowsTheRuleSet) {
    MadeNight night;
    PutZero(night, kSpo2, 0, size_t(kSeconds));
    struct Case {
        const char* rule;
        CheckVerdict verdict;
    } const cases[] = {
        {"EEG, SpO2, airflow >= 0.1 h", CheckVerdict::Fail},   // SpO2 has no usable time
        {"EEG, airflow >= 0.1 h", CheckVerdict::Warn},         // met; a channel failed
        {"EEG >= 1 h", CheckVerdict::Fail},                    // the night is ten minutes
        {"eeg,Airflow>=0.05h", CheckVerdict::Warn},
        {"EEG and more", CheckVerdict::Fail},                  // not a rule set
    };
    for (const Case& c : cases) {
        const NightCheckResult r = night.Check(c.rule);
        EXPECT_EQ(c.verdict, r.verdict) << c.rule << ": " << r.ruleOutcome;
        EXPECT_EQ(c.rule, r.rule);
    }
    EXPECT_EQ("SpO2: 0.0 h usable, below 1 h", night.Check("SpO2 >= 1 h").ruleOutcome);
}

TEST(NightCheck, RuleSetTexts) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t kinds;     // a bit per kind: EEG 1, ECG 4, airflow 5, SpO2 7
        double hours;
    } const cases[] = {
        {"EEG, SpO2, airflow >= 4 h", true, 0xA2, 4},
        {"ECG>=2.5", true, 0x10, 2.5},
        {"", true, 0, 0},
        {"EEG >= -1 h", false, 0, 0},
        {"EEG, , SpO2 >= 4 h", false, 0, 0},
        {"Brain >= 4 h", false, 0, 0},
        {"EEG >= 4 days", false, 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t kinds = 0;
        double hours = -1;
        EXPECT_EQ(c.ok, ParseCheckRuleSet(CheckRuleSet{c.text}, &kinds, &hours)) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(c.kinds, kinds) << c.text;
        EXPECT_EQ(c.hours, hours) << c.text;
    }
}

// The check file read back by Python's JSON reader: names, levels and times.
TEST(NightCheck, CheckFileReadsBackAsJson) {
    MadeNight night;
    PutFlat(night, kC3, size_t(120 * kRate), size_t(240 * kRate));
    const NightCheckResult r = night.Check();
    CheckReportInfo info;
    info.recording = "/data/NIGHT1.HDR";
    info.output = "/out/NIGHT1.DAT";
    info.patientId = "ST-042";
    const int start[6] = {2024, 3, 14, 22, 15, 4};
    for (int i = 0; i < 6; ++i) info.start[i] = start[i];
    TempDir dir;
    const std::string json = dir.File("NIGHT1.check.json");
    WriteFile(json, CheckJsonText(r, info));
    const std::string script =
        "import json,sys; d=json.load(open(sys.argv[1])); f=[x for x in d['findings'] if x['check']=='flat'][0]; "
        "c=[x for x in d['channels'] if x['label']=='C3-M2'][0]; "
        "print(d['verdict'], d['rule'], d['patient_id'], d['start'], len(d['channels']), f['channel'], f['level'], "
        "f['start_s'], f['end_s'], f['value'], f['unit'], c['verdict'], round(c['usable_hours'],4), c['not_judged'])";
    const std::string command = "python3 -c \"" + script + "\" " + json + " > " + dir.File("out.txt");
    ASSERT_EQ(0, system(command.c_str()));
    EXPECT_EQ("warn EEG, SpO2, airflow >= 0.1 h ST-042 2024-03-14T22:15:04 10 C3-M2 fail 120.0 240.0 0 uV rms fail 0.1333 []\n",
              ReadFile(dir.File("out.txt")));
    EXPECT_EQ("/out/NIGHT1.check.json", CheckJsonPathFor("/out/NIGHT1.DAT"));
    EXPECT_EQ("a.b/N.check.html", CheckReportPathFor("a.b/N"));
}

// CheckNight reads a generated recording through its own handle, epoch by
// epoch, and judges every written channel; a stop flag set beforehand
// returns an incomplete result.
TEST(NightCheck, ChecksARecordingThroughItsOwnReader) {
    TempDir dir;
    StateOwner s;
    TaffGenOptions options;
    options.seconds = 185;
    OpenRecording(*s, options, dir.File("N.HDR"), dir.File("N.DAT"));
    const MontagePattern& pattern = CurrentPattern(*s);
    TaffHandle reader = TaffOpen(s->source.sourcePath, 0);
    ASSERT_NE(nullptr, reader);
    NightCheckResult r;
    int calls = 0;
    CheckControl control;
    control.progress = [](void* context, double) { ++*static_cast<int*>(context); };
    control.context = &calls;
    EXPECT_TRUE(CheckNight(reader, s->source, pattern, DefaultCheckRuleSet(), control, &r));
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(16u, r.channels.size());
    EXPECT_NEAR(180 / 3600.0, r.hours, 1e-9);   // the last 5 s are too short to judge
    EXPECT_EQ(4, calls);
    EXPECT_EQ(CheckVerdict::Fail, r.verdict);   // three minutes cannot meet four hours

    std::atomic<bool> stop{true};
    control.stop = &stop;
    EXPECT_FALSE(CheckNight(reader, s->source, pattern, DefaultCheckRuleSet(), control, &r));
    EXPECT_FALSE(r.complete);
    TaffClose(reader);
}

// The findings the PSG file carries of a night of 100 s: fails first, then
// warns, each in the result's order; info and stretches after the end left
// out, the others cut to the recording.
TEST(NightCheck, WarnAndFailFindingsBecomeTheFilesAnnotations) {
    const struct {
        CheckKind kind;
        CheckLevel level;
        double start, end;
        const char* label;
    } findings[] = {{CheckKind::Flat, CheckLevel::Fail, -5, 10, ""},
                    {CheckKind::Flat, CheckLevel::Warn, 0, 30, "C3-A2"},
                    {CheckKind::Hum, CheckLevel::Info, 0, 30, "LOC"},
                    {CheckKind::Spo2, CheckLevel::Fail, 30, 90, "SpO2"},
                    {CheckKind::HfArtifact, CheckLevel::Warn, 30, 60, "左眼"},
                    {CheckKind::Clipping, CheckLevel::Fail, 60, 120, "C3-A2"},
                    {CheckKind::Duplicate, CheckLevel::Warn, 90, 120, "Chin  "},
                    {CheckKind::Amplitude, CheckLevel::Warn, 100, 130, "Chin"}};
    NightCheckResult result;
    for (const auto& f : findings) {
        CheckFinding finding{};
        finding.kind = f.kind, finding.level = f.level, finding.startSeconds = f.start, finding.endSeconds = f.end;
        std::strncpy(finding.label, f.label, sizeof finding.label - 1);
        result.findings.push_back(finding);
    }
    std::vector<std::string> notes;
    for (const CheckNote& n : CheckNotesOf(result, 100))
        notes.push_back(std::to_string(int(n.onsetSeconds)) + " " + std::to_string(int(n.durationSeconds)) + " " + n.text);
    EXPECT_EQ(notes, (std::vector<std::string>{"0 10 Check: flat", "30 60 Check: SpO2 spo2", "60 40 Check: C3-A2 clipping",
                                               "0 30 Check: C3-A2 flat", "30 30 Check: 左眼 hf_artifact",
                                               "90 10 Check: Chin duplicate"}));
    EXPECT_TRUE(CheckNotesOf(NightCheckResult(), 100).empty());
}

}  // namespace
