// The night check; see night_check.h. Each written channel is measured epoch
// by epoch as its samples arrive (one pass, filters carried from epoch to
// epoch); the judgement that needs the whole night (the mains frequency, a
// channel's usual level, how often a channel looks like an ECG) is made at
// the end from the small record each epoch leaves.
#include "engine/night_check.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/check_thresholds.h"
#include "engine/epoch_values.h"
#include "engine/frame_step.h"
#include "engine/profile_reader.h"
#include "recfile/recfile.h"
#include "textkit/sjis_text.h"

namespace {

const double kPi = 3.14159265358979323846;
const int kTypeEeg = 4, kTypeEog = 5, kTypeEmg = 6, kTypeEcg = 7, kTypeFlow = 8, kTypeThorax = 9, kTypeAbdomen = 10,
          kTypeSpo2 = 11, kTypePulse = 12, kTypeSnore = 13, kTypeLegEmg = 14, kTypePosition = 15;

const ClassThresholds& ThresholdsOf(SignalClass c) { return kClassThresholds[int(c)]; }

// --- Recognising a channel -------------------------------------------------

// `label` in upper case, ASCII letters only changed.
void UpperLabel(const char* label, char* out, size_t size) {
    size_t i = 0;
    for (; label[i] && i + 1 < size; ++i) out[i] = char(toupper(static_cast<unsigned char>(label[i])));
    out[i] = '\0';
}

bool Has(const char* upper, const char* word) { return strstr(upper, word) != nullptr; }

// A label's word at its start or after a non-letter, not followed by a letter.
bool HasWord(const char* upper, const char* word) {
    const size_t n = strlen(word);
    for (const char* p = strstr(upper, word); p; p = strstr(p + 1, word)) {
        const bool startOk = p == upper || !isalpha(static_cast<unsigned char>(p[-1]));
        const bool endOk = !isalpha(static_cast<unsigned char>(p[n]));
        if (startOk && endOk) return true;
    }
    return false;
}

SignalClass ClassOfLabel(const char* label) {
    char u[kLabelSize];
    UpperLabel(label, u, sizeof u);
    if (Has(u, "SPO2") || Has(u, "SAO2") || Has(u, "SPO 2")) return SignalClass::Spo2;
    if (Has(u, "ECG") || Has(u, "EKG")) return SignalClass::Ecg;
    if (Has(u, "EOG") || HasWord(u, "LOC") || HasWord(u, "ROC") || HasWord(u, "E1") || HasWord(u, "E2"))
        return SignalClass::Eog;
    if (Has(u, "EMG") || Has(u, "CHIN") || Has(u, "MENT")) return SignalClass::Emg;
    if (Has(u, "FLOW") || Has(u, "NASAL") || Has(u, "THERM") || Has(u, "CANNULA") || HasWord(u, "AIR"))
        return SignalClass::Airflow;
    if (Has(u, "THOR") || Has(u, "CHEST") || Has(u, "ABD") || Has(u, "EFFORT") || Has(u, "RESP"))
        return SignalClass::Effort;
    if (Has(u, "POSITION") || HasWord(u, "POS") || Has(u, "BODY")) return SignalClass::Position;
    if (Has(u, "SNOR")) return SignalClass::Snore;
    if (Has(u, "PULSE") || HasWord(u, "HR") || HasWord(u, "PR")) return SignalClass::Pulse;
    if (Has(u, "EEG")) return SignalClass::Eeg;
    static const char* const kEegSites[] = {"FP1", "FP2", "F3", "F4", "F7", "F8", "FZ", "C3", "C4", "CZ",
                                            "P3",  "P4",  "PZ", "O1", "O2", "T3", "T4", "A1", "A2", "M1", "M2"};
    for (const char* site : kEegSites)
        if (HasWord(u, site)) return SignalClass::Eeg;
    return SignalClass::Other;
}

// The signal type decides; a type that says nothing of the signal (none,
// DC, other) leaves it to the label.
SignalClass ClassOfChannel(int32_t signalType, const char* label) {
    switch (signalType) {
        case kTypeEeg: return SignalClass::Eeg;
        case kTypeEog: return SignalClass::Eog;
        case kTypeEmg:
        case kTypeLegEmg: return SignalClass::Emg;
        case kTypeEcg: return SignalClass::Ecg;
        case kTypeFlow: return SignalClass::Airflow;
        case kTypeThorax:
        case kTypeAbdomen: return SignalClass::Effort;
        case kTypeSpo2: return SignalClass::Spo2;
        case kTypePulse: return SignalClass::Pulse;
        case kTypeSnore: return SignalClass::Snore;
        case kTypePosition: return SignalClass::Position;
        default: return ClassOfLabel(label);
    }
}

// Which eye an EOG channel records: -1 left, 1 right, 0 not told.
int EyeSide(const char* label) {
    char u[kLabelSize];
    UpperLabel(label, u, sizeof u);
    if (HasWord(u, "LOC") || HasWord(u, "E1") || HasWord(u, "L") || Has(u, "LEFT") || Has(u, "EOGL") ||
        Has(u, "EOG-L") || Has(u, "EOG L") || Has(u, "EOG_L"))
        return -1;
    if (HasWord(u, "ROC") || HasWord(u, "E2") || HasWord(u, "R") || Has(u, "RIGHT") || Has(u, "EOGR") ||
        Has(u, "EOG-R") || Has(u, "EOG R") || Has(u, "EOG_R"))
        return 1;
    return 0;
}

// The factor from the channel's physical unit to the check's: microvolts
// for the electrical signals, the unit itself for the rest; 0 when an
// electrical signal's unit is none of V, mV, uV and nV (its values then
// cannot be held against the thresholds in microvolts).
double CheckUnitFactor(const char* unit, SignalClass cls) {
    const bool electrical = cls == SignalClass::Eeg || cls == SignalClass::Eog || cls == SignalClass::Emg ||
                            cls == SignalClass::Ecg;
    if (!electrical) return 1.0;
    const unsigned char* u = reinterpret_cast<const unsigned char*>(unit);
    // A micro sign: ASCII u, Shift-JIS Greek mu, UTF-8 and Latin-1 micro signs.
    const bool micro = u[0] == 'u' || u[0] == 'U' || (u[0] == 0x83 && u[1] == 0xCA) || (u[0] == 0xC2 && u[1] == 0xB5) ||
                       (u[0] == 0xCE && u[1] == 0xBC) || u[0] == 0xB5;
    if (micro) return 1.0;
    if (u[0] == 'm' && (u[1] == 'V' || u[1] == 'v')) return 1e3;
    if ((u[0] == 'V' || u[0] == 'v') && u[1] == '\0') return 1e6;
    if (u[0] == 'n' && (u[1] == 'V' || u[1] == 'v')) return 1e-3;
    return 0.0;
}

// --- Filters -----------------------------------------------------------------

// A second-order section (Butterworth, Q = 1/sqrt 2); a pass-through when the
// corner does not lie well inside the rate.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0, z1 = 0, z2 = 0;
    bool active = false;
    double Step(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

Biquad MakeBiquad(double corner, double rate, bool highPass) {
    Biquad f;
    if (rate <= 0 || corner <= 0 || corner >= 0.45 * rate) return f;
    const double w = 2 * kPi * corner / rate, cw = cos(w), alpha = sin(w) / (2 * 0.70710678118654752);
    const double a0 = 1 + alpha;
    if (highPass) {
        f.b0 = (1 + cw) / 2 / a0, f.b1 = -(1 + cw) / a0, f.b2 = (1 + cw) / 2 / a0;
    } else {
        f.b0 = (1 - cw) / 2 / a0, f.b1 = (1 - cw) / a0, f.b2 = (1 - cw) / 2 / a0;
    }
    f.a1 = -2 * cw / a0, f.a2 = (1 - alpha) / a0;
    f.active = true;
    return f;
}

double Variance(const double* x, size_t n, double* meanOut) {
    if (n == 0) {
        if (meanOut) *meanOut = 0;
        return 0;
    }
    double sum = 0;
    for (size_t i = 0; i < n; ++i) sum += x[i];
    const double mean = sum / double(n);
    double ss = 0;
    for (size_t i = 0; i < n; ++i) ss += (x[i] - mean) * (x[i] - mean);
    if (meanOut) *meanOut = mean;
    return ss / double(n);
}

// --- One epoch of one trace ----------------------------------------------------

const float kNone = -1.0f;    // a measure that could not be taken

struct EpochStats {
    float seconds = 0;
    float mean = 0, sd = 0, p2p = 0, minv = 0, maxv = 0;
    float sdDigital = 0, repeatShare = 0, clipShare = 0;
    float hum50 = kNone, hum60 = kNone;   // rms at the mains frequencies
    float hpRms = kNone;                  // rms above the high-frequency corner (mains still in)
    float bandShare = kNone;              // EEG band's share of the power
    float slowShare = kNone;              // power below about 1 Hz, share
    float beatRate = kNone, beatCv = kNone, beatProminence = kNone, beatDownShare = kNone;
    float outShare = 0;                   // SpO2 out of range / position in no level
    float jump = 0;                       // SpO2: largest change between 1-second means
    float eogCorrelation = kNone;
    int16_t duplicateOf = -1;
    float duplicateDifference = 0;
    int32_t firstDigital = 0;
    bool constantDigital = false;
};

}  // namespace

struct NightChecker::State {
    struct Trace {
        TraceInfo info{};
        SignalClass cls = SignalClass::Other;
        double unitFactor = 1;
        // The values are in a known unit: the thresholds in microvolts (or
        // percent) apply. Not so without a usable calibration, whose values
        // are the recorder's counts.
        bool absolute = true;
        bool active = false;
        int eye = 0;
        // The measures the channel's kind is judged by; the others are not
        // taken, which keeps the check fast.
        bool needHum = false, needSlow = false, needBeats = false;
        int64_t epochLength = 0;
        std::vector<double> x;       // check units, waiting to be judged
        std::vector<int16_t> d;      // the same samples, digital
        Biquad hf, bandHigh, bandLow, beatHigh, beatLow;
        std::vector<EpochStats> epochs;
        double lastSecondMean = NAN; // SpO2: the last 1-second mean of the previous epoch
    };
    SourceInfo source{};
    PositionCalibration position{};
    TracePlan plan{};
    std::vector<Trace> traces;
    std::vector<double> scratch, scratch2;
    std::vector<int16_t> reduced;
    int64_t epochsDone = 0;

    void ProcessEpoch(bool last);
    void Measure(Trace& t, const double* x, const int16_t* d, size_t n, EpochStats& e);
    void MeasureBeats(Trace& t, const double* x, size_t n, EpochStats& e);
    void MeasurePairs(size_t lengthOf);
};

namespace {

// Share of samples of the longest run of one repeated value.
float LongestRepeatShare(const int16_t* d, size_t n) {
    if (n == 0) return 0;
    size_t best = 1, run = 1;
    for (size_t i = 1; i < n; ++i) {
        run = d[i] == d[i - 1] ? run + 1 : 1;
        best = std::max(best, run);
    }
    return float(double(best) / double(n));
}

bool InSomeLevel(const PositionCalibration& p, int32_t v) {
    const int count = std::min<int>(p.levelCount, kMaxLevels);
    for (int l = 0; l < count; ++l)
        if (std::abs(int64_t{v} - p.centers[l]) * 2 <= int64_t{std::abs(p.widths[l])}) return true;
    return false;
}

}  // namespace

void NightChecker::State::MeasureBeats(Trace& t, const double* x, size_t n, EpochStats& e) {
    // `scratch` holds the epoch in the 5-25 Hz band (Measure filled it).
    const double rate = t.info.outputRate;
    if (!t.beatHigh.active || !t.beatLow.active || n < size_t(rate * 5) || scratch.size() < n) return;
    // The typical magnitude and the one peaks reach, from every fourth
    // sample (a QRS complex spans a dozen samples and more).
    scratch2.clear();
    for (size_t i = 0; i < n; i += 4) scratch2.push_back(fabs(scratch[i]));
    std::vector<double>& mags = scratch2;
    const size_t m = mags.size(), mid = m / 2, high = std::min(m - 1, size_t(double(m) * 0.99));
    std::nth_element(mags.begin(), mags.begin() + mid, mags.end());
    const double median = mags[mid];
    std::nth_element(mags.begin() + mid, mags.begin() + high, mags.end());
    const double top = mags[high];
    if (top <= 0) return;
    const double threshold = 0.5 * top;
    double level = 0;
    Variance(x, n, &level);
    const size_t window = size_t(rate * 0.1), refractory = size_t(rate * 0.25);
    std::vector<size_t> peaks;
    std::vector<double> heights;
    int down = 0;
    for (size_t i = 0; i < n;) {
        if (fabs(scratch[i]) < threshold) {
            ++i;
            continue;
        }
        size_t best = i;
        for (size_t k = i; k < std::min(n, i + window); ++k)
            if (fabs(scratch[k]) > fabs(scratch[best])) best = k;
        peaks.push_back(best);
        heights.push_back(fabs(scratch[best]));
        // The complex's main deflection in the signal itself, against the
        // epoch's level: an R wave points up, an inverted lead's down.
        double up = 0, low = 0;
        for (size_t k = best > window ? best - window : 0; k < std::min(n, best + window); ++k) {
            up = std::max(up, x[k] - level);
            low = std::min(low, x[k] - level);
        }
        if (-low > up) ++down;
        i = best + refractory;
    }
    if (peaks.size() < 3) {
        e.beatProminence = 0;
        return;
    }
    double sum = 0, ss = 0;
    const size_t intervals = peaks.size() - 1;
    for (size_t k = 1; k < peaks.size(); ++k) sum += double(peaks[k] - peaks[k - 1]);
    const double meanInterval = sum / double(intervals);
    for (size_t k = 1; k < peaks.size(); ++k) {
        const double dv = double(peaks[k] - peaks[k - 1]) - meanInterval;
        ss += dv * dv;
    }
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    e.beatRate = float(60.0 * rate / meanInterval);
    e.beatCv = float(sqrt(ss / double(intervals)) / meanInterval);
    e.beatProminence = median > 0 ? float(heights[heights.size() / 2] / median) : 1000.0f;
    e.beatDownShare = float(double(down) / double(peaks.size()));
}

void NightChecker::State::Measure(Trace& t, const double* x, const int16_t* d, size_t n, EpochStats& e) {
    const double rate = t.info.outputRate;
    e.seconds = float(double(n) / rate);
    double mean = 0;
    const double var = Variance(x, n, &mean);
    double lo = x[0], hi = x[0];
    int16_t dlo = d[0], dhi = d[0];
    size_t clipped = 0;
    double dsum = 0, dss = 0;
    for (size_t i = 0; i < n; ++i) {
        lo = std::min(lo, x[i]), hi = std::max(hi, x[i]);
        dlo = std::min(dlo, d[i]), dhi = std::max(dhi, d[i]);
        if (d[i] >= 32767 || d[i] <= -32767) ++clipped;
        dsum += d[i];
        dss += double(d[i]) * d[i];
    }
    const double dmean = dsum / double(n);
    e.mean = float(mean), e.sd = float(sqrt(var)), e.minv = float(lo), e.maxv = float(hi), e.p2p = float(hi - lo);
    e.sdDigital = float(sqrt(std::max(0.0, dss / double(n) - dmean * dmean)));
    e.clipShare = float(double(clipped) / double(n));
    e.repeatShare = LongestRepeatShare(d, n);
    e.firstDigital = d[0];
    e.constantDigital = dlo == dhi;
    if (e.constantDigital) e.sd = 0;   // not the rounding left of the mean taken out

    // The mains tones (Goertzel) and the filters in one pass, their
    // recurrences side by side; the filters' state carries into the next epoch.
    const double mainsMargin = kCheckLimits.mainsRateMargin;
    const bool hum50 = t.needHum && rate > mainsMargin * 50, hum60 = t.needHum && rate > mainsMargin * 60;
    const double c50 = 2 * cos(2 * kPi * 50 / rate), c60 = 2 * cos(2 * kPi * 60 / rate);
    double g50a = 0, g50b = 0, g60a = 0, g60b = 0;
    Biquad hf = t.hf, bandHigh = t.bandHigh, bandLow = t.bandLow, beatHigh = t.beatHigh, beatLow = t.beatLow;
    // Beats are looked for on an ECG channel, and on another only when its
    // epoch is as peaked as an ECG (kurtosis): most channels never need it.
    bool beats = t.needBeats && beatHigh.active && beatLow.active;
    if (beats && t.cls != SignalClass::Ecg) {
        double fourth = 0;
        for (size_t i = 0; i < n; ++i) {
            const double v2 = (x[i] - mean) * (x[i] - mean);
            fourth += v2 * v2;
        }
        beats = var > 0 && fourth / double(n) >= kCheckLimits.beatScreenKurtosis * var * var;
    }
    scratch.resize(beats ? n : 0);
    double* beatBand = scratch.data();
    double hpSum = 0, hpSs = 0, bandSs = 0, bandSum = 0;
    for (size_t i = 0; i < n; ++i) {
        const double v = x[i] - mean;
        if (hum50) {
            const double s = v + c50 * g50a - g50b;
            g50b = g50a, g50a = s;
        }
        if (hum60) {
            const double s = v + c60 * g60a - g60b;
            g60b = g60a, g60a = s;
        }
        if (hf.active) {
            const double h = hf.Step(x[i]);
            hpSum += h, hpSs += h * h;
        }
        if (bandHigh.active) {
            const double b = bandLow.Step(bandHigh.Step(x[i]));
            bandSum += b, bandSs += b * b;
        }
        if (beats) beatBand[i] = beatLow.Step(beatHigh.Step(x[i]));
    }
    t.hf = hf, t.bandHigh = bandHigh, t.bandLow = bandLow, t.beatHigh = beatHigh, t.beatLow = beatLow;
    auto toneRms = [n](double a, double b, double c) {
        const double power = a * a + b * b - c * a * b;
        return float(2 * sqrt(std::max(0.0, power)) / double(n) / sqrt(2.0));
    };
    if (hum50) e.hum50 = toneRms(g50a, g50b, c50);
    if (hum60) e.hum60 = toneRms(g60a, g60b, c60);
    if (t.hf.active) e.hpRms = float(sqrt(std::max(0.0, hpSs / double(n) - (hpSum / double(n)) * (hpSum / double(n)))));
    if (t.bandHigh.active && var > 0) {
        const double bm = bandSum / double(n);
        e.bandShare = float(std::min(1.0, (bandSs / double(n) - bm * bm) / var));
    }
    // The slow part: means of half-second blocks.
    const size_t block = std::max<size_t>(1, size_t(rate / 2));
    if (t.needSlow && n >= 4 * block && var > 0 && block > 1) {
        double ss = 0;
        size_t blocks = 0;
        for (size_t s = 0; s + block <= n; s += block, ++blocks) {
            double m = 0;
            for (size_t i = s; i < s + block; ++i) m += x[i];
            m = m / double(block) - mean;
            ss += m * m;
        }
        e.slowShare = float(std::min(1.0, ss / double(blocks) / var));
    }
    if (t.needBeats) MeasureBeats(t, x, n, e);

    if (t.cls == SignalClass::Spo2) {
        size_t out = 0;
        for (size_t i = 0; i < n; ++i)
            if (x[i] < kCheckLimits.spo2Low || x[i] > kCheckLimits.spo2High) ++out;
        e.outShare = float(double(out) / double(n));
        const size_t second = std::max<size_t>(1, size_t(rate));
        double previous = t.lastSecondMean;
        for (size_t s = 0; s + second <= n; s += second) {
            double m = 0;
            for (size_t i = s; i < s + second; ++i) m += x[i];
            m /= double(second);
            const bool inRange = m >= kCheckLimits.spo2Low && m <= kCheckLimits.spo2High;
            if (inRange && !std::isnan(previous)) e.jump = std::max(e.jump, float(fabs(m - previous)));
            previous = inRange ? m : NAN;
        }
        t.lastSecondMean = previous;
    }
    if (t.cls == SignalClass::Position && position.levelCount > 0) {
        size_t out = 0;
        for (size_t i = 0; i < n; ++i)
            if (!InSomeLevel(position, d[i])) ++out;
        e.outShare = float(double(out) / double(n));
    }
}

namespace {

// The 0.1-second means of `x`, the mean taken out; their sd.
double TenthSecondMeans(const double* x, size_t n, double rate, std::vector<double>& out) {
    const size_t block = std::max<size_t>(1, size_t(rate / 10));
    out.clear();
    for (size_t s = 0; s + block <= n; s += block) {
        double m = 0;
        for (size_t i = s; i < s + block; ++i) m += x[i];
        out.push_back(m / double(block));
    }
    double mean = 0;
    const double var = Variance(out.data(), out.size(), &mean);
    for (double& v : out) v -= mean;
    return sqrt(var);
}

}  // namespace

// The checks between channels of one epoch: copies and the EOG pair.
void NightChecker::State::MeasurePairs(size_t epoch) {
    const size_t count = traces.size();
    for (size_t b = 0; b < count; ++b) {
        Trace& tb = traces[b];
        if (!tb.active || tb.epochs.size() <= epoch) continue;
        EpochStats& eb = tb.epochs[epoch];
        if (eb.constantDigital || eb.sd <= 0) continue;
        for (size_t a = 0; a < b; ++a) {
            Trace& ta = traces[a];
            if (!ta.active || ta.epochs.size() <= epoch || ta.info.outputRate != tb.info.outputRate) continue;
            const EpochStats& ea = ta.epochs[epoch];
            if (ea.constantDigital || ea.sd <= 0) continue;
            const double sdMax = std::max(ea.sd, eb.sd);
            if (fabs(double(ea.sd) - eb.sd) > 0.1 * sdMax || fabs(double(ea.mean) - eb.mean) > 0.5 * sdMax) continue;
            const size_t n = std::min(ta.x.size(), tb.x.size());
            const size_t len = std::min<size_t>(n, size_t(tb.epochLength));
            // Summed a second at a time, given up as soon as the sum shows
            // two different signals.
            const double limit = kCheckLimits.duplicateDifference * sdMax;
            const double most = limit * limit * double(len);
            const size_t step = size_t(std::max(1, tb.info.outputRate));
            double ss = 0;
            for (size_t s0 = 0; s0 < len && ss <= most; s0 += step)
                for (size_t i = s0; i < std::min(len, s0 + step); ++i) {
                    const double dv = ta.x[i] - tb.x[i];
                    ss += dv * dv;
                }
            const double diff = len ? sqrt(ss / double(len)) / sdMax : 1;
            if (diff <= kCheckLimits.duplicateDifference) {
                eb.duplicateOf = int16_t(a);
                eb.duplicateDifference = float(diff);
                break;
            }
        }
    }
    // The eye pair: the first left and the first right EOG channel.
    int left = -1, right = -1;
    for (size_t t = 0; t < count; ++t) {
        if (!traces[t].active || traces[t].cls != SignalClass::Eog || traces[t].epochs.size() <= epoch) continue;
        if (traces[t].eye < 0 && left < 0) left = int(t);
        if (traces[t].eye > 0 && right < 0) right = int(t);
    }
    if (left < 0 || right < 0) return;
    Trace& l = traces[size_t(left)];
    Trace& r = traces[size_t(right)];
    const size_t nl = std::min(l.x.size(), size_t(l.epochLength)), nr = std::min(r.x.size(), size_t(r.epochLength));
    const double sl = TenthSecondMeans(l.x.data(), nl, l.info.outputRate, scratch);
    const double sr = TenthSecondMeans(r.x.data(), nr, r.info.outputRate, scratch2);
    if (sl < kCheckLimits.eogMovementSd || sr < kCheckLimits.eogMovementSd) return;
    const size_t m = std::min(scratch.size(), scratch2.size());
    double cov = 0;
    for (size_t i = 0; i < m; ++i) cov += scratch[i] * scratch2[i];
    if (m == 0) return;
    r.epochs[epoch].eogCorrelation = float(cov / double(m) / (sl * sr));
}

void NightChecker::State::ProcessEpoch(bool last) {
    for (Trace& t : traces) {
        if (!t.active) continue;
        const size_t n = std::min(t.x.size(), size_t(t.epochLength));
        if (n == 0 || (last && double(n) < kCheckLimits.shortestEpochSeconds * t.info.outputRate)) continue;
        t.epochs.emplace_back();
        Measure(t, t.x.data(), t.d.data(), n, t.epochs.back());
    }
    MeasurePairs(size_t(epochsDone));
    for (Trace& t : traces) {
        if (!t.active) continue;
        const size_t n = std::min(t.x.size(), size_t(t.epochLength));
        t.x.erase(t.x.begin(), t.x.begin() + ptrdiff_t(n));
        t.d.erase(t.d.begin(), t.d.begin() + ptrdiff_t(n));
    }
    ++epochsDone;
}

NightChecker::NightChecker(const SourceInfo& source, const MontagePattern& pattern, uint32_t traceMask)
    : state_(new State) {
    State& s = *state_;
    s.source = source;
    s.position = pattern.position;
    PlanTraces(source, pattern, &s.plan);
    s.traces.resize(size_t(std::max(0, s.plan.count)));
    for (int32_t i = 0; i < s.plan.count; ++i) {
        State::Trace& t = s.traces[size_t(i)];
        t.info = s.plan.traces[i];
        t.cls = ClassOfChannel(t.info.signalType, t.info.label);
        t.unitFactor = CheckUnitFactor(t.info.unit, t.cls);
        t.absolute = t.info.scale.calibrated && t.unitFactor > 0;
        if (t.unitFactor <= 0) t.unitFactor = 1;
        t.active = t.info.outputRate > 0 && (i >= 32 || (traceMask >> i) & 1u);
        t.eye = t.cls == SignalClass::Eog ? EyeSide(t.info.label) : 0;
        const double rate = t.info.outputRate;
        t.epochLength = int64_t(kCheckLimits.epochSeconds * rate);
        t.hf = MakeBiquad(kCheckLimits.hfHighPassHz, rate, true);
        if (rate < 3 * kCheckLimits.hfHighPassHz) t.hf.active = false;
        t.bandHigh = MakeBiquad(kCheckLimits.eegBandLowHz, rate, true);
        t.bandLow = MakeBiquad(kCheckLimits.eegBandHighHz, rate, false);
        if (!t.bandLow.active) t.bandHigh.active = false;
        t.beatHigh = MakeBiquad(5, rate, true);
        t.beatLow = MakeBiquad(25, rate, false);
        const ClassThresholds& th = ThresholdsOf(t.cls);
        t.needHum = th.humShare > 0;
        if (th.hfRms <= 0) t.hf.active = false;
        if (t.cls != SignalClass::Eeg) t.bandHigh.active = t.bandLow.active = false;
        t.needSlow = t.cls == SignalClass::Airflow || t.cls == SignalClass::Effort;
        t.needBeats = t.cls == SignalClass::Ecg || t.cls == SignalClass::Eeg || t.cls == SignalClass::Eog ||
                      t.cls == SignalClass::Emg || t.needSlow;
        if (!t.needBeats) t.beatHigh.active = t.beatLow.active = false;
    }
}

NightChecker::~NightChecker() { delete state_; }

void NightChecker::Feed(int32_t trace, const int16_t* digital, int64_t count) {
    State& s = *state_;
    if (trace < 0 || size_t(trace) >= s.traces.size() || count <= 0) return;
    State::Trace& t = s.traces[size_t(trace)];
    if (!t.active) return;
    const size_t at = t.x.size();
    t.d.insert(t.d.end(), digital, digital + count);
    t.x.resize(at + size_t(count));
    const double step = t.info.scale.bitValue * t.unitFactor, base = t.info.scale.offset * step;
    for (int64_t k = 0; k < count; ++k) t.x[at + size_t(k)] = base + step * digital[k];
    // An epoch is judged once every checked trace holds it.
    for (;;) {
        bool all = true, any = false;
        for (const State::Trace& o : s.traces) {
            if (!o.active) continue;
            any = true;
            if (int64_t(o.x.size()) < o.epochLength) all = false;
        }
        if (!any || !all) break;
        s.ProcessEpoch(false);
    }
}

void NightChecker::FeedRuns(const int16_t* runs, int64_t runLength, int32_t frames, int64_t validScans) {
    State& s = *state_;
    const int64_t rate = s.plan.sampleRate;
    for (int32_t i = 0; i < s.plan.count; ++i) {
        const State::Trace& t = s.traces[size_t(i)];
        if (!t.active || t.info.source >= s.source.channelCount) continue;
        s.reduced.resize(size_t(frames) * size_t(t.info.outputRate));
        uint8_t* bytes = reinterpret_cast<uint8_t*>(s.reduced.data());
        RecReduceFrames(rate, t.info.outputRate, t.info.signalType, frames, runs + int64_t{t.info.source} * runLength, 2,
                        bytes, size_t(t.info.outputRate) * 2);
        const int64_t outputs = std::min<int64_t>((validScans + t.info.divisor - 1) / t.info.divisor,
                                                  int64_t(s.reduced.size()));
        for (int64_t k = 0; k < outputs; ++k)
            s.reduced[size_t(k)] = int16_t(uint16_t(bytes[2 * k] | (bytes[2 * k + 1] << 8)));
        Feed(i, s.reduced.data(), outputs);
    }
}

// --- The judgement -----------------------------------------------------------

namespace {

struct EpochFlag {
    bool set = false;
    CheckLevel level = CheckLevel::Info;
    double value = 0;
    const char* note = "";
    int32_t other = -1;
};

// Findings of one trace and one check: consecutive flagged epochs of the
// same note become one stretch, whose level is the highest and whose value
// the worst (the lowest where `lowerIsWorse`).
void MergeStretches(const std::vector<EpochFlag>& flags, const std::vector<EpochStats>& epochs, int32_t trace,
                    const char* label, CheckKind kind, bool lowerIsWorse,
                    const std::vector<std::string>& labels, std::vector<CheckFinding>* out) {
    const double epochSeconds = kCheckLimits.epochSeconds;
    size_t k = 0;
    while (k < flags.size()) {
        if (!flags[k].set) {
            ++k;
            continue;
        }
        CheckFinding f{};
        f.trace = trace;
        f.kind = kind;
        f.level = flags[k].level;
        f.startSeconds = double(k) * epochSeconds;
        f.value = flags[k].value;
        f.note = flags[k].note;
        f.unit = "";
        CopyText(f.label, sizeof f.label, label);
        if (flags[k].other >= 0 && size_t(flags[k].other) < labels.size())
            CopyText(f.other, sizeof f.other, labels[size_t(flags[k].other)].c_str());
        size_t j = k;
        while (j < flags.size() && flags[j].set && flags[j].note == flags[k].note && flags[j].other == flags[k].other) {
            if (int(flags[j].level) > int(f.level)) f.level = flags[j].level;
            if (lowerIsWorse ? flags[j].value < f.value : flags[j].value > f.value) f.value = flags[j].value;
            ++j;
        }
        f.endSeconds = double(j - 1) * epochSeconds + epochs[j - 1].seconds;
        out->push_back(f);
        k = j;
    }
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + ptrdiff_t(v.size() / 2), v.end());
    return v[v.size() / 2];
}

void Flag(std::vector<EpochFlag>& flags, size_t k, CheckLevel level, double value, const char* note, int32_t other = -1) {
    EpochFlag& f = flags[k];
    if (f.set && int(f.level) >= int(level)) return;
    f = EpochFlag{true, level, value, note, other};
}

}  // namespace

// Judges one trace; findings appended, its summary returned.
static void JudgeTrace(const NightChecker::State& s, int32_t index, int32_t mainsHz, const std::vector<std::string>& labels,
                       std::vector<CheckFinding>* findings, ChannelSummary* summary) {
    const NightChecker::State::Trace& t = s.traces[size_t(index)];
    const ClassThresholds& th = ThresholdsOf(t.cls);
    const CheckLimits& lim = kCheckLimits;
    const std::vector<EpochStats>& ep = t.epochs;
    const size_t n = ep.size();
    std::vector<EpochFlag> flags[int(CheckKind::Count)];
    for (auto& f : flags) f.assign(n, EpochFlag{});
    auto& flat = flags[int(CheckKind::Flat)];
    auto& clip = flags[int(CheckKind::Clipping)];
    auto& hum = flags[int(CheckKind::Hum)];
    auto& hf = flags[int(CheckKind::HfArtifact)];
    auto& amp = flags[int(CheckKind::Amplitude)];
    auto& type = flags[int(CheckKind::NotItsType)];
    auto& dup = flags[int(CheckKind::Duplicate)];
    auto& eog = flags[int(CheckKind::EogInPhase)];
    auto& ecg = flags[int(CheckKind::Ecg)];
    auto& spo2 = flags[int(CheckKind::Spo2)];
    auto& pos = flags[int(CheckKind::Position)];

    std::vector<double> sds;
    for (const EpochStats& e : ep) sds.push_back(e.sd);
    const double usualSd = Median(sds);
    const bool flatJudged = th.flatSd > 0 || th.flatShareOfNight > 0 || th.repeatShare > 0;
    uint32_t notCheckable = 0;
    // Thresholds in a unit hold only for values in a known unit.
    const double flatSd = t.absolute ? th.flatSd : 0, amplitudeMax = t.absolute ? th.amplitudeMax : 0;
    const double humRmsMin = t.absolute ? th.humRms : 0, hfRmsMax = t.absolute ? th.hfRms : 0;
    if (!t.absolute && th.amplitudeMax > 0) notCheckable |= 1u << int(CheckKind::Amplitude);
    if (!t.absolute && th.hfRms > 0) notCheckable |= 1u << int(CheckKind::HfArtifact);
    const bool spo2Known = t.cls != SignalClass::Spo2 || t.info.scale.calibrated;
    if (!spo2Known) notCheckable |= 1u << int(CheckKind::Spo2);

    // How often the channel looks like an ECG, judged over the night.
    size_t ecgLike = 0, judgedBeats = 0;
    auto EcgLike = [&](const EpochStats& e) {
        return e.beatProminence >= lim.beatProminenceMin && e.beatCv >= 0 && e.beatCv <= lim.beatIntervalCvMax &&
               e.beatRate >= lim.heartRateLow && e.beatRate <= lim.heartRateHigh;
    };
    for (const EpochStats& e : ep) {
        if (e.beatProminence == kNone) continue;
        ++judgedBeats;
        if (EcgLike(e)) ++ecgLike;
    }
    // Over all the channel's epochs: those not peaked enough to look at are not ECG-like.
    const bool mostlyEcgLike = judgedBeats > 0 && double(ecgLike) >= lim.ecgLikeEpochShare * double(n);

    std::vector<double> means;
    for (const EpochStats& e : ep) means.push_back(e.mean);
    const double usualLevel = Median(means);
    const bool spo2Mistaken = t.cls == SignalClass::Spo2 && t.info.scale.calibrated && n > 0 && (usualLevel < lim.spo2Low || usualLevel > lim.spo2High);

    for (size_t k = 0; k < n; ++k) {
        const EpochStats& e = ep[k];
        bool isFlat = false;
        if (flatJudged) {
            if (e.constantDigital) isFlat = true;
            if (flatSd > 0 && e.sd < flatSd) isFlat = true;
            if (th.flatShareOfNight > 0 && e.sd < th.flatShareOfNight * usualSd) isFlat = true;
            if (th.repeatShare > 0 && e.repeatShare >= th.repeatShare) isFlat = true;
            if (isFlat) Flag(flat, k, CheckLevel::Fail, e.sd, e.constantDigital ? "one value" : "no variation");
        }
        if (t.cls != SignalClass::Position) {
            if (e.clipShare >= lim.clipShareFail) Flag(clip, k, CheckLevel::Fail, e.clipShare, "at the converter's limits");
            else if (e.clipShare >= lim.clipShareWarn) Flag(clip, k, CheckLevel::Warn, e.clipShare, "at the converter's limits");
        }
        const float humRms = mainsHz == 50 ? e.hum50 : mainsHz == 60 ? e.hum60 : kNone;
        if (th.humShare > 0) {
            if (humRms == kNone) {
                notCheckable |= 1u << int(CheckKind::Hum);
            } else if (!isFlat && e.sd > 0 && humRms >= humRmsMin &&
                       double(humRms) * humRms >= th.humShare * double(e.sd) * e.sd) {
                Flag(hum, k, CheckLevel::Warn, humRms, mainsHz == 50 ? "50 Hz" : "60 Hz");
            }
        }
        if (hfRmsMax > 0) {
            if (e.hpRms == kNone) {
                notCheckable |= 1u << int(CheckKind::HfArtifact);
            } else if (!isFlat) {
                const double mains = humRms == kNone ? 0 : double(humRms);
                const double hfRms = sqrt(std::max(0.0, double(e.hpRms) * e.hpRms - mains * mains));
                if (hfRms >= hfRmsMax) Flag(hf, k, CheckLevel::Warn, hfRms, "muscle or electrode noise");
            }
        }
        if (amplitudeMax > 0 && e.p2p > amplitudeMax)
            Flag(amp, k, CheckLevel::Warn, e.p2p, "beyond the type's range");
        // Not its declared type.
        const bool mayCarryEcg = t.cls == SignalClass::Eeg || t.cls == SignalClass::Eog || t.cls == SignalClass::Emg ||
                                 t.cls == SignalClass::Airflow || t.cls == SignalClass::Effort;
        if (mayCarryEcg && mostlyEcgLike && !isFlat && EcgLike(e))
            Flag(type, k, CheckLevel::Fail, e.beatRate, "ECG-like");
        else if (t.cls == SignalClass::Eeg && !isFlat && e.bandShare != kNone && e.bandShare < lim.eegBandShareMin)
            Flag(type, k, CheckLevel::Warn, e.bandShare, "no EEG-band activity");
        else if ((t.cls == SignalClass::Airflow || t.cls == SignalClass::Effort) && !isFlat && e.slowShare != kNone &&
                 e.slowShare < lim.breathingShareMin)
            Flag(type, k, CheckLevel::Warn, e.slowShare, "no breathing-band activity");
        if (spo2Mistaken) Flag(type, k, CheckLevel::Fail, usualLevel, "SpO2 outside 50-100 %");
        if (e.duplicateOf >= 0) Flag(dup, k, CheckLevel::Fail, e.duplicateDifference, "same signal", e.duplicateOf);
        if (e.eogCorrelation != kNone && e.eogCorrelation > lim.eogInPhaseCorrelation) {
            int32_t left = -1;
            for (size_t o = 0; o < s.traces.size(); ++o)
                if (s.traces[o].active && s.traces[o].cls == SignalClass::Eog && s.traces[o].eye < 0) {
                    left = int32_t(o);
                    break;
                }
            Flag(eog, k, CheckLevel::Warn, e.eogCorrelation, "eyes in phase", left);
        }
        if (t.cls == SignalClass::Ecg && !isFlat) {
            if (e.beatProminence == kNone) {
                notCheckable |= 1u << int(CheckKind::Ecg);
            } else if (e.beatProminence < lim.beatProminenceMin) {
                Flag(ecg, k, CheckLevel::Fail, e.beatProminence, "no detectable beats");
            } else if (e.beatRate < lim.heartRateLow || e.beatRate > lim.heartRateHigh) {
                Flag(ecg, k, CheckLevel::Warn, e.beatRate, "rate outside 30-180 bpm");
            } else if (e.beatDownShare >= lim.beatInvertedShare) {
                Flag(ecg, k, CheckLevel::Warn, e.beatDownShare, "inverted");
            }
        }
        if (t.cls == SignalClass::Spo2 && spo2Known && !spo2Mistaken) {
            if (e.outShare >= lim.spo2OffShare) Flag(spo2, k, CheckLevel::Fail, e.minv, "probe off");
            else if (e.jump >= lim.spo2JumpPerSecond) Flag(spo2, k, CheckLevel::Warn, e.jump, "impossible jump");
        }
        if (t.cls == SignalClass::Position) {
            if (s.position.levelCount == 0) notCheckable |= 1u << int(CheckKind::Position);
            else if (e.outShare >= lim.positionOutShare) Flag(pos, k, CheckLevel::Warn, e.outShare, "value in no level");
        }
    }
    // A position sensor that never moves all night.
    if (t.cls == SignalClass::Position && n > 0) {
        bool still = true;
        for (const EpochStats& e : ep) still = still && e.constantDigital && e.firstDigital == ep[0].firstDigital;
        if (still)
            for (size_t k = 0; k < n; ++k)
                if (!pos[k].set) Flag(pos, k, CheckLevel::Info, ep[0].firstDigital, "never changes");
    }

    static const bool kLowerIsWorse[int(CheckKind::Count)] = {true,  false, false, false, false, false,
                                                              true,  false, false, true,  false};
    const size_t before = findings->size();
    for (int kind = 0; kind < int(CheckKind::Count); ++kind)
        MergeStretches(flags[kind], ep, index, t.info.label, CheckKind(kind), kLowerIsWorse[kind], labels, findings);

    // Usable time: the epochs no fail covers.
    double seconds = 0, usable = 0;
    for (size_t k = 0; k < n; ++k) {
        seconds += ep[k].seconds;
        bool failed = false;
        for (const auto& f : flags)
            if (f[k].set && f[k].level == CheckLevel::Fail) failed = true;
        if (!failed) usable += ep[k].seconds;
    }
    bool anyWarn = false;
    for (size_t i = before; i < findings->size(); ++i)
        if ((*findings)[i].level != CheckLevel::Info) anyWarn = true;
    summary->trace = index;
    CopyText(summary->label, sizeof summary->label, t.info.label);
    summary->hours = seconds / 3600.0;
    summary->usableHours = usable / 3600.0;
    summary->kind = th.name;
    summary->notCheckable = notCheckable;
    summary->verdict = seconds > 0 && usable < lim.usableShareForPass * seconds ? CheckVerdict::Fail
                       : anyWarn                                                 ? CheckVerdict::Warn
                                                                                 : CheckVerdict::Pass;
}

// The mains frequency: the recording's hum setting, else the stronger of
// 50 and 60 Hz over the whole night.
static int32_t MainsOf(const NightChecker::State& s, bool* fromNight) {
    *fromNight = false;
    if (s.source.humFilter == 1) return 50;
    if (s.source.humFilter == 2) return 60;
    double p50 = 0, p60 = 0;
    bool any = false;
    for (const auto& t : s.traces) {
        for (const EpochStats& e : t.epochs) {
            if (e.hum50 != kNone) p50 += double(e.hum50) * e.hum50, any = true;
            if (e.hum60 != kNone) p60 += double(e.hum60) * e.hum60, any = true;
        }
    }
    if (!any) return 0;
    *fromNight = true;
    return p60 > p50 ? 60 : 50;
}

void NightChecker::Finish(const CheckRuleSet& rules, bool complete, NightCheckResult* out) {
    State& s = *state_;
    if (complete) {
        bool any = true;
        while (any) {
            any = false;
            for (const State::Trace& t : s.traces)
                if (t.active && !t.x.empty()) any = true;
            if (any) s.ProcessEpoch(true);
        }
    }
    NightCheckResult result;
    result.complete = complete;
    result.rule = rules.text;
    result.mainsHz = MainsOf(s, &result.mainsFromNight);
    std::vector<std::string> labels;
    for (const auto& t : s.traces) labels.push_back(t.info.label);
    for (size_t i = 0; i < s.traces.size(); ++i) {
        if (!s.traces[i].active) continue;
        ChannelSummary summary{};
        JudgeTrace(s, int32_t(i), result.mainsHz, labels, &result.findings, &summary);
        result.hours = std::max(result.hours, summary.hours);
        result.channels.push_back(summary);
    }
    // A channel with a rate divisor holds a last sample that begins inside
    // the recording and reaches past it: its findings end with the recording.
    if (s.source.sampleRate > 0 && s.source.lengthSamples > 0) {
        const double night = double(s.source.lengthSamples) / s.source.sampleRate;
        for (CheckFinding& f : result.findings)
            if (f.endSeconds > night && f.startSeconds < night) f.endSeconds = night;
    }
    std::stable_sort(result.findings.begin(), result.findings.end(), [](const CheckFinding& a, const CheckFinding& b) {
        return a.startSeconds != b.startSeconds ? a.startSeconds < b.startSeconds : a.trace < b.trace;
    });

    JudgeNight(rules, &result);
    *out = std::move(result);
}

// The night: the rule set's kinds each need one channel usable long enough,
// the channels known by the kind their summaries name.
void JudgeNight(const CheckRuleSet& rules, NightCheckResult* result) {
    uint32_t kinds = 0;
    double hours = 0;
    bool ruleFailed = false;
    std::string outcome;
    if (!ParseCheckRuleSet(rules, &kinds, &hours)) {
        ruleFailed = true;
        outcome = "the rule set cannot be read";
    } else {
        for (int c = 0; c < int(SignalClass::Count); ++c) {
            if (!((kinds >> c) & 1u)) continue;
            double best = -1;
            for (const ChannelSummary& ch : result->channels)
                if (ch.kind && strcmp(ch.kind, kClassThresholds[c].name) == 0) best = std::max(best, ch.usableHours);
            char part[96];
            if (best < 0) snprintf(part, sizeof part, "%s: no channel", kClassThresholds[c].name);
            else snprintf(part, sizeof part, "%s: %.1f h usable", kClassThresholds[c].name, best);
            outcome += (outcome.empty() ? "" : "; ") + std::string(part);
            if (best < hours) ruleFailed = true;
        }
        if (outcome.empty()) outcome = "no kind of signal required";
    }
    bool anyWarn = false;
    for (const ChannelSummary& ch : result->channels)
        if (ch.verdict != CheckVerdict::Pass) anyWarn = true;
    result->rule = rules.text;
    result->verdict = ruleFailed ? CheckVerdict::Fail : anyWarn ? CheckVerdict::Warn : CheckVerdict::Pass;
    result->ruleOutcome = outcome;
}

// --- Names, the rule set and the check of an open recording ---------------------

const char* CheckKindName(CheckKind kind) {
    static const char* const kNames[] = {"flat",      "clipping",     "hum", "hf_artifact", "amplitude", "not_its_type",
                                         "duplicate", "eog_in_phase", "ecg", "spo2",        "position"};
    const int k = int(kind);
    return k >= 0 && k < int(CheckKind::Count) ? kNames[k] : "";
}

const char* CheckLevelName(CheckLevel level) {
    switch (level) {
        case CheckLevel::Info: return "info";
        case CheckLevel::Warn: return "warn";
        case CheckLevel::Fail: return "fail";
    }
    return "";
}

const char* CheckVerdictName(CheckVerdict verdict) {
    switch (verdict) {
        case CheckVerdict::Pass: return "pass";
        case CheckVerdict::Warn: return "warn";
        case CheckVerdict::Fail: return "fail";
    }
    return "";
}

CheckRuleSet DefaultCheckRuleSet() { return CheckRuleSet{"EEG, SpO2, airflow >= 4 h"}; }

const char kCheckRuleSection[] = "NIGHTCHECK";
const char kCheckRuleKey[] = "Rule";
const char kCheckNotesKey[] = "Annotations";

CheckRuleSet LoadCheckRuleSet(const ProfileReader& profile) {
    char text[256] = "";
    profile.ReadText(kCheckRuleSection, kCheckRuleKey, "", text, sizeof text);
    return text[0] ? CheckRuleSet{text} : DefaultCheckRuleSet();
}

bool ParseCheckRuleSet(const CheckRuleSet& rules, uint32_t* kinds, double* minimumHours) {
    *kinds = 0;
    *minimumHours = 0;
    const std::string& text = rules.text;
    const size_t ge = text.find(">=");
    if (ge == std::string::npos) {
        // No kind named: nothing required.
        for (char c : text)
            if (!isspace(static_cast<unsigned char>(c))) return false;
        return true;
    }
    const std::string names = text.substr(0, ge);
    const std::string tail = text.substr(ge + 2);
    char* end = nullptr;
    const double hours = strtod(tail.c_str(), &end);
    if (end == tail.c_str() || !(hours >= 0) || hours > 1000) return false;
    while (*end == ' ') ++end;
    if (*end == 'h' || *end == 'H') ++end;
    while (*end == ' ') ++end;
    if (*end != '\0') return false;
    size_t at = 0;
    while (at < names.size()) {
        size_t comma = names.find(',', at);
        if (comma == std::string::npos) comma = names.size();
        std::string word = names.substr(at, comma - at);
        while (!word.empty() && isspace(static_cast<unsigned char>(word.front()))) word.erase(word.begin());
        while (!word.empty() && isspace(static_cast<unsigned char>(word.back()))) word.pop_back();
        at = comma + 1;
        if (word.empty()) return false;
        bool known = false;
        for (int c = 1; c < int(SignalClass::Count); ++c) {
            const char* name = kClassThresholds[c].name;
            if (word.size() == strlen(name) && std::equal(word.begin(), word.end(), name, [](char a, char b) {
                    return tolower(static_cast<unsigned char>(a)) == tolower(static_cast<unsigned char>(b));
                })) {
                *kinds |= 1u << c;
                known = true;
            }
        }
        if (!known) return false;
    }
    *minimumHours = hours;
    return *kinds != 0;
}

bool CheckNight(TaffHandle reader, const SourceInfo& source, const MontagePattern& pattern, const CheckRuleSet& rules,
                const CheckControl& control, NightCheckResult* out) {
    NightChecker checker(source, pattern, control.traceMask);
    TracePlan plan;
    PlanTraces(source, pattern, &plan);
    const int32_t skip = reader ? TaffGetValue(reader, TAFF_VALUE_SKIP_WORD, 0) : 0;
    EpochReader epochs(reader, skip);
    const int64_t rate = source.sampleRate;
    const int64_t seconds = rate > 0 ? (int64_t{source.lengthSamples} + rate - 1) / rate : 0;
    // Pieces of a few epochs: the reader's own chunking keeps memory flat.
    const int32_t piece = 60;
    bool read = plan.count > 0 && seconds > 0 && reader != nullptr;
    bool stopped = false;
    for (int64_t first = 0; read && first < seconds; first += piece) {
        if (control.stop && control.stop->load()) {
            stopped = true;
            break;
        }
        const int32_t length = int32_t(std::min<int64_t>(piece, seconds - first));
        read = epochs.Digital(source, plan, first, length,
                              [&](int32_t t, const int16_t* v, int64_t n) { checker.Feed(t, v, n); });
        if (control.progress) control.progress(control.context, double(first + length) / double(seconds));
    }
    const bool complete = read && !stopped;
    checker.Finish(rules, complete, out);
    return complete;
}
