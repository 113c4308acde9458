// The night check on short made nights: a clean ten-minute night of every
// kind of channel gives no finding, and each fault put into one channel and
// one stretch of it is found there, with its times. Also the rule set's
// text, the check file read back by Python's JSON reader, and the check of a
// generated recording read through its own reader handle.
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

    MadeNight() {
        source.sourceKind = kSourceTaff;
        source.sampleRate = kRate;
        source.channelCount = kChannels;
        source.lengthSamples = kRate * kSeconds;
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
        for (int c = 0; c < kChannels; ++c) values[c].resize(size_t(Rate(c) * kSeconds));
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
        for (int s = 0; s < kSeconds; s += 7)
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
    EXPECT_EQ("SpO2: 0.0 h usable", night.Check("SpO2 >= 1 h").ruleOutcome);
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
    const std::string json = dir.File("NIGHT1.check.json"), html = dir.File("NIGHT1.check.html");
    ASSERT_EQ(0, WriteCheckFiles(r, info, json, html));
    const std::string script =
        "import json,sys; d=json.load(open(sys.argv[1])); f=[x for x in d['findings'] if x['check']=='flat'][0]; "
        "c=[x for x in d['channels'] if x['label']=='C3-M2'][0]; "
        "print(d['verdict'], d['rule'], d['patient_id'], d['start'], len(d['channels']), f['channel'], f['level'], "
        "f['start_s'], f['end_s'], c['verdict'], round(c['usable_hours'],4))";
    const std::string command = "python3 -c \"" + script + "\" " + json + " > " + dir.File("out.txt");
    ASSERT_EQ(0, system(command.c_str()));
    EXPECT_EQ("warn EEG, SpO2, airflow >= 0.1 h ST-042 2024-03-14T22:15:04 10 C3-M2 fail 120.0 240.0 warn 0.1333\n",
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
