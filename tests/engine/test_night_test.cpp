// The generated test nights: each fault lands on its channel and stretch
// and nowhere else, bad fault texts are refused, the ground-truth file says
// what was laid, the clean night's signals lie in the ranges of a real
// night (in physical units through the night's montage), an EDF file read for
// taffimport keeps its limits, calibration and rates, and the night
// check of a night made by taffgen agrees with its ground-truth file.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "tools/taffgen/taffgen_check.h"
#include "tools/taffgen/taffgen_montage.h"
#include "tools/taffgen/taffgen_real.h"
#include "tools/taffimport/taffimport_sources.h"
#include "tools/taffimport/taffimport_write.h"

namespace {

const int kRate = 200;

std::string TinyEdf();

std::vector<std::string> Names(int channels) {
    std::vector<std::string> names;
    for (int c = 0; c < channels; ++c) names.push_back(TaffGenChannelName(c));
    return names;
}

TaffGenFault Parsed(const std::string& text) {
    TaffGenFault f;
    std::string error;
    EXPECT_TRUE(ParseTaffGenFault(text, Names(20), &f, &error)) << text << ": " << error;
    return f;
}

// Each fault of 2 s at 10 s: what the channel must hold inside the stretch,
// from the clean night's sample of the channel (and of channel 1, C3-A2).
TEST(TestNight, EachFaultLandsOnItsChannelAndStretchOnly) {
    using Expect = std::function<int64_t(int64_t clean, int64_t c3, int64_t heldAtStart)>;
    const struct {
        const char* fault;
        int channel;
        Expect inside;
    } cases[] = {
        {"flat:C3-A2:10:2:0", 0, [](int64_t, int64_t, int64_t held) { return held; }},
        {"clipping:ECG:10:2:20", 7, [](int64_t v, int64_t, int64_t) { return std::max<int64_t>(-32768, std::min<int64_t>(32767, v * 20)); }},
        {"duplicate:C4-A1:10:2", 1, [](int64_t, int64_t c3, int64_t) { return c3; }},
        {"eog_in_phase:ROC:10:2", 5, [](int64_t v, int64_t, int64_t) { return -v; }},
        {"ecg:ECG:10:2", 7, [](int64_t v, int64_t, int64_t) { return -v; }},
        {"spo2:12:10:2", 11, [](int64_t, int64_t, int64_t) { return 0; }},
        {"not_its_type:SpO2:10:2", 11, [](int64_t v, int64_t, int64_t) { return v / 100; }},
        {"position:Position:10:2", 12, [](int64_t, int64_t, int64_t) { return 7500; }},
        {"position:Position:10:2:12345", 12, [](int64_t, int64_t, int64_t) { return 12345; }},
    };
    TaffGenOptions clean;
    clean.channels = 20;
    for (const auto& c : cases) {
        TaffGenOptions o = clean;
        o.faults.push_back(Parsed(c.fault));
        const int64_t first = 10 * kRate, end = 12 * kRate;
        const int64_t held = TaffGenExpectedSample(clean, c.channel, first);
        for (int64_t s = first - 50; s < end + 50; ++s) {
            const int64_t v = TaffGenExpectedSample(clean, c.channel, s);
            const int64_t want = s >= first && s < end ? c.inside(v, TaffGenExpectedSample(clean, 0, s), held) : v;
            ASSERT_EQ(want, TaffGenExpectedSample(o, c.channel, s)) << c.fault << " scan " << s;
        }
        // The other channels stay clean.
        for (int ch = 0; ch < 20; ++ch) {
            if (ch == c.channel) continue;
            ASSERT_EQ(TaffGenExpectedSample(clean, ch, first), TaffGenExpectedSample(o, ch, first)) << c.fault;
        }
    }
}

// Faults that add a wave or noise: the added part has the strength asked
// for and, for the mains hum, the mains frequency (a 50 Hz wave at 200 Hz
// turns over every 2 samples).
TEST(TestNight, AddedFaultsHaveTheirStrengthAndFrequency) {
    TaffGenOptions clean;
    clean.channels = 20;
    const struct {
        const char* fault;
        double rmsLow, rmsHigh;
        bool mains;
    } cases[] = {
        {"hum:Chin:0:5:3000", 2080, 2170, true},        // 3000 / sqrt 2
        {"hf_artifact:C3-A2:0:5:3000", 1000, 1500, false},
        {"amplitude:C3-A2:0:5:16000", 2500, 12000, false},
    };
    for (const auto& c : cases) {
        TaffGenOptions o = clean;
        o.faults.push_back(Parsed(c.fault));
        const int channel = o.faults[0].channel;
        double sum = 0;
        int turns = 0;
        std::vector<int64_t> added;
        for (int64_t s = 0; s < 5 * kRate; ++s)
            added.push_back(TaffGenExpectedSample(o, channel, s) - TaffGenExpectedSample(clean, channel, s));
        for (size_t i = 0; i < added.size(); ++i) {
            sum += double(added[i]) * double(added[i]);
            if (i >= 2 && std::llabs(added[i] + added[i - 2]) <= 2) ++turns;
        }
        const double rms = std::sqrt(sum / double(added.size()));
        EXPECT_GT(rms, c.rmsLow) << c.fault;
        EXPECT_LT(rms, c.rmsHigh) << c.fault;
        if (c.mains) EXPECT_GT(turns, 990) << c.fault;
        else EXPECT_LT(turns, 200) << c.fault;
    }
}

TEST(TestNight, BadFaultTextsAreRefused) {
    TaffGenFault f;
    std::string error;
    for (const char* bad : {"flat:C3-A2:10", "flat:C3-A2:10:5:1:2", "noise:1:0:10", "flat:21:0:10", "flat:0:0:10",
                            "flat:Fz:0:10", "flat:1:-5:10", "flat:1:0:0", "flat:1:x:10", "hum:1:0:10:loud",
                            "duplicate:1:0:10:1", "duplicate:1:0:10:21", "duplicate:1:0:10:1.5"}) {
        EXPECT_FALSE(ParseTaffGenFault(bad, Names(20), &f, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    // Defaults filled in: the duplicate's neighbour, the position's in-between level.
    EXPECT_EQ(1, Parsed("duplicate:C4-A1:0:1").value);
    EXPECT_EQ(12, Parsed("duplicate:11:0:1").value);
    EXPECT_EQ(7500, Parsed("position:13:0:1").value);
}

// The defaults are faults a lab meets, each clearly beyond what a clean
// channel shows: a lead off keeps a few tenths of a microvolt of amplifier
// noise (a frozen oximeter none), a movement swings well past 800 uV peak
// to peak on EEG in every epoch (up to the converter's limits), a hum carries most of the chin's power.
TEST(TestNight, DefaultFaultsAreOnesALabMeets) {
    const struct {
        const char* channel;
        TaffGenFaultKind kind;
        double value;
    } defaults[] = {
        {"C3-A2", TaffGenFaultKind::Flat, 21},  {"LOC", TaffGenFaultKind::Flat, 21},
        {"Chin", TaffGenFaultKind::Flat, 52},   {"ECG", TaffGenFaultKind::Flat, 5},
        {"Flow", TaffGenFaultKind::Flat, 1},    {"SpO2", TaffGenFaultKind::Flat, 0},
        {"Position", TaffGenFaultKind::Flat, 0}, {"Pulse", TaffGenFaultKind::Flat, 0},
        {"O2-A1", TaffGenFaultKind::Amplitude, 40000}, {"Chin", TaffGenFaultKind::Hum, 4000},
        {"C3-A2", TaffGenFaultKind::HfArtifact, 6000}, {"C3-A2", TaffGenFaultKind::Clipping, 20},
    };
    for (const auto& d : defaults)
        EXPECT_EQ(d.value, Parsed(std::string(TaffGenFaultName(d.kind)) + ":" + d.channel + ":0:1").value)
            << TaffGenFaultName(d.kind) << " on " << d.channel;
    // On a channel of another recording, the same sizes in its own counts
    // (a real Pz-Oz of 166.7 counts a microvolt).
    EXPECT_EQ(87, TaffGenVoltageFaultDefault(TaffGenFaultKind::Flat, 166.7));
    EXPECT_EQ(16670, TaffGenVoltageFaultDefault(TaffGenFaultKind::Hum, 166.7));
    EXPECT_EQ(1, TaffGenVoltageFaultDefault(TaffGenFaultKind::Flat, 0.5));
    EXPECT_EQ(-1, TaffGenVoltageFaultDefault(TaffGenFaultKind::Clipping, 166.7));
    EXPECT_EQ(-1, TaffGenVoltageFaultDefault(TaffGenFaultKind::Hum, 0));
    // Every fault is named by a check of the night check.
    for (int k = 0; k < int(TaffGenFaultKind::Count); ++k)
        EXPECT_NE(CheckKind::Count, CheckKindOf(TaffGenFaultKind(k))) << k;

    TaffGenOptions clean;
    clean.channels = 20;
    TaffGenOptions moved = clean;
    moved.faults = {Parsed("amplitude:O2-A1:0:120"), Parsed("hum:Chin:0:30")};
    for (int epoch = 0; epoch < 4; ++epoch) {
        int64_t low = 32767, high = -32768;
        for (int64_t s = epoch * 30 * kRate; s < (epoch + 1) * 30 * kRate; ++s) {
            low = std::min<int64_t>(low, TaffGenExpectedSample(moved, 3, s));
            high = std::max<int64_t>(high, TaffGenExpectedSample(moved, 3, s));
        }
        EXPECT_GT((high - low) / 40.0, 950) << "uV peak to peak, epoch " << epoch;
    }
    double hum = 0, all = 0;
    for (int64_t s = 0; s < 30 * kRate; ++s) {
        const double added = double(TaffGenExpectedSample(moved, 6, s) - TaffGenExpectedSample(clean, 6, s));
        hum += added * added;
        all += double(TaffGenExpectedSample(moved, 6, s)) * TaffGenExpectedSample(moved, 6, s);
    }
    EXPECT_GT(hum / all, 0.7);
}

// A probe off stops the oximeter's pulse rate with the SpO2: its own fault,
// reading 0 bpm over the same stretch; the pulse rate of a clean night lies
// in 50-80 bpm. Jumps of the SpO2, or a night without a pulse channel, add nothing.
TEST(TestNight, ProbeOffStopsThePulseRateToo) {
    const std::vector<TaffGenFault> laid = TaffGenWithCompanions({Parsed("spo2:SpO2:10:2")}, 20);
    ASSERT_EQ(2u, laid.size());
    EXPECT_EQ(19, laid[1].channel);
    EXPECT_EQ(TaffGenFaultKind::Spo2, laid[1].kind);
    EXPECT_EQ(10, laid[1].startSeconds);
    EXPECT_EQ(1u, TaffGenWithCompanions({Parsed("spo2:SpO2:10:2")}, 14).size());
    EXPECT_EQ(1u, TaffGenWithCompanions({Parsed("spo2:SpO2:10:2:1")}, 20).size());
    TaffGenOptions o;
    o.channels = 20;
    o.faults = laid;
    for (int64_t s : {9 * kRate, 12 * kRate}) {
        EXPECT_GT(TaffGenExpectedSample(o, 19, s), 5000) << s;   // 100 counts a bpm
        EXPECT_LT(TaffGenExpectedSample(o, 19, s), 8000) << s;
    }
    for (int64_t s = 10 * kRate; s < 12 * kRate; ++s) ASSERT_EQ(0, TaffGenExpectedSample(o, 19, s)) << s;
}

// A real frontal EEG reaches both eye channels with the same sign (ROC with
// some of another stretch), the eye movements stay opposite; read from an
// EDF file in uV and brought to the night's rate in the eye channels' 40
// counts a microvolt.
TEST(TestNight, FrontalEegReachesBothEyeChannels) {
    TempDir dir;
    const std::string edf = dir.File("tiny.edf");
    WriteFile(edf, TinyEdf());
    TaffGenOptions o;
    o.channels = 8;
    o.seconds = 60;
    std::string error;
    EXPECT_FALSE(TaffGenLoadEogEeg(edf, "EEG Fpz-Cz", &o, &error));
    ASSERT_TRUE(TaffGenLoadEogEeg(edf, "EEG C3-A2", &o, &error)) << error;
    ASSERT_EQ(400u, o.eogEeg.size());   // 2 s at 200 Hz
    EXPECT_EQ(-1952, o.eogEeg[0]);      // -48.8 uV
    EXPECT_EQ(-1756, o.eogEeg[10]);     // halfway to the next sample
    EXPECT_EQ(-1561, o.eogEeg[20]);
    TaffGenOptions clean = o;
    clean.eogEeg.clear();
    for (int64_t s : {int64_t(0), int64_t(10), int64_t(399), int64_t(400 + 20)}) {
        const int64_t eeg = o.eogEeg[size_t(s % 400)];
        EXPECT_EQ(TaffGenExpectedSample(clean, 4, s) + eeg, TaffGenExpectedSample(o, 4, s)) << s;
        const int64_t other = o.eogEeg[size_t((s + 200) % 400)];   // half the loop away
        EXPECT_EQ(TaffGenExpectedSample(clean, 5, s) + (4 * eeg + 2 * other) / 5, TaffGenExpectedSample(o, 5, s)) << s;
        EXPECT_EQ(TaffGenExpectedSample(clean, 0, s), TaffGenExpectedSample(o, 0, s)) << s;
    }
    // The eye-pair night with one eye channel inverted over its quick eye
    // movements: stretches of REM sleep of a minute or more, a realistic share.
    TaffGenOptions night;
    night.channels = 20;
    night.seconds = 8 * 3600;
    const int laid = TaffGenInvertEogInEyeMovements(&night);
    ASSERT_GT(laid, 0);
    double rem = 0;
    for (const TaffGenFault& f : night.faults) {
        EXPECT_EQ(TaffGenFaultKind::EogInPhase, f.kind);
        EXPECT_EQ(5, f.channel);
        EXPECT_GE(f.lengthSeconds, 60);
        rem += f.lengthSeconds;
    }
    EXPECT_GT(rem / 3600, 0.5);
    EXPECT_LT(rem / 3600, 2.5);
    // The saccades fill a stretch of quick eye movements, and each moves the
    // eye channels by its step (the left as listed, the right the opposite;
    // within the EEG and noise they also carry).
    night.faults.clear();
    const std::vector<TaffGenSaccade> moves = TaffGenSaccades(night, 666, 788);
    ASSERT_EQ(153u, moves.size());
    EXPECT_DOUBLE_EQ(666.405, moves.front().startSeconds);
    EXPECT_NEAR(-22.425, moves.front().microvolts, 1e-9);
    EXPECT_NEAR(787.66, moves.back().startSeconds + moves.back().lengthSeconds, 1e-9);
    int large = 0;
    for (const TaffGenSaccade& m : moves) {
        if (std::fabs(m.microvolts) < 100) continue;
        const int64_t a = std::llround(m.startSeconds * 200) - 1, b = std::llround((m.startSeconds + m.lengthSeconds) * 200);
        EXPECT_NEAR(m.microvolts, (TaffGenExpectedSample(night, 4, b) - TaffGenExpectedSample(night, 4, a)) / 40.0, 15);
        EXPECT_NEAR(-m.microvolts, (TaffGenExpectedSample(night, 5, b) - TaffGenExpectedSample(night, 5, a)) / 40.0, 15);
        ++large;
    }
    EXPECT_GT(large, 20);
}

// The sample settings the program ships are the sample night's own, as
// taffgen --settings-out writes them: EEG and EOG at 40 counts a microvolt.
TEST(TestNight, SampleSettingsAreTheSampleNightsMontage) {
    const std::string shipped = ReadFile(SAMPLE_INI);
    EXPECT_EQ(TaffGenSettingsFileText(TaffGenSampleOptions(), kTaffGenSamplePattern, kTaffGenSampleRule), shipped)
        << "rewrite it: taffgen --channels 14 --pattern-name \"Sample night\" --rule \"" << kTaffGenSampleRule
        << "\" --settings-out tools/sample/MORLEX.INI";
    EXPECT_NE(std::string::npos, shipped.find("\r\nEU=1,1,1,1,1,1,1,1,1,1,1,100,1,1,"));
    EXPECT_NE(std::string::npos, shipped.find("\r\nVU=40,40,40,40,40,40,100,10000,1000,1000,1000,25000,1,10,"));
    EXPECT_NE(std::string::npos, shipped.find("[NIGHTCHECK]\r\nRule=EEG, SpO2, airflow >= 0.02 h\r\n"));
    // Labels that say nothing: Ch1.. of type other, the calibration kept.
    const std::string plain = TaffGenSettingsFileText(TaffGenSampleOptions(), "P", "EEG >= 1 h", true);
    EXPECT_NE(std::string::npos, plain.find("\r\nChLabel13=Ch13\r\nChLabel14=Ch14\r\nChLabel15=\r\n"));
    EXPECT_NE(std::string::npos, plain.find("\r\nSignal=20,20,20,20,20,20,20,20,20,20,20,20,20,20,4,"));
    EXPECT_NE(std::string::npos, plain.find("\r\nVU=40,40,40,40,40,40,100,10000,1000,1000,1000,25000,1,10,"));
    // The command line writes the same file, and no night beside it without --out.
    TempDir dir;
    const std::string command = "cd " + dir.File(".") + " && " + TAFFGEN_PATH + " --channels 14 --pattern-name \"Sample night\" --rule \"" +
                                kTaffGenSampleRule + "\" --settings-out " + dir.File("S.INI") + " > " + dir.File("out.txt");
    ASSERT_EQ(0, std::system(command.c_str()));
    EXPECT_EQ(shipped, ReadFile(dir.File("S.INI")));
    EXPECT_TRUE(ReadFile(dir.File("NIGHT001.HDR")).empty());
}

TEST(TestNight, GroundTruthNamesEachFault) {
    const std::vector<TaffGenFault> faults = {Parsed("flat:C3-A2:12.5:60"), Parsed("hum:Chin:100:30:2500")};
    EXPECT_EQ("{\n  \"recording\": \"N1.HDR\",\n  \"seed\": 7,\n  \"rate\": 200,\n  \"faults\": [\n"
              "    {\"check\": \"flat\", \"channel\": 1, \"label\": \"C3-A2\", \"start_s\": 12.5, \"end_s\": 72.5, "
              "\"value\": 21},\n"
              "    {\"check\": \"hum\", \"channel\": 7, \"label\": \"Chin\", \"start_s\": 100, \"end_s\": 130, "
              "\"value\": 2500, \"mains_hz\": 50}\n  ]\n}\n",
              TaffGenGroundTruthText("N1.HDR", 7, 200, faults, Names(20)));
}

// ---- the clean night ------------------------------------------------------------

struct CleanNight {
    std::vector<std::vector<double>> values;  // physical, per channel
    explicit CleanNight(int seconds) {
        TaffGenOptions o;
        o.channels = 20;
        o.seconds = seconds;
        MontagePattern pattern;
        TaffGenMontage(o, &pattern);
        values.assign(20, std::vector<double>(size_t(seconds * kRate)));
        std::vector<int32_t> raw(20);
        for (int64_t s = 0; s < int64_t(seconds) * kRate; ++s) {
            TaffGenRawScan(o, s, raw.data());
            for (int c = 0; c < 20; ++c)
                values[size_t(c)][size_t(s)] = double(raw[size_t(c)]) * pattern.channels[c].calEU / pattern.channels[c].calVU;
        }
    }
    const std::vector<double>& operator[](const char* name) const {
        for (int c = 0; c < 20; ++c)
            if (TaffGenChannelName(c) == name) return values[size_t(c)];
        return values[0];
    }
};

double Mean(const std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x;
    return sum / double(v.size());
}

double Sd(const std::vector<double>& v) {
    const double m = Mean(v);
    double sum = 0;
    for (double x : v) sum += (x - m) * (x - m);
    return std::sqrt(sum / double(v.size()));
}

// Rising crossings of `level` at least `gap` samples apart, per minute.
double PerMinute(const std::vector<double>& v, double level, size_t gap) {
    int n = 0;
    size_t last = 0;
    for (size_t i = 1; i < v.size(); ++i)
        if (v[i - 1] < level && v[i] >= level && (n == 0 || i - last >= gap)) ++n, last = i;
    return n * 60.0 * kRate / double(v.size());
}

TEST(TestNight, CleanSignalsLieInTheRangesOfARealNight) {
    const CleanNight night(20 * 60);
    EXPECT_GT(Sd(night["C3-A2"]), 10);                 // uV
    EXPECT_LT(Sd(night["C3-A2"]), 80);
    EXPECT_GT(Sd(night["Chin"]), 2);
    EXPECT_LT(Sd(night["Chin"]), 30);
    const double heart = PerMinute(night["ECG"], 0.5, kRate / 4);   // mV: R waves
    EXPECT_GT(heart, 50);
    EXPECT_LT(heart, 80);
    const double breaths = PerMinute(night["Flow"], 1.0, kRate);    // about 15 a minute
    EXPECT_GT(breaths, 10);
    EXPECT_LT(breaths, 20);
    const std::vector<double>& spo2 = night["SpO2"];
    EXPECT_GT(Mean(spo2), 94);
    EXPECT_LT(Mean(spo2), 98);
    for (double v : spo2) ASSERT_TRUE(v > 85 && v <= 100) << v;
    for (double v : night["Position"]) ASSERT_TRUE(v == 0 || v == 5000 || v == 10000 || v == 15000) << v;
    for (double v : night["Pulse"]) ASSERT_TRUE(v > 50 && v < 80) << v;   // bpm
    // The eyes move in opposite directions: their one-second means anticorrelate.
    const std::vector<double>& l = night["LOC"];
    const std::vector<double>& r = night["ROC"];
    double sl = 0, sr = 0, slr = 0;
    for (size_t i = 0; i + kRate <= l.size(); i += kRate) {
        double a = 0, b = 0;
        for (size_t k = i; k < i + kRate; ++k) a += l[k], b += r[k];
        sl += a * a, sr += b * b, slr += a * b;
    }
    EXPECT_LT(slr / std::sqrt(sl * sr), -0.5);
}

// ---- real recordings read for taffimport ------------------------------------------

// An EDF file of two 1-second records: an EEG of 10 samples a second
// (-200..200 uV over -2048..2047) and a respiration of one sample a second.
std::string TinyEdf() {
    auto field = [](const std::string& v, size_t w) { return (v + std::string(w, ' ')).substr(0, w); };
    std::string h = field("0", 8) + field("X X X X", 80) + field("Startdate X X X X", 80) + field("24.08.89", 8) +
                    field("23.51.30", 8) + field("768", 8) + field("", 44) + field("2", 8) + field("1", 8) + field("2", 4);
    const char* const columns[][2] = {{"EEG C3-A2", "Resp nasal"}, {"", ""}, {"uV", ""}, {"-200", "-100"},
                                      {"200", "100"},          {"-2048", "-2048"}, {"2047", "2047"}, {"", ""},
                                      {"10", "1"},             {"", ""}};
    const size_t widths[] = {16, 80, 8, 8, 8, 8, 8, 80, 8, 32};
    for (size_t c = 0; c < 10; ++c) h += field(columns[c][0], widths[c]) + field(columns[c][1], widths[c]);
    for (int r = 0; r < 2; ++r) {
        for (int i = 0; i < 10; ++i) {
            const int16_t v = int16_t(i * 100 - 500);
            h += char(v & 0xFF), h += char((v >> 8) & 0xFF);
        }
        h += char(r == 0 ? 7 : 17), h += char(0);
    }
    return h;
}

// The converter range is spread over the 16-bit range, so the file's limits
// stay limits; the slower signal is interpolated to the fastest rate and
// written at its own again through the divisor.
TEST(TestNight, EdfImportKeepsLimitsCalibrationAndRates) {
    ImportedRecording r;
    std::string error;
    ASSERT_TRUE(ParseEdfRecording(TinyEdf(), &r, &error)) << error;
    EXPECT_EQ(10, r.rate);
    EXPECT_EQ(1989, r.year);
    EXPECT_EQ(51, r.minute);
    ASSERT_EQ(2u, r.channels.size());
    const ImportedChannel& eeg = r.channels[0];
    EXPECT_EQ("EEG C3-A2", eeg.label);
    EXPECT_EQ(4, eeg.signalType);
    EXPECT_EQ(1, eeg.rateDivisor);
    EXPECT_EQ(610361, eeg.calEU);       // 400 uV / 65535 steps
    EXPECT_EQ(100000000, eeg.calVU);
    ASSERT_EQ(20u, eeg.samples.size());
    EXPECT_EQ(-7994, eeg.samples[0]);   // -500 of -2048..2047
    EXPECT_EQ(-7994 + 1600, eeg.samples[1]);
    const ImportedChannel& resp = r.channels[1];
    EXPECT_EQ(8, resp.signalType);
    EXPECT_EQ(10, resp.rateDivisor);
    ASSERT_EQ(20u, resp.samples.size());
    EXPECT_EQ(120, resp.samples[0]);    // 7, then halfway to 17 at the record's middle
    EXPECT_EQ(120 + 80, resp.samples[5]);
    EXPECT_EQ(120 + 160, resp.samples[10]);
    for (const char* bad : {"", "0       not an EDF header"}) EXPECT_FALSE(ParseEdfRecording(bad, &r, &error));
    // Brought to 20 Hz for the bench: the EEG is written at 20 Hz, the
    // respiration still at 1 Hz.
    EXPECT_FALSE(ResampleImported(&r, 15));
    ASSERT_TRUE(ResampleImported(&r, 20));
    EXPECT_EQ(20, r.rate);
    EXPECT_EQ(1, r.channels[0].rateDivisor);
    EXPECT_EQ(20, r.channels[1].rateDivisor);
    ASSERT_EQ(40u, r.channels[0].samples.size());
    EXPECT_EQ(-7994 + 800, r.channels[0].samples[1]);
    EXPECT_EQ(120 + 88, r.channels[1].samples[11]);   // between the 10 Hz samples 5 and 6
}

// ---- the check against the ground-truth file ----------------------------------------

// A fault is found as a lab needs it when findings of its kind on its
// channel cover 80 % of it and their span's ends lie within 5 s of its own.
TEST(TestNight, FaultsAreFoundToTheirEnds) {
    const TaffGenFault flat = Parsed("flat:C3-A2:100:71");   // 100-171 s
    const struct {
        std::vector<std::pair<double, double>> findings;   // flat on C3-A2
        double coverage, start, end;
        bool found;
    } cases[] = {
        {{{100, 171}}, 1, 100, 171, true},
        {{{96, 175}}, 1, 96, 175, true},
        {{{120, 150}}, 30.0 / 71, 120, 150, false},          // one epoch of a 71-s lead off
        {{{90, 120}, {120, 150}, {150, 180}}, 1, 90, 180, false},   // ends 10 s off
        {{{100, 130}, {140, 171}}, 61.0 / 71, 100, 171, true},
        {{}, 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        NightCheckResult r;
        for (const auto& span : c.findings) {
            CheckFinding f{};
            f.kind = CheckKind::Flat;
            f.level = CheckLevel::Fail;
            f.startSeconds = span.first;
            f.endSeconds = span.second;
            std::snprintf(f.label, sizeof f.label, "C3-A2");
            r.findings.push_back(f);
        }
        CheckFinding other{};                                 // another channel's finding counts for nothing
        other.kind = CheckKind::Flat;
        other.startSeconds = 0;
        other.endSeconds = 300;
        std::snprintf(other.label, sizeof other.label, "C4-A1");
        r.findings.push_back(other);
        const FaultMatch m = MatchFault(flat, kRate, Names(20), r);
        EXPECT_NEAR(c.coverage, m.coverage, 1e-9) << c.start;
        EXPECT_EQ(!c.findings.empty(), m.any);
        if (m.any) {
            EXPECT_EQ(c.start, m.start);
            EXPECT_EQ(c.end, m.end);
        }
        EXPECT_EQ(c.found, FoundExactly(m)) << c.start << "-" << c.end;
    }
}

TEST(TestNight, CheckOfAGeneratedNightAgreesWithItsGroundTruth) {
    TempDir dir;
    const std::string header = dir.File("N1.HDR");
    const std::string command = std::string(TAFFGEN_PATH) + " --out " + header +
                                " --channels 20 --seconds 1200 --seed 5"
                                " --fault flat:C3-A2:120:120 --fault hum:Chin:300:90:4000"
                                " --fault clipping:O2-A1:480:60:20 --fault spo2:SpO2:600:120"
                                " --fault duplicate:Thorax:780:120 --fault position:Position:960:90 > " +
                                dir.File("taffgen.txt");
    ASSERT_EQ(0, std::system(command.c_str()));
    const std::vector<std::string> labels = Names(20);
    std::vector<TaffGenFault> faults;
    ASSERT_TRUE(ReadGroundTruth(ReadFile(dir.File("N1.truth.json")), labels, &faults));
    ASSERT_EQ(7u, faults.size());   // the probe off stops the pulse rate too
    EXPECT_EQ(TaffGenFaultKind::Spo2, faults[4].kind);
    EXPECT_EQ(19, faults[4].channel);
    EXPECT_EQ(600, faults[4].startSeconds);
    EXPECT_EQ(TaffGenFaultKind::Hum, faults[1].kind);
    EXPECT_EQ(6, faults[1].channel);
    EXPECT_EQ(300, faults[1].startSeconds);
    EXPECT_EQ(90, faults[1].lengthSeconds);
    EXPECT_EQ(4000, faults[1].value);

    TaffGenOptions o;
    o.channels = 20;
    MontagePattern pattern;
    TaffGenMontage(o, &pattern);
    NightCheckResult r;
    std::string error;
    ASSERT_TRUE(CheckRecording(header, pattern, DefaultCheckRuleSet(), &r, &error)) << error;
    for (const TaffGenFault& f : faults) {
        if (labels[size_t(f.channel)] == "Pulse") continue;   // not judged until the check judges pulse rates
        EXPECT_TRUE(FaultFound(f, kRate, labels, r))
            << TaffGenFaultName(f.kind) << " on " << labels[size_t(f.channel)] << " at " << f.startSeconds << " s";
    }
    for (const CheckFinding& f : UnexplainedFindings(faults, kRate, labels, r, CheckLevel::Warn))
        if (!OnFaultedStretch(f, faults, kRate, labels))
            ADD_FAILURE() << "not in the ground truth: " << CheckKindName(f.kind) << " on " << f.label << " "
                      << f.startSeconds << "-" << f.endSeconds << " s (" << (f.note ? f.note : "") << ")";
}

}  // namespace
