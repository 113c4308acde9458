// The night check; see night_check.h. Each written channel is measured epoch
// by epoch as its samples arrive (one pass, filters carried from epoch to
// epoch); the judgement that needs the whole night (the mains frequency, a
// channel's usual level, how often a channel looks like an ECG) is made at
// the end from the small record each epoch leaves.
#include "engine/night_check.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <complex>
#include <condition_variable>
#include <deque>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include <emmintrin.h>

#include "engine/check_thresholds.h"
#include "engine/display_filter.h"
#include "engine/epoch_values.h"
#include "engine/frame_step.h"
#include "engine/profile_reader.h"
#include "recfile/recfile.h"
#include "textkit/sjis_text.h"

namespace {

const double kPi = 3.14159265358979323846;

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
        case REC_TYPE_EEG: return SignalClass::Eeg;
        case REC_TYPE_EOG: return SignalClass::Eog;
        case REC_TYPE_EMG:
        case REC_TYPE_LEG_EMG: return SignalClass::Emg;
        case REC_TYPE_ECG: return SignalClass::Ecg;
        case REC_TYPE_FLOW: return SignalClass::Airflow;
        case REC_TYPE_THORAX:
        case REC_TYPE_ABDOMEN: return SignalClass::Effort;
        case REC_TYPE_SPO2: return SignalClass::Spo2;
        case REC_TYPE_PULSE: return SignalClass::Pulse;
        case REC_TYPE_SNORE: return SignalClass::Snore;
        case REC_TYPE_POSITION: return SignalClass::Position;
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

// Whether a unit counts per minute: "bpm", "/min", "1/min", "min-1".
bool IsRateUnit(const char* unit) {
    char u[kLabelSize];
    UpperLabel(unit, u, sizeof u);
    return Has(u, "BPM") || Has(u, "/MIN") || Has(u, "MIN-1");
}

// --- Filters -----------------------------------------------------------------

// A Butterworth section of the check (the design the display filters use),
// on only when its corner lies well inside the rate.
struct CheckFilter : Biquad {
    bool active = false;
};

CheckFilter MakeBiquad(double corner, double rate, bool highPass) {
    CheckFilter f;
    if (rate <= 0 || corner <= 0 || corner >= 0.45 * rate) return f;
    static_cast<Biquad&>(f) = highPass ? ButterworthHighPass(corner, rate) : ButterworthLowPass(corner, rate);
    f.active = true;
    return f;
}

// Two values worked side by side (one SSE2 register): the same operations
// on each, in the same order, as on one value alone, so each lane's result
// is the one the plain arithmetic gives.
typedef double Lanes __attribute__((vector_size(16)));


// The stages of an epoch's pass: the mains tones (Goertzel at 50 and 60 Hz,
// second by second), the high-frequency high-pass, the EEG band (its
// high-pass and low-pass in series).
const int32_t kPassHum = 1, kPassHf = 2, kPassBand = 4;
// The values the pass leaves per second: the 50 Hz tone's last two states,
// the 60 Hz tone's, the high-pass's sum and sum of squares.
const size_t kPassValues = 6;

// One trace's part of a pass: its epoch in check units and mean, its filters
// (carried into the next epoch), where its seconds' values and its EEG
// band's sums go.
struct PassLane {
    const double* x;
    double mean;
    Biquad *hf, *bandHigh, *bandLow;
    double* seconds;
    double *bandSum, *bandSs;
};

// One trace's part of a pass: a section of its filters.
typedef Biquad* PassLane::*PassSection;

// The section `f` of `W` traces, one a lane, stepped together: each lane as
// Biquad::Step. Inlined into each pass, whatever registers it is built for.
template <class V, int W>
struct SectionLanes {
    V b0{}, b1{}, b2{}, a1{}, a2{}, z1{}, z2{};
    __attribute__((always_inline)) SectionLanes(const PassLane* const* l, PassSection f) {
        for (int k = 0; k < W; ++k) {
            const Biquad& q = *(l[k]->*f);
            b0[k] = q.b0, b1[k] = q.b1, b2[k] = q.b2, a1[k] = q.a1, a2[k] = q.a2, z1[k] = q.z1, z2[k] = q.z2;
        }
    }
    // y from x (by reference: no vector crosses a call's boundary).
    __attribute__((always_inline)) void Step(const V& x, V& y) {
        y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
    }
    // Each lane's state back into its section.
    __attribute__((always_inline)) void Keep(const PassLane* const* l, PassSection f) const {
        for (int k = 0; k < W; ++k) (l[k]->*f)->z1 = z1[k], (l[k]->*f)->z2 = z2[k];
    }
};

// The pass over one epoch of `W` traces of one rate, one a lane: each
// recurrence steps all the traces in one register, and the recurrences of
// one sample run side by side, so the processor never waits on one chain.
// Each lane does, in the same order, the arithmetic one trace alone would
// (no fused multiply-add): the values are the same whichever traces share
// the register, and however wide it is.
template <class V, int W, int32_t Stages>
__attribute__((always_inline)) inline void PassOver(const PassLane* const* l, size_t n, size_t second, double c50,
                                                    double c60) {
    V means{}, k50{}, k60{}, bandSum{}, bandSs{};
    const double* xs[W];
    for (int k = 0; k < W; ++k) means[k] = l[k]->mean, k50[k] = c50, k60[k] = c60, xs[k] = l[k]->x;
    SectionLanes<V, W> hf(l, &PassLane::hf), bandHigh(l, &PassLane::bandHigh), bandLow(l, &PassLane::bandLow);
    for (size_t s0 = 0, si = 0; s0 < n; s0 += second, ++si) {
        const size_t s1 = std::min(n, s0 + second);
        V a50{}, b50{}, a60{}, b60{}, hpSum{}, hpSs{};
        for (size_t i = s0; i < s1; ++i) {
            V x;
            for (int k = 0; k < W; ++k) x[k] = xs[k][i];
            if (Stages & kPassHum) {
                const V v = x - means;
                const V s50 = v + k50 * a50 - b50, s60 = v + k60 * a60 - b60;
                b50 = a50, a50 = s50, b60 = a60, a60 = s60;
            }
            if (Stages & kPassHf) {
                V h;
                hf.Step(x, h);
                hpSum += h, hpSs += h * h;
            }
            if (Stages & kPassBand) {
                V u, b;
                bandHigh.Step(x, u);
                bandLow.Step(u, b);
                bandSum += b, bandSs += b * b;
            }
        }
        for (int k = 0; k < W; ++k) {
            double* out = l[k]->seconds + kPassValues * si;
            out[0] = a50[k], out[1] = b50[k], out[2] = a60[k], out[3] = b60[k], out[4] = hpSum[k], out[5] = hpSs[k];
        }
    }
    hf.Keep(l, &PassLane::hf), bandHigh.Keep(l, &PassLane::bandHigh), bandLow.Keep(l, &PassLane::bandLow);
    for (int k = 0; k < W; ++k) *l[k]->bandSum = bandSum[k], *l[k]->bandSs = bandSs[k];
}

// The pass of two traces in one SSE2 register.
template <int32_t Stages>
void RunPass(const PassLane& p, const PassLane& q, size_t n, size_t second, double c50, double c60) {
    const PassLane* l[2] = {&p, &q};
    PassOver<Lanes, 2, Stages>(l, n, second, c50, c60);
}

// The fourth powers of the deviations of `count` (1 or 2) traces' epochs of
// `n` samples from their means, for the beat screen: each summed in two
// lanes (even and odd samples), a screen, not a value; two traces' sums
// side by side, each as alone.
void FourthSums(const double* const x[2], const double mean[2], size_t n, int count, double out[2]) {
    Lanes fourths[2] = {{0, 0}, {0, 0}};
    const Lanes middle[2] = {{mean[0], mean[0]}, {mean[1], mean[1]}};
    if (count == 2) {
        for (size_t i = 0; i + 1 < n; i += 2) {
            const Lanes v = Lanes{x[0][i], x[0][i + 1]} - middle[0], v2 = v * v;
            const Lanes w = Lanes{x[1][i], x[1][i + 1]} - middle[1], w2 = w * w;
            fourths[0] += v2 * v2, fourths[1] += w2 * w2;
        }
    } else {
        for (size_t i = 0; i + 1 < n; i += 2) {
            const Lanes v = Lanes{x[0][i], x[0][i + 1]} - middle[0], v2 = v * v;
            fourths[0] += v2 * v2;
        }
    }
    for (int k = 0; k < count; ++k) {
        out[k] = fourths[k][0] + fourths[k][1];
        const double last = n % 2 ? x[k][n - 1] - mean[k] : 0;
        if (n % 2) out[k] += last * last * last * last;
    }
}

// The pass of the stages `stages`.
void RunPassOf(int32_t stages, const PassLane& p, const PassLane& q, size_t n, size_t second, double c50,
               double c60) {
    typedef void (*Pass)(const PassLane&, const PassLane&, size_t, size_t, double, double);
    static const Pass kPasses[8] = {RunPass<0>, RunPass<1>, RunPass<2>, RunPass<3>,
                                    RunPass<4>, RunPass<5>, RunPass<6>, RunPass<7>};
    kPasses[stages & 7](p, q, n, second, c50, c60);
}

// Four traces' pass in one AVX register (one a lane): the pass of two
// pairs at once, each lane's arithmetic again that of the trace alone (no
// fused multiply-add). Built where the compiler keeps AVX values on an
// aligned stack (not on Windows, whose stack it does not align so far), and
// used only where the processor has AVX.
#if defined(__x86_64__) && !defined(_WIN32)
#define NIGHT_CHECK_WIDE_PASS 1
typedef double Wide __attribute__((vector_size(32)));

template <int32_t Stages>
__attribute__((target("avx"))) void RunWidePass(const PassLane* const* l, size_t n, size_t second, double c50,
                                                double c60) {
    PassOver<Wide, 4, Stages>(l, n, second, c50, c60);
}

// FourthSums of four traces' epochs of `n` samples: each trace's even and
// odd samples summed in two lanes as FourthSums sums them, two traces a
// register.
__attribute__((target("avx"))) void WideFourthSums(const double* const x[4], const double mean[4], size_t n,
                                                   double out[4]) {
    const Wide front = {mean[0], mean[0], mean[1], mean[1]}, back = {mean[2], mean[2], mean[3], mean[3]};
    Wide sums[2] = {{0, 0, 0, 0}, {0, 0, 0, 0}};
    for (size_t i = 0; i + 1 < n; i += 2) {
        const Wide v = Wide{x[0][i], x[0][i + 1], x[1][i], x[1][i + 1]} - front, v2 = v * v;
        const Wide w = Wide{x[2][i], x[2][i + 1], x[3][i], x[3][i + 1]} - back, w2 = w * w;
        sums[0] += v2 * v2, sums[1] += w2 * w2;
    }
    for (int k = 0; k < 4; ++k) {
        out[k] = sums[k / 2][2 * (k % 2)] + sums[k / 2][2 * (k % 2) + 1];
        const double last = n % 2 ? x[k][n - 1] - mean[k] : 0;
        if (n % 2) out[k] += last * last * last * last;
    }
}

// True when the four-lane pass runs here.
bool WidePassRuns() {
    static const bool avx = (__builtin_cpu_init(), __builtin_cpu_supports("avx") != 0);
    return avx;
}

// The four-lane pass of the stages `stages`.
void RunWidePassOf(int32_t stages, const PassLane* const* l, size_t n, size_t second, double c50, double c60) {
    typedef void (*Pass)(const PassLane* const*, size_t, size_t, double, double);
    static const Pass kPasses[8] = {RunWidePass<0>, RunWidePass<1>, RunWidePass<2>, RunWidePass<3>,
                                    RunWidePass<4>, RunWidePass<5>, RunWidePass<6>, RunWidePass<7>};
    kPasses[stages & 7](l, n, second, c50, c60);
}
#else
bool WidePassRuns() { return false; }
void RunWidePassOf(int32_t, const PassLane* const*, size_t, size_t, double, double) {}
void WideFourthSums(const double* const*, const double*, size_t, double*) {}
#endif

// A run of digital samples summed exactly: their sum, sum of squares,
// lowest and highest value and how many lie at the converter's limits.
struct DigitalSums {
    int64_t sum = 0, squares = 0;
    int32_t low = 0, high = 0, clipped = 0;
};

// Eight samples a step in one SSE2 register (pairs multiplied and added
// into 32 bits, then widened to 64); integers, so the sums are the ones a
// sample at a time gives. `n` > 0.
DigitalSums SumDigital(const int16_t* d, size_t n) {
    static_assert(kClipDigital > 0 && kClipDigital <= 32767, "the limits are 16-bit values");
    const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi16(1);
    const __m128i above = _mm_set1_epi16(int16_t(kClipDigital - 1)), below = _mm_set1_epi16(int16_t(1 - kClipDigital));
    __m128i low = _mm_set1_epi16(d[0]), high = low, sum = zero, squares = zero, clipped = zero;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        low = _mm_min_epi16(low, v), high = _mm_max_epi16(high, v);
        // Pairs' sums within +-65536: signed 32 bits, widened by their sign.
        const __m128i pairs = _mm_madd_epi16(v, ones), sign = _mm_srai_epi32(pairs, 31);
        sum = _mm_add_epi64(sum, _mm_add_epi64(_mm_unpacklo_epi32(pairs, sign), _mm_unpackhi_epi32(pairs, sign)));
        // Pairs' squares up to 2^31: unsigned 32 bits, widened by zeros.
        const __m128i square = _mm_madd_epi16(v, v);
        squares = _mm_add_epi64(squares,
                                _mm_add_epi64(_mm_unpacklo_epi32(square, zero), _mm_unpackhi_epi32(square, zero)));
        const __m128i limit = _mm_or_si128(_mm_cmpgt_epi16(v, above), _mm_cmplt_epi16(v, below));
        clipped = _mm_sub_epi32(clipped, _mm_madd_epi16(limit, ones));
    }
    DigitalSums r;
    int16_t lows[8], highs[8];
    int64_t sums[2], squareSums[2];
    int32_t clips[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lows), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(highs), high);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums), sum);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(squareSums), squares);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(clips), clipped);
    r.low = *std::min_element(lows, lows + 8), r.high = *std::max_element(highs, highs + 8);
    r.sum = sums[0] + sums[1], r.squares = squareSums[0] + squareSums[1];
    r.clipped = clips[0] + clips[1] + clips[2] + clips[3];
    for (; i < n; ++i) {
        const int32_t v = d[i];
        r.sum += v, r.squares += v * v;
        r.low = std::min(r.low, v), r.high = std::max(r.high, v);
        r.clipped += (v >= kClipDigital) | (v <= -kClipDigital);
    }
    return r;
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

// One second of one trace: what the checks judged to the second need.
struct SecondStats {
    float sd = 0;           // check units
    int16_t mean = 0;       // the second's mean, digital, rounded
    uint8_t clipped = 0;    // share of samples at the converter's limits, in 255ths
    uint8_t flags = 0;      // kOneValue, kOutOfRange
};
const uint8_t kOneValue = 1;     // every sample of the second holds one value
const uint8_t kOutOfRange = 2;   // SpO2 or pulse: the second lies outside what a sensor on a finger reports

// A run of seconds one rule judged to the second holds, made as the seconds
// arrive: seconds a few apart are one run (the rule's gap bridged). What a
// finding needs of its seconds, never a record per second.
struct SecondRun {
    uint32_t first = 0, past = 0;   // seconds from the recording's start
    double least = 0, most = 0;     // the rule's measure over the run's own seconds
    double sum = 0;                 // clipping: the seconds' shares at the limits, summed
    bool oneValue = true;           // flat: every second of the run holds one value
};

// Second `i` into `runs`, the last run taken on when it lies within `gap`
// seconds of its end.
void AddSecond(std::vector<SecondRun>& runs, uint32_t i, double gap, double measure, bool oneValue, double add = 0) {
    if (!runs.empty() && double(i) - double(runs.back().past) <= gap && i + 1 >= runs.back().first) {
        SecondRun& r = runs.back();
        if (i >= r.past) r.past = i + 1;
        r.least = std::min(r.least, measure), r.most = std::max(r.most, measure);
        r.sum += add;
        r.oneValue = r.oneValue && oneValue;
        return;
    }
    SecondRun r;
    r.first = i, r.past = i + 1, r.least = r.most = measure, r.sum = add, r.oneValue = oneValue;
    runs.push_back(r);
}

// The seconds' standard deviations of a channel, counted on a log scale (a
// hundred steps a decade): the channel's usual second without a record per second.
struct SdCounts {
    static constexpr double kLow = -6, kSteps = 100;
    static constexpr size_t kBins = 1400;   // 1e-6 to 1e8
    std::vector<uint32_t> bins;
    uint32_t zero = 0, total = 0;
    void Add(double sd) {
        ++total;
        if (!(sd > 0)) {
            ++zero;
            return;
        }
        if (bins.empty()) bins.assign(kBins, 0);
        const double at = (log10(sd) - kLow) * kSteps;
        bins[size_t(std::max(0.0, std::min(double(kBins - 1), at)))]++;
    }
    // The middle second's (as a sorted list's element total / 2).
    double Median() const {
        if (total == 0) return 0;
        uint32_t k = total / 2;
        if (k < zero) return 0;
        k -= zero;
        for (size_t b = 0; b < bins.size(); ++b) {
            if (k < bins[b]) return pow(10.0, kLow + (double(b) + 0.5) / kSteps);
            k -= bins[b];
        }
        return 0;
    }
};

struct EpochStats {
    float seconds = 0;
    float mean = 0, sd = 0, p2p = 0;
    float hum50 = kNone, hum60 = kNone;   // rms at the mains frequencies
    float hpRms = kNone;                  // rms above the high-frequency corner (mains still in)
    float bandShare = kNone;              // EEG band's share of the power
    float slowShare = kNone;              // power below about 1 Hz, share
    float beatRate = kNone, beatCv = kNone, beatProminence = kNone, beatDownShare = kNone;
    float outShare = 0;                   // position in no level: the share of samples
    int32_t outValue = 0;                 // ... and the first such value
    float jump = 0;                       // SpO2: largest change between 1-second means
    float eogCorrelation = kNone;
    int16_t duplicateOf = -1;
    float duplicateDifference = 0;
    int32_t firstDigital = 0;
    bool constantDigital = false;
    // Second by second inside the epoch (bit i: the epoch's second i), where
    // each check's short-window measure shows its fault: what a stretch
    // judged on epochs starts and ends by. The mains checks hold one mask
    // per mains frequency, the night's being known only at its end.
    uint32_t humSeconds[2] = {0, 0};      // 50 Hz, 60 Hz
    uint32_t hfSeconds[2] = {0, 0};
    uint32_t amplitudeSeconds = 0;
    uint32_t jumpSeconds = 0;
    uint32_t positionSeconds = 0;
    uint32_t eogSeconds = 0;
    uint32_t eogOppositeSeconds = 0;      // the eyes moving apart: wired right
    uint32_t eogEdgeSeconds = 0;          // in phase on short windows: where a stretch's ends go
    uint32_t beatRateSeconds[2] = {0, 0}; // between beats at no heart's rate; at one
    uint32_t beatSignSeconds[2] = {0, 0}; // holding a beat pointing down; up
    uint32_t copySeconds = 0;             // seconds the same as copyEdgeOf or duplicateOf
    int16_t copyEdgeOf = -1;              // the copy's partner in an epoch next to a copied one
};
// The epoch's seconds a mask holds.
const size_t kMaskSeconds = 32;

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
        // A pulse channel holding a rate (its unit per minute), not the
        // pulse wave of the oximeter's light.
        bool pulseRate = false;
        // The measures the channel's kind is judged by; the others are not
        // taken, which keeps the check fast.
        bool needHum = false, needSlow = false, needBeats = false;
        int64_t epochLength = 0;
        // The samples waiting to be judged, digital, an epoch a buffer (the
        // last one filling): an epoch is handed on by its buffer, never
        // copied. The feeding thread's alone, as are the emptied buffers
        // kept for the next epochs.
        std::deque<std::vector<int16_t>> pending;
        std::vector<std::vector<int16_t>> spare;
        bool HoldsEpoch() const { return !pending.empty() && int64_t(pending.front().size()) >= epochLength; }
        bool Waiting() const { return !pending.empty() && !pending.front().empty(); }
        std::vector<int16_t> current;// the epoch being measured, digital
        std::vector<double> x;       // the same in check units
        std::vector<int16_t> previous; // the epoch judged last, digital: where a copy began
        CheckFilter hf, bandHigh, bandLow, beatHigh, beatLow;
        std::vector<EpochStats> epochs;
        double lastSecondMean = NAN; // SpO2: the last 1-second mean of the previous epoch
        // The rules judged to the second, as runs made while the seconds arrive.
        uint32_t secondsSeen = 0;
        double heldSeconds = 0;             // > 0: only one value held this long is flat
        std::vector<SecondRun> flatRuns;    // one value, below the dead floor (or a slow channel's value kept)
        std::vector<SecondRun> quietRuns;   // below the low floor: flat when below the channel's usual second too
        std::vector<SecondRun> clipRuns, offRuns, heldRuns;
        SdCounts sds;
        double usualSoFar = 0;              // the usual second of the seconds so far
        bool heldOn = false;                // a value held since heldFirst
        uint32_t heldFirst = 0;
        int16_t heldMean = 0;
        SecondStats lastSecond{};
        std::vector<uint32_t> meanCounts;   // SpO2: the seconds' digital means, counted (the unit's test)
        // Which of the tones and filters the epoch's pass runs (kPassHum,
        // kPassHf, kPassBand): the same for every epoch.
        int32_t passStages = 0;
        // The epoch being measured: its mean and spread, each second's spread,
        // and what its pass left: per second the two tones' last two Goertzel
        // states (50 Hz, then 60 Hz) and the high-pass's sum and sum of
        // squares (kPassValues each), over the epoch the EEG band's sums.
        double epochMean = 0, epochVar = 0;
        double epochFourth = 0;     // the deviations' fourth powers summed, when the beat screen needs them
        double secVar[kMaskSeconds] = {};
        std::vector<double> passSeconds;
        double bandSum = 0, bandSs = 0;
    };
    // The buffers one measuring thread works in: the epoch in the beat
    // band and its magnitudes.
    struct Scratch {
        std::vector<double> band, mags;
        std::vector<double> spare;  // the pass of a trace measured alone: its empty lane's seconds
    };
    // The helpers of the thread that measures the epochs: each trace is
    // measured whole by one thread from its own state, so which thread takes
    // it never changes a value.
    struct Workers {
        std::vector<std::thread> threads;
        std::mutex lock;
        std::condition_variable start, finished;
        std::atomic<uint64_t> round{0};  // raised for each epoch handed out
        std::atomic<int32_t> busy{0};    // threads still measuring the round
        std::atomic<bool> quit{false};
        std::atomic<size_t> next{0};// the next unit of `due` to take
        std::vector<size_t> due;    // the units of the epoch to measure
    };
    // An epoch cut from the fed samples: each trace's samples (the buffer
    // they were fed into) and whether it is the night's last.
    struct Cut {
        std::vector<std::vector<int16_t>> samples;
        bool last = false;
    };
    // The epochs cut and not yet measured, in order: the feeding thread
    // cuts them, the check's own thread measures them, so a conversion only
    // hands its samples over. A few at most: the feeding thread waits for
    // room, which keeps memory flat.
    struct Queue {
        std::thread measurer;       // none: the feeding thread measures each epoch as it is cut
        std::mutex lock;
        std::condition_variable filled, freed;
        std::vector<Cut> cuts;      // a ring
        size_t head = 0, count = 0; // the oldest cut not yet measured; how many are waiting or being measured
        std::atomic<size_t> waiting{0};   // count, read without the lock while the measurer spins
        bool quit = false;
    };
    // Traces measured together, their filters' pass side by side (two of
    // one rate and the same stages; the second -1 for a trace alone): made
    // once, so the same for any number of threads.
    struct Unit {
        int32_t first = -1, second = -1;
        // A second pair of the same rate and stages, whose pass runs beside
        // the first's in four lanes where the processor can.
        int32_t third = -1, fourth = -1;
    };
    std::vector<Unit> units;
    SourceInfo source{};
    PositionCalibration position{};
    TracePlan plan{};
    std::vector<Trace> traces;
    std::vector<double> scratch, scratch2, eyeBlocks, eyeEdge[2];
    std::vector<double> eyeHistory[2];  // the eye pair's blocks, left and right, of the epoch before and this one
    int64_t eyeHistoryEpoch = -1;       // the epoch whose blocks eyeHistory ends with
    std::vector<int16_t> reduced;
    int64_t epochsDone = 0;
    std::vector<Scratch> scratches;     // one per measuring thread, the epochs' measurer's first
    Workers workers;
    Queue queue;
    bool lastEpoch = false;             // the epoch being measured is the night's last

    ~State();
    void StartWorkers(int32_t threads);
    void WorkerLoop(size_t index);
    void MeasureDue(size_t index);
    void MakeUnits(bool sideBySide);
    bool StartTrace(Trace& t);
    void MeasureUnit(const Unit& unit, Scratch& scratch);
    void CutEpoch(bool last);
    void MeasureEpoch(Cut& cut);
    void MeasurerLoop();
    void Drain();
    void NoteSecond(Trace& t, const SecondStats& sec);
    void MeasureSeconds(Trace& t, const double* x, const int16_t* d, size_t n, EpochStats& e);
    void Measure(Trace& t, const double* x, const int16_t* d, size_t n, EpochStats& e, Scratch& sc);
    void MeasureBeats(Trace& t, const double* x, size_t n, EpochStats& e, Scratch& sc);
    void MeasurePairs(size_t lengthOf);
};

namespace {

bool InSomeLevel(const PositionCalibration& p, int32_t v) {
    const int count = std::min<int>(p.levelCount, kMaxLevels);
    for (int l = 0; l < count; ++l)
        if (std::abs(int64_t{v} - p.centers[l]) * 2 <= int64_t{std::abs(p.widths[l])}) return true;
    return false;
}

}  // namespace

void NightChecker::State::MeasureBeats(Trace& t, const double* x, size_t n, EpochStats& e, Scratch& sc) {
    // `sc.band` holds the epoch in the 5-25 Hz band (Measure filled it).
    const double rate = t.info.outputRate;
    const std::vector<double>& scratch = sc.band;
    if (!t.beatHigh.active || !t.beatLow.active || n < size_t(rate * kCheckLimits.beatEpochSecondsMin) || scratch.size() < n) return;
    // The typical magnitude and the one peaks reach, from every fourth
    // sample (a QRS complex spans a dozen samples and more).
    std::vector<double>& mags = sc.mags;
    mags.clear();
    for (size_t i = 0; i < n; i += 4) mags.push_back(fabs(scratch[i]));
    const size_t m = mags.size(), mid = m / 2, high = std::min(m - 1, size_t(double(m) * 0.99));
    std::nth_element(mags.begin(), mags.begin() + mid, mags.end());
    const double median = mags[mid];
    std::nth_element(mags.begin() + mid, mags.begin() + high, mags.end());
    const double top = mags[high];
    if (top <= 0) return;
    const double threshold = 0.5 * top;
    double level = 0;
    Variance(x, n, &level);
    const size_t window = size_t(rate * kCheckLimits.beatPeakWindowSeconds);
    const size_t refractory = size_t(rate * kCheckLimits.beatRefractorySeconds);
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
        const size_t second = std::max<size_t>(1, size_t(rate));
        if (best / second < kMaskSeconds) e.beatSignSeconds[-low > up ? 0 : 1] |= 1u << (best / second);
        if (-low > up) ++down;
        i = best + refractory;
    }
    // The seconds between two beats, at a heart's rate or not: beats that
    // stand out of the band as a QRS complex does (noise's peaks do not).
    // At a heart's rate means in a rhythm too: an interval next to one of
    // like length (noise's peaks come at random).
    const double prominent = kCheckLimits.beatProminenceMin * median;
    auto interval = [&peaks](size_t k) { return double(peaks[k] - peaks[k - 1]); };
    auto alike = [&](size_t k, size_t j) {
        return j >= 1 && j < peaks.size() && fabs(interval(j) - interval(k)) <= kCheckLimits.beatIntervalCvMax * interval(k);
    };
    for (size_t k = 1; k < peaks.size(); ++k) {
        if (heights[k - 1] < prominent || heights[k] < prominent) continue;
        const double bpm = 60.0 * rate / interval(k);
        const bool atRate = bpm >= kCheckLimits.heartRateLow && bpm <= kCheckLimits.heartRateHigh;
        if (atRate && !alike(k, k - 1) && !alike(k, k + 1)) continue;
        const int sound = atRate ? 1 : 0;
        const size_t second = std::max<size_t>(1, size_t(rate));
        for (size_t si = peaks[k - 1] / second; si <= peaks[k] / second && si < kMaskSeconds; ++si)
            e.beatRateSeconds[sound] |= 1u << si;
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

// The epoch's seconds and sums, before its pass: what the flat, clipping and
// probe-off rules judge to the second, the epoch's mean, spread and
// extremes; the filters settled on the night's first epoch.
void NightChecker::State::MeasureSeconds(Trace& t, const double* x, const int16_t* d, size_t n, EpochStats& e) {
    const double rate = t.info.outputRate;
    e.seconds = float(double(n) / rate);
    // Second by second: what the flat, clipping and probe-off rules judge to
    // the second; the epoch's sums gathered on the way.
    const size_t second = std::max<size_t>(1, size_t(rate));
    const bool oximeter = t.cls == SignalClass::Spo2 || t.pulseRate;
    const double rangeLow = t.cls == SignalClass::Spo2 ? kCheckLimits.spo2Low : kCheckLimits.pulseLow;
    const double rangeHigh = t.cls == SignalClass::Spo2 ? kCheckLimits.spo2High : kCheckLimits.pulseHigh;
    // The sums are taken of the digital values, exactly and side by side
    // (a sample in check units is base + step x its digital value); the
    // means, spreads and extremes in check units follow from them.
    const double step = t.info.scale.bitValue * t.unitFactor, base = t.info.scale.offset * step;
    auto valueOf = [&](int32_t digital) { return base + step * digital; };   // as x holds it
    auto varianceOf = [&](size_t count, int64_t sum, int64_t squares) {
        const __int128 spread = __int128(count) * squares - __int128(sum) * sum;
        return std::max(0.0, step * step * (double(spread) / (double(count) * double(count))));
    };
    double* secVar = t.secVar;
    double secLo[kMaskSeconds] = {}, secHi[kMaskSeconds] = {};
    std::fill(secVar, secVar + kMaskSeconds, 0.0);
    int32_t dlo = d[0], dhi = d[0];
    int64_t sum = 0, squares = 0;
    for (size_t s0 = 0; s0 < n; s0 += second) {
        const size_t s1 = std::min(n, s0 + second);
        const DigitalSums sums = SumDigital(d + s0, s1 - s0);
        const int32_t sdlo = sums.low, sdhi = sums.high, sclipped = sums.clipped;
        const int64_t dsum = sums.sum, dsq = sums.squares;
        size_t out = 0;
        if (oximeter)
            for (size_t i = s0; i < s1; ++i) out += x[i] < rangeLow || x[i] > rangeHigh;
        const double m = double(s1 - s0);
        SecondStats sec;
        const size_t si = s0 / second;
        const double secondVar = varianceOf(s1 - s0, dsum, dsq);
        if (si < kMaskSeconds) {
            secVar[si] = secondVar;
            secLo[si] = std::min(valueOf(sdlo), valueOf(sdhi)), secHi[si] = std::max(valueOf(sdlo), valueOf(sdhi));
        }
        sec.sd = sdlo == sdhi ? 0.0f : float(sqrt(secondVar));
        sec.mean = int16_t(std::lround(double(dsum) / m));
        sec.clipped = uint8_t(std::lround(255.0 * double(sclipped) / m));
        sec.flags = uint8_t((sdlo == sdhi ? kOneValue : 0) |
                            (oximeter && double(out) >= kCheckLimits.spo2OffShare * m ? kOutOfRange : 0));
        NoteSecond(t, sec);
        sum += dsum, squares += dsq;
        dlo = std::min(dlo, sdlo), dhi = std::max(dhi, sdhi);
    }
    const double mean = base + step * (double(sum) / double(n));
    const double var = varianceOf(n, sum, squares);
    const double lo = std::min(valueOf(dlo), valueOf(dhi)), hi = std::max(valueOf(dlo), valueOf(dhi));
    e.mean = float(mean), e.sd = float(sqrt(var)), e.p2p = float(hi - lo);
    e.firstDigital = d[0];
    e.constantDigital = dlo == dhi;
    if (e.constantDigital) e.sd = 0;   // not the rounding left of the mean taken out
    t.epochMean = mean, t.epochVar = var;
    const ClassThresholds& th = ThresholdsOf(t.cls);
    if (th.amplitudeMax > 0 && t.absolute) {
        // A second of a swing beyond the kind's range: a share of the range
        // within the second (an eye's channel: of a one-sided swing's).
        const double line = t.cls == SignalClass::Eog ? std::min(th.amplitudeMax, kCheckLimits.eogOneSideAmplitude)
                                                      : th.amplitudeMax;
        const double half = kCheckLimits.amplitudeSecondShare * line;
        for (size_t si = 0; si * second < n && si < kMaskSeconds; ++si)
            if (secHi[si] - secLo[si] > half) e.amplitudeSeconds |= 1u << si;
    }
    if (t.epochs.size() == 1) {
        // The first epoch: the high-passes start settled on its first value,
        // so a recording's offset does not ring through the first seconds.
        t.hf.Settle(x[0]), t.bandHigh.Settle(x[0]), t.beatHigh.Settle(x[0]);
        t.bandLow.Settle(0), t.beatLow.Settle(0);
    }
}

// The epoch's measures after its pass (MeasureSeconds, then the pass of the
// tones and filters, left them in `t`).
void NightChecker::State::Measure(Trace& t, const double* x, const int16_t* d, size_t n, EpochStats& e, Scratch& sc) {
    const double rate = t.info.outputRate;
    const size_t second = std::max<size_t>(1, size_t(rate));
    const double mean = t.epochMean, var = t.epochVar;
    const double* secVar = t.secVar;
    const ClassThresholds& th = ThresholdsOf(t.cls);
    const double hold = kCheckLimits.holdShare;
    const double mainsMargin = kCheckLimits.mainsRateMargin;
    const bool hum50 = t.needHum && rate > mainsMargin * 50, hum60 = t.needHum && rate > mainsMargin * 60;
    CheckFilter beatHigh = t.beatHigh, beatLow = t.beatLow;
    // Beats are looked for on an ECG channel, and on another only when its
    // epoch is as peaked as an ECG (kurtosis): most channels never need it.
    bool beats = t.needBeats && beatHigh.active && beatLow.active;
    if (beats && t.cls != SignalClass::Ecg)
        beats = var > 0 && t.epochFourth / double(n) >= kCheckLimits.beatScreenKurtosis * var * var;
    sc.band.resize(beats ? n : 0);
    double* beatBand = sc.band.data();
    if (beats)
        for (size_t i = 0; i < n; ++i) beatBand[i] = beatLow.Step(beatHigh.Step(x[i]));
    double hpSum = 0, hpSs = 0;
    const double bandSs = t.bandSs, bandSum = t.bandSum;
    // The tones second by second: a second holds whole cycles of either
    // mains frequency, so the epoch's tone is the sum of its seconds' (each
    // turned to the epoch's phase) and the seconds tell where a hum starts.
    const double w50 = 2 * kPi * 50 / rate, w60 = 2 * kPi * 60 / rate;
    const double cos50 = cos(w50), sin50 = sin(w50), cos60 = cos(w60), sin60 = sin(w60);
    // A whole second's turn to the epoch's phase: e^(-jw(s1-1)) is e^(jw)
    // when the second ends on a whole second (whole cycles before it).
    const std::complex<double> turn50(cos50, sin50), turn60(cos60, sin60);
    std::complex<double> epoch50, epoch60;
    const double humRmsMin = t.absolute ? th.humRms : 0;
    const double hfLimit = t.absolute && th.hfRms > 0 ? th.hfRms : 0;
    const CheckFilter& hf = t.hf;
    for (size_t s0 = 0; s0 < n; s0 += second) {
        const size_t s1 = std::min(n, s0 + second), si = s0 / second;
        const double* pass = t.passSeconds.data() + kPassValues * si;
        const double g50a = pass[0], g50b = pass[1], g60a = pass[2], g60b = pass[3];
        const double secHpSum = pass[4], secHpSs = pass[5];
        hpSum += secHpSum, hpSs += secHpSs;
        const double m = double(s1 - s0);
        double tone[2] = {0, 0};
        const bool whole = s1 - s0 == second && size_t(rate) == second;
        if (hum50) {
            const std::complex<double> y(g50a - cos50 * g50b, sin50 * g50b);
            epoch50 += (whole ? turn50 : std::polar(1.0, -w50 * double(s1 - 1))) * y;
            tone[0] = sqrt(2.0) * std::abs(y) / m;
        }
        if (hum60) {
            const std::complex<double> y(g60a - cos60 * g60b, sin60 * g60b);
            epoch60 += (whole ? turn60 : std::polar(1.0, -w60 * double(s1 - 1))) * y;
            tone[1] = sqrt(2.0) * std::abs(y) / m;
        }
        if (si >= kMaskSeconds) continue;
        const double hp2 = std::max(0.0, secHpSs / m - (secHpSum / m) * (secHpSum / m));
        for (int f = 0; f < 2; ++f) {
            if (th.humShare > 0 && secVar[si] > 0 && tone[f] >= hold * humRmsMin &&
                tone[f] * tone[f] >= hold * th.humShare * secVar[si])
                e.humSeconds[f] |= 1u << si;
            if (hfLimit > 0 && hf.active && hp2 - tone[f] * tone[f] >= hfLimit * hfLimit) e.hfSeconds[f] |= 1u << si;
        }
    }
    t.beatHigh = beatHigh, t.beatLow = beatLow;
    if (hum50) e.hum50 = float(sqrt(2.0) * std::abs(epoch50) / double(n));
    if (hum60) e.hum60 = float(sqrt(2.0) * std::abs(epoch60) / double(n));
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
    if (t.needBeats) MeasureBeats(t, x, n, e, sc);

    if (t.cls == SignalClass::Spo2) {
        double previous = t.lastSecondMean;
        for (size_t s = 0; s + second <= n; s += second) {
            double m = 0;
            for (size_t i = s; i < s + second; ++i) m += x[i];
            m /= double(second);
            const bool inRange = m >= kCheckLimits.spo2Low && m <= kCheckLimits.spo2High;
            if (inRange && !std::isnan(previous)) {
                e.jump = std::max(e.jump, float(fabs(m - previous)));
                // The seconds on both sides of a jump.
                const size_t si = s / second;
                if (fabs(m - previous) >= kCheckLimits.spo2JumpPerSecond && si < kMaskSeconds) {
                    e.jumpSeconds |= 1u << si;
                    if (si > 0) e.jumpSeconds |= 1u << (si - 1);
                    else if (t.epochs.size() > 1) {
                        EpochStats& before = t.epochs[t.epochs.size() - 2];
                        const size_t lastSecond = size_t(std::ceil(double(before.seconds))) - 1;
                        if (lastSecond < kMaskSeconds) before.jumpSeconds |= 1u << lastSecond;
                    }
                }
            }
            previous = inRange ? m : NAN;
        }
        t.lastSecondMean = previous;
    }
    if (t.cls == SignalClass::Position && position.levelCount > 0) {
        size_t out = 0;
        for (size_t s0 = 0; s0 < n; s0 += second) {
            const size_t s1 = std::min(n, s0 + second), before = out;
            for (size_t i = s0; i < s1; ++i)
                if (!InSomeLevel(position, d[i])) {
                    if (out++ == 0) e.outValue = d[i];
                }
            if (s0 / second < kMaskSeconds &&
                double(out - before) >= kCheckLimits.positionOutShare * double(s1 - s0) && out > before)
                e.positionSeconds |= 1u << (s0 / second);
        }
        e.outShare = float(double(out) / double(n));
    }
}

namespace {

double SecondValueOf(const NightChecker::State::Trace& t, int16_t mean) {
    return (t.info.scale.offset + double(mean)) * t.info.scale.bitValue * t.unitFactor;
}

// A held value's run ends at second `end`: kept when it lasted long enough.
void CloseHeld(NightChecker::State::Trace& t, uint32_t end) {
    if (t.heldOn && double(end - t.heldFirst) >= t.heldSeconds) {
        SecondRun r;
        r.first = t.heldFirst, r.past = end, r.least = r.most = SecondValueOf(t, t.heldMean);
        t.heldRuns.push_back(r);
    }
    t.heldOn = false;
}

}  // namespace

// One second of a trace into the runs of the rules judged to the second.
void NightChecker::State::NoteSecond(Trace& t, const SecondStats& sec) {
    const uint32_t i = t.secondsSeen++;
    const ClassThresholds& th = ThresholdsOf(t.cls);
    const CheckLimits& lim = kCheckLimits;
    const bool one = (sec.flags & kOneValue) != 0, off = (sec.flags & kOutOfRange) != 0;
    if (sec.clipped > 0) AddSecond(t.clipRuns, i, lim.clipGapSeconds, 0, false, sec.clipped / 255.0);
    if (off) AddSecond(t.offRuns, i, lim.flatGapSeconds, SecondValueOf(t, sec.mean), false);
    if (t.cls == SignalClass::Spo2) {
        if (t.meanCounts.empty()) t.meanCounts.assign(65536, 0);
        t.meanCounts[size_t(int32_t(sec.mean) + 32768)]++;
    }
    if (t.heldSeconds > 0) {
        if (!(t.heldOn && one && sec.mean == t.heldMean)) {
            CloseHeld(t, i);
            if (one && !off) t.heldOn = true, t.heldFirst = i, t.heldMean = sec.mean;
        }
    } else if (th.deadSd > 0 || th.flatShareOfNight > 0) {
        if (double(t.info.outputRate) < lim.flatSecondSamplesMin) {
            // A slow channel: flat where consecutive seconds hold one value.
            if (i > 0 && one && (t.lastSecond.flags & kOneValue) && sec.mean == t.lastSecond.mean) {
                AddSecond(t.flatRuns, i - 1, lim.flatGapSeconds, 0, true);
                AddSecond(t.flatRuns, i, lim.flatGapSeconds, 0, true);
            }
        } else {
            const double dead = t.absolute ? th.deadSd : 0, low = t.absolute ? th.lowSd : 1e30;
            const double sd = sec.sd;
            t.sds.Add(sd);
            if (i % 60 == 0) t.usualSoFar = t.sds.Median();
            // A second held at the converter's limit is clipping's, not a lead off.
            const bool railed = sec.clipped == 255;
            if (!railed && (one || sd < dead)) {
                AddSecond(t.flatRuns, i, lim.flatGapSeconds, sd, one);
            } else if (!railed && sd < low && th.flatShareOfNight > 0 &&
                       (double(i) < lim.quietSecondsKept ||
                        sd < lim.quietMargin * th.flatShareOfNight * t.usualSoFar)) {
                // A quiet second, judged against the night's usual second at
                // its end: consecutive seconds of like deviation are one run.
                std::vector<SecondRun>& q = t.quietRuns;
                if (!q.empty() && q.back().past == i && std::max(q.back().most, sd) <= lim.quietSpread * std::min(q.back().least, sd))
                    AddSecond(q, i, 0, sd, false);
                else
                    q.push_back(SecondRun{i, i + 1, sd, sd, 0, false});
            }
        }
    }
    t.lastSecond = sec;
}

namespace {

// The eye movements of an EOG channel: means of short blocks, each then
// averaged with its neighbours over eogSmoothSeconds, the mean taken out;
// their sd. The average keeps an eye's roll and a saccade's step and
// cancels most of the slow waves of a frontal EEG, which both eye
// electrodes pick up in phase.
double EyeMovements(const double* x, size_t n, double rate, std::vector<double>& blocks, std::vector<double>& out) {
    const size_t block = std::max<size_t>(1, size_t(rate * kCheckLimits.eogBlockSeconds));
    blocks.clear();
    for (size_t s = 0; s + block <= n; s += block) {
        double m = 0;
        for (size_t i = s; i < s + block; ++i) m += x[i];
        blocks.push_back(m / double(block));
    }
    const size_t span = std::max<size_t>(1, size_t(kCheckLimits.eogSmoothSeconds / kCheckLimits.eogBlockSeconds + 0.5));
    out.clear();
    if (blocks.size() < span) return 0;
    double run = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        run += blocks[i];
        if (i >= span) run -= blocks[i - span];
        if (i + 1 >= span) out.push_back(run / double(span));
    }
    double mean = 0;
    const double var = Variance(out.data(), out.size(), &mean);
    for (double& v : out) v -= mean;
    return sqrt(var);
}

}  // namespace

// The seconds of an epoch (`step` samples each) whose difference between
// two channels, `va(i)` and `vb(i)`, stays within `limit` rms.
template <class A, class B>
uint32_t SameSeconds(const A& va, const B& vb, size_t len, size_t step, double limit) {
    uint32_t bits = 0;
    for (size_t s0 = 0, si = 0; s0 < len && si < kMaskSeconds; s0 += step, ++si) {
        const size_t s1 = std::min(len, s0 + step);
        double ss = 0;
        for (size_t i = s0; i < s1; ++i) {
            const double dv = va(i) - vb(i);
            ss += dv * dv;
        }
        if (ss <= limit * limit * double(s1 - s0)) bits |= 1u << si;
    }
    return bits;
}

// A digital sample of a trace in check units.
double CheckValue(const NightChecker::State::Trace& t, int16_t digital) {
    const double step = t.info.scale.bitValue * t.unitFactor;
    return t.info.scale.offset * step + step * digital;
}

// The correlation of the EOG pair's averaged movements (`l`, `r`, one value
// every `step` seconds, the first centred at `first`) over `length` seconds
// about `centre`; 0 where either moves less than `moving` (uV sd). Their
// variances go to `vl`, `vr`.
double PairCorrelation(const std::vector<double>& l, const std::vector<double>& r, double first, double step,
                       double centre, double length, double moving, double* vl, double* vr) {
    const size_t m = std::min(l.size(), r.size());
    const double from = centre - length / 2, to = from + length;
    double sl = 0, sr = 0, sll = 0, srr = 0, slr = 0, count = 0;
    for (size_t j = size_t(std::max(0.0, std::floor((from - first) / step))); j < m; ++j) {
        const double at = first + double(j) * step;
        if (at >= to) break;
        if (at < from) continue;
        sl += l[j], sr += r[j], sll += l[j] * l[j], srr += r[j] * r[j], slr += l[j] * r[j], ++count;
    }
    *vl = *vr = 0;
    if (count < 3) return 0.0;
    *vl = sll / count - (sl / count) * (sl / count), *vr = srr / count - (sr / count) * (sr / count);
    if (*vl < moving * moving || *vr < moving * moving) return 0.0;
    return (slr / count - (sl / count) * (sr / count)) / sqrt(*vl * *vr);
}

// The seconds `from` .. `from + seconds` (bit i: the second from + i) in
// which the pair's averaged movements (as for PairCorrelation) move in
// phase: correlated above the hold line over `length` seconds about each.
uint32_t InPhaseSeconds(const std::vector<double>& l, const std::vector<double>& r, double first, double step,
                        double from, size_t seconds, double length) {
    const CheckLimits& lim = kCheckLimits;
    uint32_t bits = 0;
    for (size_t si = 0; si < seconds && si < kMaskSeconds; ++si) {
        double vl = 0, vr = 0;
        if (PairCorrelation(l, r, first, step, from + double(si) + 0.5, length, lim.eogWindowMovementSd, &vl, &vr) >
            lim.holdShare * lim.eogInPhaseCorrelation)
            bits |= 1u << si;
    }
    return bits;
}

// The seconds of an epoch in which the pair's movements (averaged over
// eogSmoothSeconds, one value a block, the first centred at `first`) move
// apart, as eyes do: told on a short window and clear movements only, for
// slow waves the pair shares turn opposite where one lead is inverted.
uint32_t ApartSeconds(const std::vector<double>& l, const std::vector<double>& r, double first, size_t seconds) {
    const CheckLimits& lim = kCheckLimits;
    const double clear = lim.eogMovementSd * lim.eogMovementSd / 4;
    uint32_t bits = 0;
    for (size_t si = 0; si < seconds && si < kMaskSeconds; ++si) {
        double vl = 0, vr = 0;
        const double cor = PairCorrelation(l, r, first, lim.eogBlockSeconds, double(si) + 0.5,
                                           lim.eogApartWindowSeconds, lim.eogWindowMovementSd, &vl, &vr);
        if (cor < lim.eogApartCorrelation && vl >= clear && vr >= clear) bits |= 1u << si;
    }
    return bits;
}

// Means of `span` consecutive values of `x`, one for each run of them.
void RunningMeans(const std::vector<double>& x, size_t span, std::vector<double>& out) {
    out.clear();
    double run = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        run += x[i];
        if (i >= span) run -= x[i - span];
        if (i + 1 >= span) out.push_back(run / double(span));
    }
}

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
            if (fabs(double(ea.sd) - eb.sd) > kCheckLimits.duplicateSdRatio * sdMax ||
                fabs(double(ea.mean) - eb.mean) > kCheckLimits.duplicateMeanShare * sdMax)
                continue;
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
                const double* xa = ta.x.data();
                const double* xb = tb.x.data();
                eb.copySeconds = SameSeconds([xa](size_t i) { return xa[i]; }, [xb](size_t i) { return xb[i]; }, len,
                                             step, limit);
                // The epoch before, no copy as a whole: the seconds the copy already held.
                if (epoch > 0 && tb.epochs.size() > epoch && ta.epochs.size() > epoch &&
                    tb.epochs[epoch - 1].duplicateOf < 0 && !ta.previous.empty() && !tb.previous.empty()) {
                    EpochStats& before = tb.epochs[epoch - 1];
                    const size_t plen = std::min(ta.previous.size(), tb.previous.size());
                    before.copySeconds = SameSeconds([&ta](size_t i) { return CheckValue(ta, ta.previous[i]); },
                                                     [&tb](size_t i) { return CheckValue(tb, tb.previous[i]); }, plen,
                                                     step, limit);
                    before.copyEdgeOf = int16_t(a);
                }
                break;
            }
        }
        // The epoch after a copy, no copy as a whole: the seconds the copy still held.
        if (eb.duplicateOf < 0 && epoch > 0 && tb.epochs.size() > epoch && tb.epochs[epoch - 1].duplicateOf >= 0) {
            const EpochStats& before = tb.epochs[epoch - 1];
            Trace& ta = traces[size_t(before.duplicateOf)];
            if (ta.active && ta.epochs.size() > epoch && ta.info.outputRate == tb.info.outputRate) {
                const double sdMax = std::max(ta.epochs[epoch - 1].sd, before.sd);
                const size_t len = std::min({ta.x.size(), tb.x.size(), size_t(tb.epochLength)});
                const double* xa = ta.x.data();
                const double* xb = tb.x.data();
                eb.copySeconds = SameSeconds([xa](size_t i) { return xa[i]; }, [xb](size_t i) { return xb[i]; }, len,
                                             size_t(std::max(1, tb.info.outputRate)),
                                             kCheckLimits.duplicateDifference * sdMax);
                eb.copyEdgeOf = before.duplicateOf;
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
    const CheckLimits& lim = kCheckLimits;
    const size_t nl = std::min(l.x.size(), size_t(l.epochLength)), nr = std::min(r.x.size(), size_t(r.epochLength));
    // The pair's blocks of the epoch before are kept for the windows that
    // reach over the epoch's edge.
    if (eyeHistoryEpoch < 0 || size_t(eyeHistoryEpoch) + 1 != epoch) eyeHistory[0].clear(), eyeHistory[1].clear();
    const size_t kept = std::min(eyeHistory[0].size(), eyeHistory[1].size());
    eyeHistory[0].resize(kept), eyeHistory[1].resize(kept);
    const double sl = EyeMovements(l.x.data(), nl, l.info.outputRate, eyeBlocks, scratch);
    eyeHistory[0].insert(eyeHistory[0].end(), eyeBlocks.begin(), eyeBlocks.end());
    const double sr = EyeMovements(r.x.data(), nr, r.info.outputRate, eyeBlocks, scratch2);
    eyeHistory[1].insert(eyeHistory[1].end(), eyeBlocks.begin(), eyeBlocks.end());
    eyeHistoryEpoch = int64_t(epoch);
    const size_t m = std::min(scratch.size(), scratch2.size());
    const size_t seconds = size_t(std::ceil(double(r.epochs[epoch].seconds)));
    // Where a stretch's ends lie, on the blocks averaged over
    // eogEdgeSmoothSeconds, times from this epoch's start: the epoch before
    // has its last half judged again, now with the seconds that follow it.
    {
        const double step = std::max<size_t>(1, size_t(l.info.outputRate * lim.eogBlockSeconds)) /
                            double(std::max(1, l.info.outputRate));
        const size_t span = std::max<size_t>(1, size_t(lim.eogEdgeSmoothSeconds / lim.eogBlockSeconds + 0.5));
        RunningMeans(eyeHistory[0], span, eyeEdge[0]);
        RunningMeans(eyeHistory[1], span, eyeEdge[1]);
        const double first = -double(kept) * step + double(span) * step / 2;
        auto mark = [&](EpochStats& e, size_t from, size_t count, double at) {
            const uint32_t keep = (1u << from) - 1;
            e.eogSeconds = (e.eogSeconds & keep) |
                           InPhaseSeconds(eyeEdge[0], eyeEdge[1], first, step, at, count, lim.eogWindowSeconds) << from;
            e.eogEdgeSeconds = (e.eogEdgeSeconds & keep) |
                               InPhaseSeconds(eyeEdge[0], eyeEdge[1], first, step, at, count, lim.eogEdgeWindowSeconds)
                                   << from;
        };
        const size_t per = size_t(lim.epochSeconds), half = per / 2;
        if (kept > 0 && epoch > 0 && r.epochs.size() > epoch)
            mark(r.epochs[epoch - 1], half, per - half, double(half) - double(per));
        mark(r.epochs[epoch], 0, seconds, 0);
        eyeHistory[0].erase(eyeHistory[0].begin(), eyeHistory[0].begin() + std::ptrdiff_t(kept));
        eyeHistory[1].erase(eyeHistory[1].begin(), eyeHistory[1].begin() + std::ptrdiff_t(kept));
    }
    if (m == 0) return;
    // The eyes apart are told in every epoch, each on its own movements:
    // eyes seen moving apart in an epoch of small movements show the wiring
    // too. The averaged series' first value is the mean of the epoch's first
    // second of blocks.
    r.epochs[epoch].eogOppositeSeconds = ApartSeconds(scratch, scratch2, lim.eogSmoothSeconds / 2, seconds);
    if (sl < lim.eogMovementSd || sr < lim.eogMovementSd) return;
    double cov = 0;
    for (size_t i = 0; i < m; ++i) cov += scratch[i] * scratch2[i];
    r.epochs[epoch].eogCorrelation = float(cov / double(m) / (sl * sr));
}

// The epoch's samples in check units, from the digital ones; true when the
// epoch is measured (a record made for it and its seconds taken).
bool NightChecker::State::StartTrace(Trace& t) {
    const size_t n = t.current.size();
    t.x.resize(n);
    const double step = t.info.scale.bitValue * t.unitFactor, base = t.info.scale.offset * step;
    for (size_t k = 0; k < n; ++k) t.x[k] = base + step * t.current[k];
    if (n == 0 || (lastEpoch && double(n) < kCheckLimits.shortestEpochSeconds * t.info.outputRate)) return false;
    t.epochs.emplace_back();
    MeasureSeconds(t, t.x.data(), t.current.data(), n, t.epochs.back());
    const size_t second = std::max<size_t>(1, size_t(t.info.outputRate));
    t.passSeconds.assign(kPassValues * ((n + second - 1) / second), 0.0);
    t.bandSum = t.bandSs = 0;
    return true;
}

// The traces of one unit measured: their seconds, their pass side by side
// (each alone, its other lane idle, when only one is measured or their
// epochs differ in length), then the rest of their measures.
void NightChecker::State::MeasureUnit(const Unit& unit, Scratch& sc) {
    const int32_t ids[4] = {unit.first, unit.second, unit.third, unit.fourth};
    Trace* t[4];
    bool measured[4];
    for (int k = 0; k < 4; ++k) {
        t[k] = ids[k] >= 0 ? &traces[size_t(ids[k])] : nullptr;
        measured[k] = t[k] && StartTrace(*t[k]);
    }
    auto laneOf = [](Trace& u) {
        return PassLane{u.x.data(), u.epochMean, &u.hf, &u.bandHigh, &u.bandLow, u.passSeconds.data(), &u.bandSum,
                        &u.bandSs};
    };
    auto pass = [&](Trace& u, Trace* other) {
        const double rate = u.info.outputRate;
        const size_t n = u.x.size(), second = std::max<size_t>(1, size_t(rate));
        const double c50 = 2 * cos(2 * kPi * 50 / rate), c60 = 2 * cos(2 * kPi * 60 / rate);
        const PassLane p = laneOf(u);
        if (other) {
            RunPassOf(u.passStages, p, laneOf(*other), n, second, c50, c60);
            return;
        }
        // Alone: the other lane repeats this trace into copies of its own.
        Biquad hf = u.hf, bandHigh = u.bandHigh, bandLow = u.bandLow;
        double sum = 0, ss = 0;
        sc.spare.resize(u.passSeconds.size());
        const PassLane q{p.x, p.mean, &hf, &bandHigh, &bandLow, sc.spare.data(), &sum, &ss};
        RunPassOf(u.passStages, p, q, n, second, c50, c60);
    };
    // The traces k and k + 1: side by side when both are measured with
    // epochs of one length, else each alone.
    auto pairPass = [&](int k) {
        if (measured[k] && measured[k + 1] && t[k]->x.size() == t[k + 1]->x.size()) {
            if (t[k]->passStages) pass(*t[k], t[k + 1]);
        } else {
            for (int j = k; j < k + 2; ++j)
                if (measured[j] && t[j]->passStages) pass(*t[j], nullptr);
        }
    };
    // Three traces or four side by side: a fourth lane missing repeats the
    // third into copies of its own.
    bool wide = t[0]->passStages != 0 && WidePassRuns();
    for (int k = 0; k < 4 && wide; ++k)
        wide = k == 3 && !t[k] ? true : measured[k] && t[k]->x.size() == t[0]->x.size();
    if (wide) {
        const double rate = t[0]->info.outputRate;
        Biquad hf = t[2]->hf, bandHigh = t[2]->bandHigh, bandLow = t[2]->bandLow;
        double sum = 0, ss = 0;
        sc.spare.resize(t[2]->passSeconds.size());
        const PassLane third = laneOf(*t[2]);
        const PassLane lanes[4] = {laneOf(*t[0]), laneOf(*t[1]), third,
                                   t[3] ? laneOf(*t[3])
                                        : PassLane{third.x, third.mean, &hf, &bandHigh, &bandLow, sc.spare.data(), &sum,
                                                   &ss}};
        const PassLane* l[4] = {&lanes[0], &lanes[1], &lanes[2], &lanes[3]};
        RunWidePassOf(t[0]->passStages, l, t[0]->x.size(), std::max<size_t>(1, size_t(rate)),
                      2 * cos(2 * kPi * 50 / rate), 2 * cos(2 * kPi * 60 / rate));
    } else {
        pairPass(0);
        pairPass(2);
    }
    // The beat screen's sums, of a pair's traces side by side when both need them.
    auto screened = [&](int k) {
        if (!measured[k]) return false;
        const Trace& u = *t[k];
        return u.needBeats && u.beatHigh.active && u.beatLow.active && u.cls != SignalClass::Ecg;
    };
    const bool all = wide && t[3] && screened(0) && screened(1) && screened(2) && screened(3);
    if (all) {
        const double* x[4] = {t[0]->x.data(), t[1]->x.data(), t[2]->x.data(), t[3]->x.data()};
        const double mean[4] = {t[0]->epochMean, t[1]->epochMean, t[2]->epochMean, t[3]->epochMean};
        double out[4];
        WideFourthSums(x, mean, t[0]->x.size(), out);
        for (int k = 0; k < 4; ++k) t[k]->epochFourth = out[k];
    }
    for (int k = 0; k < 4 && !all; k += 2) {
        const bool screen[2] = {screened(k), screened(k + 1)};
        if (screen[0] && screen[1] && t[k]->x.size() == t[k + 1]->x.size()) {
            const double* x[2] = {t[k]->x.data(), t[k + 1]->x.data()};
            const double mean[2] = {t[k]->epochMean, t[k + 1]->epochMean};
            double out[2];
            FourthSums(x, mean, t[k]->x.size(), 2, out);
            t[k]->epochFourth = out[0], t[k + 1]->epochFourth = out[1];
            continue;
        }
        for (int j = k; j < k + 2; ++j) {
            if (!screen[j - k]) continue;
            const double* x[2] = {t[j]->x.data(), nullptr};
            const double mean[2] = {t[j]->epochMean, 0};
            double out[2];
            FourthSums(x, mean, t[j]->x.size(), 1, out);
            t[j]->epochFourth = out[0];
        }
    }
    for (int k = 0; k < 4; ++k)
        if (measured[k]) Measure(*t[k], t[k]->x.data(), t[k]->current.data(), t[k]->x.size(), t[k]->epochs.back(), sc);
}

// The units: each trace with the next one of its rate and stages not yet
// taken, or alone (every trace alone without `sideBySide`).
void NightChecker::State::MakeUnits(bool sideBySide) {
    const double margin = kCheckLimits.mainsRateMargin;
    for (Trace& t : traces)
        t.passStages = (t.needHum && t.info.outputRate > margin * 50 ? kPassHum : 0) | (t.hf.active ? kPassHf : 0) |
                       (t.bandHigh.active ? kPassBand : 0);
    std::vector<uint8_t> taken(traces.size(), 0);
    units.clear();
    for (size_t i = 0; i < traces.size(); ++i) {
        if (!traces[i].active || taken[i]) continue;
        Unit u;
        u.first = int32_t(i);
        taken[i] = 1;
        for (size_t j = i + 1; sideBySide && j < traces.size(); ++j) {
            const Trace& o = traces[j];
            if (!o.active || taken[j] || o.passStages != traces[i].passStages ||
                o.info.outputRate != traces[i].info.outputRate)
                continue;
            u.second = int32_t(j);
            taken[j] = 1;
            break;
        }
        units.push_back(u);
    }
    // Two pairs of one rate and the same stages make one unit, else a pair
    // and a trace left alone: their pass runs in four lanes where the
    // processor can.
    std::vector<uint8_t> joined(units.size(), 0);
    for (int alone = 0; alone < 2; ++alone) {
        for (size_t i = 0; i < units.size(); ++i) {
            Unit& u = units[i];
            const Trace& a = traces[size_t(u.first)];
            if (joined[i] || u.second < 0 || u.third >= 0 || !a.passStages) continue;
            for (size_t j = 0; j < units.size(); ++j) {
                const Trace& b = traces[size_t(units[j].first)];
                if (j == i || joined[j] || units[j].third >= 0 || (units[j].second < 0) != (alone == 1) ||
                    b.passStages != a.passStages || b.info.outputRate != a.info.outputRate)
                    continue;
                u.third = units[j].first, u.fourth = units[j].second;
                joined[j] = 1;
                break;
            }
        }
    }
    std::vector<Unit> kept;
    for (size_t i = 0; i < units.size(); ++i)
        if (!joined[i]) kept.push_back(units[i]);
    units.swap(kept);
}

// Measures units of the epoch's list until none is left, in scratch `index`.
void NightChecker::State::MeasureDue(size_t index) {
    for (size_t k = workers.next++; k < workers.due.size(); k = workers.next++)
        MeasureUnit(units[workers.due[k]], scratches[index]);
}

// How many times a waiting thread gives the processor away before it sleeps.
const int kSpins = 2000;

void NightChecker::State::WorkerLoop(size_t index) {
    uint64_t seen = 0;
    for (;;) {
        // An epoch takes a millisecond or so: the next is waited for giving
        // the processor away a while before sleeping, as waking a sleeping
        // thread costs more on some systems (Wine) than the epoch.
        for (int spin = 0; spin < kSpins && !workers.quit && workers.round == seen; ++spin) std::this_thread::yield();
        {
            std::unique_lock<std::mutex> hold(workers.lock);
            workers.start.wait(hold, [&] { return workers.quit || workers.round != seen; });
            if (workers.quit) return;
            seen = workers.round;
        }
        MeasureDue(index);
        std::lock_guard<std::mutex> hold(workers.lock);
        if (--workers.busy == 0) workers.finished.notify_one();
    }
}

// `threads` measuring threads of the check's own: one measures the epochs in
// the order they were cut (the traces with its helpers, then the pairs);
// the feeding thread only cuts them. One: the feeding thread measures each
// epoch itself as it cuts it.
void NightChecker::State::StartWorkers(int32_t threads) {
    if (threads <= 0) threads = int32_t(std::thread::hardware_concurrency());
    threads = std::max(1, std::min(threads, kCheckThreadsMost));
    // More threads than units to measure would only wait.
    threads = int32_t(std::max<size_t>(1, std::min(size_t(threads), units.size())));
    scratches.resize(size_t(threads));
    // Two epochs cut while two are measured or waiting: a conversion hands
    // over a minute's block at a time.
    queue.cuts.resize(threads > 1 ? 4 : 1);
    for (Cut& c : queue.cuts) c.samples.resize(traces.size());
    if (threads == 1) return;
    for (int32_t i = 1; i < threads; ++i) workers.threads.emplace_back([this, i] { WorkerLoop(size_t(i)); });
    queue.measurer = std::thread([this] { MeasurerLoop(); });
}

NightChecker::State::~State() {
    {
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.quit = true;
    }
    queue.filled.notify_all();
    if (queue.measurer.joinable()) queue.measurer.join();
    {
        std::lock_guard<std::mutex> hold(workers.lock);
        workers.quit = true;
    }
    workers.start.notify_all();
    for (std::thread& w : workers.threads) w.join();
}

// Each trace's next epoch taken off its waiting samples (its buffer handed
// on whole) and measured: queued for the check's own thread, waiting for
// room when the queue is full, or measured here on one thread.
void NightChecker::State::CutEpoch(bool last) {
    std::unique_lock<std::mutex> hold(queue.lock, std::defer_lock);
    if (queue.measurer.joinable()) {
        hold.lock();
        queue.freed.wait(hold, [&] { return queue.count < queue.cuts.size(); });
    }
    // The cut at the ring's free place is this thread's until it is counted.
    Cut& cut = queue.cuts[(queue.head + queue.count) % queue.cuts.size()];
    cut.last = last;
    for (size_t i = 0; i < traces.size(); ++i) {
        Trace& t = traces[i];
        std::vector<int16_t>& into = cut.samples[i];
        into.clear();
        if (!t.active || t.pending.empty()) continue;
        into.swap(t.pending.front());
        t.spare.push_back(std::move(t.pending.front()));
        t.pending.pop_front();
    }
    if (!queue.measurer.joinable()) {
        MeasureEpoch(cut);
        return;
    }
    ++queue.count;
    queue.waiting = queue.count;
    hold.unlock();
    queue.filled.notify_one();
}

// One epoch of every trace measured: its traces (with the helpers, each
// unit whole by one thread), then its pairs, which read every trace's epoch.
void NightChecker::State::MeasureEpoch(Cut& cut) {
    lastEpoch = cut.last;
    for (size_t i = 0; i < traces.size(); ++i)
        if (traces[i].active) traces[i].current.swap(cut.samples[i]);
    workers.due.clear();
    for (size_t u = 0; u < units.size(); ++u) workers.due.push_back(u);
    workers.next = 0;
    if (!workers.threads.empty()) {
        {
            std::lock_guard<std::mutex> hold(workers.lock);
            workers.busy = int32_t(workers.threads.size());
            ++workers.round;
        }
        workers.start.notify_all();
    }
    MeasureDue(0);
    if (!workers.threads.empty()) {
        for (int spin = 0; spin < kSpins && workers.busy != 0; ++spin) std::this_thread::yield();
        std::unique_lock<std::mutex> hold(workers.lock);
        workers.finished.wait(hold, [&] { return workers.busy == 0; });
    }
    MeasurePairs(size_t(epochsDone));
    for (Trace& t : traces)
        if (t.active) t.previous.swap(t.current);
    ++epochsDone;
}

// The check's own thread: the epochs cut, in order, until the check ends.
void NightChecker::State::MeasurerLoop() {
    for (;;) {
        for (int spin = 0; spin < kSpins && queue.waiting == 0; ++spin) std::this_thread::yield();
        Cut* cut = nullptr;
        {
            std::unique_lock<std::mutex> hold(queue.lock);
            queue.filled.wait(hold, [&] { return queue.quit || queue.count > 0; });
            if (queue.quit) return;
            cut = &queue.cuts[queue.head];
        }
        MeasureEpoch(*cut);
        {
            std::lock_guard<std::mutex> hold(queue.lock);
            queue.head = (queue.head + 1) % queue.cuts.size();
            --queue.count;
            queue.waiting = queue.count;
        }
        queue.freed.notify_all();
    }
}

// Waits until every epoch cut is measured.
void NightChecker::State::Drain() {
    if (!queue.measurer.joinable()) return;
    std::unique_lock<std::mutex> hold(queue.lock);
    queue.freed.wait(hold, [&] { return queue.count == 0; });
}

NightChecker::NightChecker(const SourceInfo& source, const MontagePattern& pattern, uint32_t traceMask,
                           int32_t threads, bool sideBySide)
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
        t.pulseRate = t.cls == SignalClass::Pulse && IsRateUnit(t.info.unit);
        t.heldSeconds = t.cls == SignalClass::Pulse && !t.pulseRate ? kPulseWaveHeldSeconds
                                                                     : ThresholdsOf(t.cls).heldSeconds;
        const double rate = t.info.outputRate;
        t.epochLength = int64_t(kCheckLimits.epochSeconds * rate);
        t.hf = MakeBiquad(kCheckLimits.hfHighPassHz, rate, true);
        if (rate < 3 * kCheckLimits.hfHighPassHz) t.hf.active = false;
        t.bandHigh = MakeBiquad(kCheckLimits.eegBandLowHz, rate, true);
        t.bandLow = MakeBiquad(kCheckLimits.eegBandHighHz, rate, false);
        if (!t.bandLow.active) t.bandHigh.active = false;
        t.beatHigh = MakeBiquad(kCheckLimits.beatBandLowHz, rate, true);
        t.beatLow = MakeBiquad(kCheckLimits.beatBandHighHz, rate, false);
        const ClassThresholds& th = ThresholdsOf(t.cls);
        t.needHum = th.humShare > 0;
        if (th.hfRms <= 0) t.hf.active = false;
        if (t.cls != SignalClass::Eeg) t.bandHigh.active = t.bandLow.active = false;
        t.needSlow = t.cls == SignalClass::Airflow || t.cls == SignalClass::Effort;
        t.needBeats = t.cls == SignalClass::Ecg || t.cls == SignalClass::Eeg || t.cls == SignalClass::Eog ||
                      t.cls == SignalClass::Emg || t.needSlow;
        if (!t.needBeats) t.beatHigh.active = t.beatLow.active = false;
    }
    // The epochs' records of a night of the length the header gives, made
    // room for once (not doubled as they come); a header's length is only
    // trusted up to two days.
    if (source.sampleRate > 0) {
        const double epochs = double(source.lengthSamples) / double(source.sampleRate) / kCheckLimits.epochSeconds;
        for (State::Trace& t : s.traces)
            if (t.active) t.epochs.reserve(size_t(std::min(epochs, 2 * 24 * 3600 / kCheckLimits.epochSeconds)) + 1);
    }
    s.MakeUnits(sideBySide);
    s.StartWorkers(threads);
}

NightChecker::~NightChecker() { delete state_; }

void NightChecker::Feed(int32_t trace, const int16_t* digital, int64_t count) {
    State& s = *state_;
    if (trace < 0 || size_t(trace) >= s.traces.size() || count <= 0) return;
    State::Trace& t = s.traces[size_t(trace)];
    if (!t.active) return;
    while (count > 0) {
        if (t.pending.empty() || int64_t(t.pending.back().size()) >= t.epochLength) {
            // A new epoch's buffer: an emptied one again where there is one.
            if (t.spare.empty()) {
                t.pending.emplace_back();
            } else {
                t.pending.push_back(std::move(t.spare.back()));
                t.spare.pop_back();
            }
            t.pending.back().clear();
            t.pending.back().reserve(size_t(t.epochLength));
        }
        std::vector<int16_t>& into = t.pending.back();
        const int64_t take = std::min<int64_t>(count, t.epochLength - int64_t(into.size()));
        into.insert(into.end(), digital, digital + take);
        digital += take, count -= take;
    }
    // An epoch is judged once every checked trace holds it.
    for (;;) {
        bool all = true, any = false;
        for (const State::Trace& o : s.traces) {
            if (!o.active) continue;
            any = true;
            if (!o.HoldsEpoch()) all = false;
        }
        if (!any || !all) break;
        s.CutEpoch(false);
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
//
// Each check is one row of the table below and one judge function. A judge
// reads the trace's epoch and second records and adds its findings: the
// checks judged to the second (flat, clipping, probe off) as runs of
// seconds, the others as stretches of epochs.

// What the judges of one trace share.
struct CheckJudgeContext {
    const NightChecker::State* state = nullptr;
    const NightChecker::State::Trace* trace = nullptr;
    const ClassThresholds* th = nullptr;
    int32_t index = 0;
    int32_t mainsHz = 0;
    const std::vector<std::string>* labels = nullptr;
    // Per epoch, the trace this one copies (-1: none), blame already laid
    // on the channel whose signal is not its kind.
    const std::vector<int32_t>* copyOf = nullptr;
    bool nightJudged = false;       // enough epochs for the rules over the whole night
    std::vector<uint8_t> flatEpoch; // half the epoch or more lies in a flat finding
    std::vector<uint8_t> clipEpoch; // the epoch holds a clipping finding: its swings and edges are the clipping's
    std::vector<uint8_t> artifact;  // the epoch holds clipping, a flat stretch or an amplitude beyond its kind's
    bool spo2Mistaken = false;
    uint32_t notCheckable = 0, notJudged = 0;
    std::vector<CheckFinding>* findings = nullptr;
    size_t firstFinding = 0;
};

namespace {

const uint32_t kElectrical = 1u << int(SignalClass::Eeg) | 1u << int(SignalClass::Eog) |
                             1u << int(SignalClass::Emg) | 1u << int(SignalClass::Ecg);
const uint32_t kBreathing = 1u << int(SignalClass::Airflow) | 1u << int(SignalClass::Effort);
const uint32_t kAllClasses = (1u << int(SignalClass::Count)) - 1;

bool IsIn(SignalClass c, uint32_t classes) { return (classes >> int(c)) & 1u; }

// The unit a trace's values are judged in, as a finding names it.
const char* ValueUnit(const NightChecker::State::Trace& t) {
    if (IsIn(t.cls, kElectrical)) return t.absolute ? "uV" : "";
    if (t.cls == SignalClass::Spo2) return t.info.scale.calibrated ? "%" : "";
    if (t.cls == SignalClass::Pulse) return t.info.scale.calibrated && t.pulseRate ? "bpm" : "";
    return "";
}

double EpochStart(size_t k) { return double(k) * kCheckLimits.epochSeconds; }

// Adds a finding of the trace; the value rounded as it is read.
void AddFinding(CheckJudgeContext& c, CheckKind kind, CheckLevel level, double start, double end, double value,
                const char* note, const char* unit, int32_t other = -1) {
    CheckFinding f{};
    f.trace = c.index;
    f.kind = kind;
    f.level = level;
    f.startSeconds = start;
    f.endSeconds = end;
    f.value = RoundCheckValue(value, unit);
    f.unit = unit;
    f.note = note;
    CopyText(f.label, sizeof f.label, c.trace->info.label);
    if (other >= 0 && size_t(other) < c.labels->size()) CopyText(f.other, sizeof f.other, (*c.labels)[size_t(other)].c_str());
    c.findings->push_back(f);
}

bool Worse(CheckKind kind, const char* note, double candidate, double current) {
    const CheckNoteRow* row = CheckNoteOf(kind, note);
    const CheckWorse worse = row ? row->worse : CheckWorse::First;
    return worse == CheckWorse::Higher ? candidate > current : worse == CheckWorse::Lower && candidate < current;
}

// One epoch's word in a check: a start opens a stretch (or goes on with
// one), a hold only goes on with one: the measure of a steady fault may
// hover about its threshold without parting the finding.
enum class Mark : uint8_t { None, Hold, Start };
struct EpochMark {
    Mark mark = Mark::None;
    CheckLevel level = CheckLevel::Info;
    double value = 0;
    const char* note = "";
    int32_t other = -1;
};

std::vector<std::pair<size_t, size_t>> SecondRuns(const std::vector<uint8_t>& hit, double gap);

// Where the check's short-window measure shows the fault, per epoch (bit i:
// the epoch's second i) and the other channel of a pair; empty: the stretch
// keeps its epochs' edges.
using SecondMask = std::function<uint32_t(size_t epoch, int32_t other)>;

// A stretch of epochs `begin`..`last` brought to the second by `mask`: its
// start where the run of marked seconds begins that leads into the stretch
// (from inside its first epoch or the one before), its end where the run
// that leaves it ends. A one-epoch stretch takes its longest run. Runs of a
// second or two are no edge; gaps as short are bridged.
// With `against` (the seconds that show the signal sound), an edge moves
// into the stretch's epochs only as far as the last sound second: a measure
// that sees the fault only now and then (the eyes resting) leaves the
// epochs' edge where nothing shows the fault absent.
void RefineEnds(const NightChecker::State::Trace& t, size_t begin, size_t last, int32_t other, const SecondMask& mask,
                const SecondMask& against, double* start, double* end) {
    const auto& ep = t.epochs;
    const size_t per = size_t(kCheckLimits.epochSeconds);
    auto secondsOf = [&](size_t k) { return std::min(kMaskSeconds, size_t(std::ceil(double(ep[k].seconds)))); };
    // The marks of epochs from..to, one a second, from EpochStart(from).
    auto marks = [&](size_t from, size_t to) {
        std::vector<uint8_t> hit((to - from + 1) * per);
        for (size_t k = from; k <= to; ++k) {
            const uint32_t bits = mask(k, other);
            for (size_t i = 0; i < secondsOf(k) && i < per; ++i) hit[(k - from) * per + i] = (bits >> i) & 1u;
        }
        return hit;
    };
    const double minRun = kCheckLimits.edgeRunSeconds;
    const double epochStart = EpochStart(begin), epochEnd = EpochStart(last) + ep[last].seconds;
    // An edge the short windows put just inside the stretch's epochs is the
    // epochs' own: the windows blur a fault's edge by as much, and the
    // epochs' measure holds the fault to their edge.
    auto Snap = [&](double* a, double* b) {
        if (*a > epochStart && *a - epochStart <= kCheckLimits.edgeGapSeconds) *a = epochStart;
        if (*b < epochEnd && epochEnd - *b <= kCheckLimits.edgeGapSeconds) *b = epochEnd;
        if (!against) return;
        if (*a > epochStart) {
            const uint32_t sound = against(begin, other);
            double to = epochStart;
            for (size_t i = 0; i < kMaskSeconds && epochStart + double(i) < *a; ++i)
                if ((sound >> i) & 1u) to = epochStart + double(i) + 1;
            *a = to;
        }
        if (*b < epochEnd) {
            const uint32_t sound = against(last, other);
            double to = epochEnd;
            for (size_t i = kMaskSeconds; i-- > 0;)
                if (EpochStart(last) + double(i) >= *b && ((sound >> i) & 1u)) to = EpochStart(last) + double(i);
            *b = std::min(to, epochEnd);
        }
    };
    // The run chosen among those that reach into epoch k: the one touching
    // `toward` (a second of the window) when there is one, else the longest.
    auto pick = [&](size_t k, size_t from, size_t to, long toward, size_t* first, size_t* past) {
        const std::vector<uint8_t> hit = marks(from, to);
        const size_t lo = (k - from) * per, hi = lo + secondsOf(k);
        size_t bestLength = 0;
        for (const auto& run : SecondRuns(hit, kCheckLimits.edgeGapSeconds)) {
            if (double(run.second - run.first) < minRun || run.second <= lo || run.first >= hi) continue;
            const bool touches = toward >= 0 && long(run.first) <= toward && long(run.second) > toward;
            if (touches || run.second - run.first > bestLength) {
                *first = from * per + run.first, *past = from * per + run.second;
                bestLength = run.second - run.first;
                if (touches) return true;
            }
        }
        return bestLength > 0;
    };
    const size_t lastEpoch = ep.size() - 1;
    const double night = EpochStart(lastEpoch) + ep.back().seconds;
    size_t first = 0, past = 0;
    if (begin == last) {
        if (pick(begin, begin > 0 ? begin - 1 : 0, std::min(begin + 1, lastEpoch), -1, &first, &past))
            *start = double(first), *end = std::min(double(past), night);
        Snap(start, end);
        return;
    }
    // The start: the run that goes on over the first epoch's end.
    const size_t from = begin > 0 ? begin - 1 : 0;
    if (pick(begin, from, begin + 1, long((begin + 1 - from) * per) - 1, &first, &past)) *start = double(first);

    // The end: the run that comes in over the last epoch's start.
    const size_t to = std::min(last + 1, lastEpoch);
    if (pick(last, last - 1, to, long(per), &first, &past)) *end = std::min(double(past), night);
    Snap(start, end);
}

// The findings of one check from its epoch marks: consecutive marked epochs
// of one note and other channel are one stretch; where the level changes a
// new stretch begins; with `bridge` a single unmarked epoch between two
// marked ones is bridged. A stretch's value is its worst in the note's
// direction.
void EpochStretches(CheckJudgeContext& c, CheckKind kind, const std::vector<EpochMark>& marks, const char* unit,
                    bool bridge, const SecondMask& seconds = SecondMask(), const SecondMask& against = SecondMask()) {
    const std::vector<EpochStats>& ep = c.trace->epochs;
    const size_t n = marks.size();
    size_t k = 0;
    while (k < n) {
        if (marks[k].mark != Mark::Start) {
            ++k;
            continue;
        }
        const EpochMark& first = marks[k];
        double value = first.value;
        // A steady fault's stretch reaches back over the epochs that hold
        // it, as it reaches forward: its measure hovering at the line
        // before it first crossed it.
        size_t begin = k;
        while (begin > 0 && marks[begin - 1].mark == Mark::Hold && marks[begin - 1].note == first.note &&
               marks[begin - 1].other == first.other) {
            --begin;
            if (Worse(kind, first.note, marks[begin].value, value)) value = marks[begin].value;
        }
        size_t last = k, j = k + 1;
        for (;;) {
            auto same = [&](size_t i) {
                return i < n && marks[i].mark != Mark::None && marks[i].note == first.note &&
                       marks[i].other == first.other && (marks[i].mark == Mark::Hold || marks[i].level == first.level);
            };
            size_t next = j;
            if (!same(next) && bridge && same(next + 1) && marks[next].mark == Mark::None) next = j + 1;
            if (!same(next)) break;
            if (Worse(kind, first.note, marks[next].value, value)) value = marks[next].value;
            last = next;
            j = next + 1;
        }
        double start = EpochStart(begin), end = EpochStart(last) + ep[last].seconds;
        if (seconds) RefineEnds(*c.trace, begin, last, first.other, seconds, against, &start, &end);
        AddFinding(c, kind, first.level, start, end, value, first.note, unit, first.other);
        k = last + 1;
    }
}

// Runs of the seconds `hit` marks, gaps of up to `gap` seconds bridged:
// each run's first and one-past-last second.
std::vector<std::pair<size_t, size_t>> SecondRuns(const std::vector<uint8_t>& hit, double gap) {
    std::vector<std::pair<size_t, size_t>> runs;
    size_t i = 0;
    const size_t n = hit.size();
    while (i < n) {
        if (!hit[i]) {
            ++i;
            continue;
        }
        size_t end = i + 1, j = i + 1;
        while (j < n) {
            if (hit[j]) {
                end = ++j;
            } else if (double(j - end + 1) <= gap) {
                ++j;
            } else {
                break;
            }
        }
        runs.push_back({i, end});
        i = end;
    }
    return runs;
}

// The seconds' times: the last second of a night may be shorter.
double SecondEnd(const NightChecker::State::Trace& t, size_t s) {
    const double night = t.epochs.empty() ? 0 : EpochStart(t.epochs.size() - 1) + t.epochs.back().seconds;
    return std::min(double(s + 1), night);
}

void MarkEpochs(std::vector<uint8_t>& epochs, size_t from, size_t to) {
    const size_t per = size_t(kCheckLimits.epochSeconds);
    for (size_t k = from / per; k < epochs.size() && k * per < to; ++k) epochs[k] = 1;
}

// --- The checks --------------------------------------------------------------

// flat: a lead off, a dead input or a frozen value, to the second.
void JudgeFlat(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    const ClassThresholds& th = *c.th;
    const CheckLimits& lim = kCheckLimits;
    std::vector<double> perEpochFlat(t.epochs.size(), 0);
    if (t.heldSeconds > 0) {
        // One value held far longer than the signal ever rests.
        const bool pulseWave = t.cls == SignalClass::Pulse && !t.pulseRate;
        for (const SecondRun& r : t.heldRuns) {
            if (pulseWave)
                AddFinding(c, CheckKind::Flat, CheckLevel::Fail, double(r.first), SecondEnd(t, r.past - 1), 0,
                           "one value", "");
            else
                AddFinding(c, CheckKind::Flat, CheckLevel::Warn, double(r.first), SecondEnd(t, r.past - 1), r.least,
                           "held at one value", ValueUnit(t));
        }
        return;
    }
    if (th.deadSd <= 0 && th.flatShareOfNight <= 0) return;
    // The quiet seconds below a share of the channel's usual second join the flat ones.
    std::vector<SecondRun> hits = t.flatRuns;
    const double line = th.flatShareOfNight * t.sds.Median();
    for (const SecondRun& q : t.quietRuns)
        if (sqrt(q.least * q.most) < line) hits.push_back(q);
    std::sort(hits.begin(), hits.end(), [](const SecondRun& a, const SecondRun& b) { return a.first < b.first; });
    std::vector<SecondRun> runs;
    for (const SecondRun& h : hits) {
        if (!runs.empty() && double(h.first) - double(runs.back().past) <= lim.flatGapSeconds) {
            SecondRun& r = runs.back();
            r.past = std::max(r.past, h.past);
            r.least = std::min(r.least, h.least);
            r.oneValue = r.oneValue && h.oneValue;
        } else {
            runs.push_back(h);
        }
    }
    const char* unit = IsIn(t.cls, kElectrical) && t.absolute ? "uV rms" : "";
    for (const SecondRun& run : runs) {
        if (double(run.past - run.first) < th.flatMinSeconds) continue;
        AddFinding(c, CheckKind::Flat, CheckLevel::Fail, double(run.first), SecondEnd(t, run.past - 1), run.least,
                   run.oneValue ? "one value" : "no variation", unit);
        const size_t per = size_t(lim.epochSeconds);
        for (size_t i = run.first; i < run.past; ++i)
            if (i / per < perEpochFlat.size()) perEpochFlat[i / per] += 1;
    }
    for (size_t k = 0; k < t.epochs.size(); ++k)
        if (perEpochFlat[k] >= 0.5 * t.epochs[k].seconds) c.flatEpoch[k] = c.artifact[k] = 1;
        else if (perEpochFlat[k] > 0) c.artifact[k] = 1;
}

// clipping: samples at the converter's limits, to the second; the share
// of a short run taken over an epoch's length at least.
void JudgeClipping(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    const CheckLimits& lim = kCheckLimits;
    for (const SecondRun& r : t.clipRuns) {
        const std::pair<size_t, size_t> run(r.first, r.past);
        const double clipped = r.sum;
        const double share = clipped / std::max(double(run.second - run.first), lim.clipWindowSeconds);
        const CheckLevel level = share >= lim.clipShareFail ? CheckLevel::Fail : CheckLevel::Warn;
        if (share < lim.clipShareWarn) continue;
        // The share of the run itself is the value: what part of the stretch is lost.
        AddFinding(c, CheckKind::Clipping, level, double(run.first), SecondEnd(t, run.second - 1),
                   100.0 * clipped / double(run.second - run.first), "at the converter's limits", "%");
        MarkEpochs(c.artifact, run.first, run.second);
        MarkEpochs(c.clipEpoch, run.first, run.second);
    }
}

// hum: the mains frequency's share of the channel's power; hysteresis.
void JudgeHum(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    const ClassThresholds& th = *c.th;
    if (th.humShare <= 0) return;
    const double rmsMin = t.absolute ? th.humRms : 0, hold = kCheckLimits.holdShare;
    std::vector<EpochMark> marks(t.epochs.size());
    for (size_t k = 0; k < marks.size(); ++k) {
        const EpochStats& e = t.epochs[k];
        const float rms = c.mainsHz == 50 ? e.hum50 : c.mainsHz == 60 ? e.hum60 : kNone;
        if (rms == kNone) {
            c.notCheckable |= 1u << int(CheckKind::Hum);
            continue;
        }
        if (c.flatEpoch[k] || e.sd <= 0) continue;
        const double share = double(rms) * rms / (double(e.sd) * e.sd);
        const char* note = c.mainsHz == 50 ? "50 Hz" : "60 Hz";
        if (rms >= rmsMin && share >= th.humShare) marks[k] = {Mark::Start, CheckLevel::Warn, rms, note};
        else if (rms >= hold * rmsMin && share >= hold * th.humShare) marks[k] = {Mark::Hold, CheckLevel::Warn, rms, note};
    }
    const int f = c.mainsHz == 60 ? 1 : 0;
    EpochStretches(c, CheckKind::Hum, marks, t.absolute ? "uV rms" : "", true,
                   [&t, f](size_t k, int32_t) { return t.epochs[k].humSeconds[f]; });
}

// hf_artifact: power above the EEG bands, mains taken out; hysteresis.
void JudgeHfArtifact(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    if (c.th->hfRms <= 0) return;
    if (!t.absolute) {
        c.notCheckable |= 1u << int(CheckKind::HfArtifact);
        return;
    }
    const double limit = c.th->hfRms;
    std::vector<EpochMark> marks(t.epochs.size());
    for (size_t k = 0; k < marks.size(); ++k) {
        const EpochStats& e = t.epochs[k];
        if (e.hpRms == kNone) {
            c.notCheckable |= 1u << int(CheckKind::HfArtifact);
            continue;
        }
        // A clipped epoch's square edges are the clipping's, not muscle.
        if (c.flatEpoch[k] || c.clipEpoch[k]) continue;
        const float hum = c.mainsHz == 50 ? e.hum50 : c.mainsHz == 60 ? e.hum60 : kNone;
        const double mains = hum == kNone ? 0 : double(hum);
        const double rms = sqrt(std::max(0.0, double(e.hpRms) * e.hpRms - mains * mains));
        const char* note = "muscle or electrode noise";
        // A start needs a second that shows it, the mains taken out second
        // by second: a hum over part of the epoch leaves the epoch's own
        // mains measure short of its power.
        const bool seen = e.hfSeconds[c.mainsHz == 60 ? 1 : 0] != 0;
        if (rms >= limit && seen) marks[k] = {Mark::Start, CheckLevel::Warn, rms, note};
        else if (rms >= kCheckLimits.holdShare * limit) marks[k] = {Mark::Hold, CheckLevel::Warn, rms, note};
    }
    const int f = c.mainsHz == 60 ? 1 : 0;
    EpochStretches(c, CheckKind::HfArtifact, marks, "uV rms", true,
                   [&t, f](size_t k, int32_t) { return t.epochs[k].hfSeconds[f]; });
}

// amplitude: a peak-to-peak beyond what the kind of signal reaches.
void JudgeAmplitude(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    if (c.th->amplitudeMax <= 0) return;
    if (!t.absolute) {
        c.notCheckable |= 1u << int(CheckKind::Amplitude);
        return;
    }
    // An eye's channel against the other eye's.
    const NightChecker::State::Trace* other = nullptr;
    if (t.cls == SignalClass::Eog && t.eye != 0)
        for (const NightChecker::State::Trace& o : c.state->traces)
            if (o.active && o.absolute && o.cls == SignalClass::Eog && o.eye == -t.eye) {
                other = &o;
                break;
            }
    // ... not where noise above 30 Hz makes the peaks (that is hf_artifact's).
    auto oneSided = [&](size_t k) {
        const CheckLimits& lim = kCheckLimits;
        return other && k < other->epochs.size() && t.epochs[k].p2p > lim.eogOneSideAmplitude &&
               t.epochs[k].p2p > lim.eogOneSideRatio * other->epochs[k].p2p &&
               t.epochs[k].hfSeconds[c.mainsHz == 60 ? 1 : 0] == 0;
    };
    std::vector<EpochMark> marks(t.epochs.size());
    for (size_t k = 0; k < marks.size(); ++k)
        if (c.clipEpoch[k]) {
            continue;   // a swing into the limits is the clipping's finding
        } else if (t.epochs[k].p2p > c.th->amplitudeMax || oneSided(k)) {
            marks[k] = {Mark::Start, CheckLevel::Warn, t.epochs[k].p2p, "beyond the type's range"};
            c.artifact[k] = 1;
        }
    EpochStretches(c, CheckKind::Amplitude, marks, "uV", true,
                   [&t](size_t k, int32_t) { return t.epochs[k].amplitudeSeconds; });
}

bool EcgLike(const EpochStats& e) {
    const CheckLimits& lim = kCheckLimits;
    return e.beatProminence >= lim.beatProminenceMin && e.beatCv >= 0 && e.beatCv <= lim.beatIntervalCvMax &&
           e.beatRate >= lim.heartRateLow && e.beatRate <= lim.heartRateHigh;
}

// Whether the trace carries an ECG over most of the night.
bool MostlyEcgLike(const NightChecker::State::Trace& t) {
    size_t like = 0;
    for (const EpochStats& e : t.epochs)
        if (e.beatProminence != kNone && EcgLike(e)) ++like;
    return !t.epochs.empty() && double(like) >= kCheckLimits.ecgLikeEpochShare * double(t.epochs.size());
}

// The `k`-th least of the seconds' values of an SpO2 trace, from their means counted.
double SecondValueAtRank(const NightChecker::State::Trace& t, size_t k) {
    const size_t n = t.secondsSeen;
    if (t.info.scale.bitValue * t.unitFactor < 0) k = n - 1 - k;   // values fall as the counts rise
    for (size_t d = 0; d < t.meanCounts.size(); ++d) {
        if (k < t.meanCounts[d]) return SecondValueOf(t, int16_t(int32_t(d) - 32768));
        k -= t.meanCounts[d];
    }
    return 0;
}

// The SpO2 values of the night in another unit: above 100 (a scale of
// 0-1000), or a fraction of 0-1 that varies.
bool Spo2InAnotherUnit(const NightChecker::State::Trace& t) {
    const size_t n = t.secondsSeen;
    if (n == 0 || t.meanCounts.empty()) return false;
    const double median = SecondValueAtRank(t, n / 2);
    const double low = SecondValueAtRank(t, n / 20), high = SecondValueAtRank(t, n - 1 - n / 20);
    const CheckLimits& lim = kCheckLimits;
    return median > lim.spo2High ||
           (median >= 0.5 && high <= lim.spo2FractionHigh && high - low >= lim.spo2FractionSpread);
}

// not_its_type: a signal that is not what the channel's kind records, over
// most of the night. Epochs of artifact are not judged for the band rules
// (a movement that clips has no EEG band); an ECG's beats are a signal of
// their own, found whatever their amplitude.
void JudgeNotItsType(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    const CheckLimits& lim = kCheckLimits;
    const size_t n = t.epochs.size();
    const bool byBand = t.cls == SignalClass::Eeg || IsIn(t.cls, kBreathing);
    const bool mayCarryEcg = IsIn(t.cls, kElectrical & ~(1u << int(SignalClass::Ecg))) || IsIn(t.cls, kBreathing);
    const bool spo2 = t.cls == SignalClass::Spo2 && t.info.scale.calibrated;
    if (!byBand && !mayCarryEcg && !spo2) return;
    if (!c.nightJudged) {
        c.notJudged |= 1u << int(CheckKind::NotItsType);
        return;
    }
    if (spo2 && Spo2InAnotherUnit(t)) {
        c.spo2Mistaken = true;
        AddFinding(c, CheckKind::NotItsType, CheckLevel::Fail, 0, SecondEnd(t, t.secondsSeen - 1),
                   SecondValueAtRank(t, t.secondsSeen / 2), "SpO2 not in percent", "");
        return;
    }
    std::vector<EpochMark> marks(n);
    if (mayCarryEcg && MostlyEcgLike(t)) {
        for (size_t k = 0; k < n; ++k)
            if (!c.flatEpoch[k] && EcgLike(t.epochs[k]))
                marks[k] = {Mark::Start, CheckLevel::Fail, t.epochs[k].beatRate, "ECG-like"};
        EpochStretches(c, CheckKind::NotItsType, marks, "bpm", true);
        return;
    }
    if (!byBand) return;
    const bool eeg = t.cls == SignalClass::Eeg;
    const double least = eeg ? lim.eegBandShareMin : lim.breathingShareMin;
    const char* note = eeg ? "no EEG-band activity" : "no breathing-band activity";
    size_t judged = 0, low = 0;
    for (size_t k = 0; k < n; ++k) {
        const float share = eeg ? t.epochs[k].bandShare : t.epochs[k].slowShare;
        if (c.artifact[k] || share == kNone) continue;
        ++judged;
        if (share < least) {
            ++low;
            marks[k] = {Mark::Start, CheckLevel::Warn, 100.0 * share, note};
        }
    }
    if (judged == 0 || double(low) < lim.typeEpochShare * double(judged)) return;
    EpochStretches(c, CheckKind::NotItsType, marks, "%", true);
}

// duplicate: the same signal as another channel, on the channel it does not belong to.
void JudgeDuplicate(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    std::vector<EpochMark> marks(t.epochs.size());
    for (size_t k = 0; k < marks.size(); ++k) {
        const int32_t other = (*c.copyOf)[k];
        if (other < 0) continue;
        const EpochStats& e = t.epochs[k];
        const NightChecker::State::Trace& o = c.state->traces[size_t(other)];
        const double difference = e.duplicateOf >= 0 ? e.duplicateDifference : o.epochs[k].duplicateDifference;
        marks[k] = {Mark::Start, CheckLevel::Fail, 100.0 * difference, "same signal", other};
    }
    // The pair's seconds are kept on its later channel.
    const int32_t self = c.index;
    const auto& traces = c.state->traces;
    EpochStretches(c, CheckKind::Duplicate, marks, "%", true, [self, &traces](size_t k, int32_t other) {
        const int32_t low = std::min(self, other), high = std::max(self, other);
        if (other < 0 || k >= traces[size_t(high)].epochs.size()) return 0u;
        const EpochStats& e = traces[size_t(high)].epochs[k];
        return e.duplicateOf == low || e.copyEdgeOf == low ? e.copySeconds : 0u;
    });
}

// A wiring fault does not come and go: the eyes are judged only where they
// move, so an in-phase stretch holds over the epochs beside it where nothing
// shows the pair wired right (no second of the eyes moving apart, no epoch
// of movements apart), up to the first that does or the night's edge. Two
// stretches with nothing between them become one; a stretch still needs an
// epoch that starts it. At a stretch's ends it holds over resting eyes
// only: an epoch whose eyes moved, and not in phase, shows no fault there.
void HoldWiringOverStillEyes(const NightChecker::State::Trace& t, std::vector<EpochMark>& marks) {
    const size_t n = marks.size();
    auto sound = [&t](size_t k) {
        const EpochStats& e = t.epochs[k];
        return e.eogOppositeSeconds != 0 || (e.eogCorrelation != kNone && e.eogCorrelation < 0);
    };
    std::vector<EpochMark> held = marks;
    auto hold = [&](size_t k, const EpochMark& beside) {
        if (held[k].mark == Mark::None) held[k] = {Mark::Hold, CheckLevel::Warn, kNone, beside.note, beside.other};
    };
    for (size_t k = 0; k < n; ++k) {
        if (marks[k].mark == Mark::None) continue;
        for (size_t i = k + 1; i < n && marks[i].mark == Mark::None && !sound(i); ++i) hold(i, marks[k]);
        for (size_t i = k; i-- > 0 && marks[i].mark == Mark::None && !sound(i);) hold(i, marks[k]);
    }
    auto moved = [&](size_t k) { return marks[k].mark == Mark::None && t.epochs[k].eogCorrelation != kNone; };
    for (size_t k = 0; k < n; ++k) {
        if (held[k].mark == Mark::None) continue;
        size_t last = k;
        while (last + 1 < n && held[last + 1].mark != Mark::None) ++last;
        size_t a = k, b = last;
        while (a < b && moved(a)) held[a++].mark = Mark::None;
        while (b > a && moved(b)) held[b--].mark = Mark::None;
        k = last;
    }
    marks.swap(held);
}

// A stretch of the eyes in phase, its epochs' edges `start` and `end`,
// brought to the second. On the long windows' in-phase seconds (runs of
// edgeRunSeconds at least, gaps up to eogEdgeGapSeconds bridged: eyes
// resting a moment inside a stretch) it starts where the run that goes on
// over its first epoch's end begins, in that epoch or the one before, and
// ends where the run that comes in over its last epoch's start ends; a
// one-epoch stretch, or an end no run crosses, takes the longest run that
// reaches into the epoch. An end within edgeGapSeconds inside the epochs'
// edge is that edge. Then each end moves to the edge of the short windows'
// in-phase seconds nearest it, searched inward within one long window (a
// long window that straddles the fault's edge blurs the end by up to its
// length). Where nothing shows there, or the end is the recording's, it stays.
void PlaceEyeEnds(const NightChecker::State::Trace& t, double* start, double* end) {
    const CheckLimits& lim = kCheckLimits;
    const size_t per = size_t(lim.epochSeconds);
    if (t.epochs.empty() || *end <= *start) return;
    const size_t lastEpoch = t.epochs.size() - 1;
    const size_t begin = size_t(*start) / per;
    const size_t last = std::min(lastEpoch, size_t(std::ceil(*end / double(per))) - 1);
    const double night = EpochStart(lastEpoch) + t.epochs.back().seconds;
    auto secondsOf = [&](size_t k) { return std::min(kMaskSeconds, size_t(std::ceil(double(t.epochs[k].seconds)))); };
    // The runs of epochs from..to that reach into epoch k, in seconds of the night.
    auto runs = [&](size_t k, size_t from, size_t to) {
        std::vector<uint8_t> hit((to - from + 1) * per);
        for (size_t e = from; e <= to; ++e)
            for (size_t i = 0; i < secondsOf(e) && i < per; ++i)
                hit[(e - from) * per + i] = (t.epochs[e].eogSeconds >> i) & 1u;
        std::vector<std::pair<size_t, size_t>> out;
        for (const auto& run : SecondRuns(hit, lim.eogEdgeGapSeconds)) {
            const size_t a = from * per + run.first, b = from * per + run.second;
            if (double(b - a) >= lim.edgeRunSeconds && b > k * per && a < k * per + secondsOf(k)) out.push_back({a, b});
        }
        return out;
    };
    auto longest = [](const std::vector<std::pair<size_t, size_t>>& rs) {
        return *std::max_element(rs.begin(), rs.end(), [](const std::pair<size_t, size_t>& x,
                                                          const std::pair<size_t, size_t>& y) {
            return x.second - x.first < y.second - y.first;
        });
    };
    auto crossing = [](const std::vector<std::pair<size_t, size_t>>& rs, size_t s, std::pair<size_t, size_t>* run) {
        for (const auto& x : rs)
            if (x.first <= s && x.second > s) return *run = x, true;
        return false;
    };
    const auto first = runs(begin, begin > 0 ? begin - 1 : 0, std::min(begin + 1, lastEpoch));
    std::pair<size_t, size_t> run;
    if (begin == last) {
        if (!first.empty())
            run = longest(first), *start = double(run.first), *end = std::min(double(run.second), night);
    } else {
        if (crossing(first, begin * per + per - 1, &run) || (!first.empty() && (run = longest(first), true)))
            *start = double(run.first);
        const auto closing = runs(last, last - 1, std::min(last + 1, lastEpoch));
        if (crossing(closing, last * per, &run) || (!closing.empty() && (run = longest(closing), true)))
            *end = std::min(double(run.second), night);
    }
    const double epochStart = EpochStart(begin), epochEnd = EpochStart(last) + t.epochs[last].seconds;
    if (*start > epochStart && *start - epochStart <= lim.edgeGapSeconds) *start = epochStart;
    if (*end < epochEnd && epochEnd - *end <= lim.edgeGapSeconds) *end = epochEnd;
    // Seconds that show neither the eyes in phase nor apart: an end epoch
    // with no second of the eyes apart is the stretch's to its edge (its
    // correlation found it, nothing in it says otherwise); in one with such
    // seconds, the end moves over them by edgeGapSeconds at most, and never
    // onto a second apart.
    const uint32_t apartFirst = t.epochs[begin].eogOppositeSeconds, apartLast = t.epochs[last].eogOppositeSeconds;
    bool heldStart = false, heldEnd = false;
    if (*start > epochStart) {
        double to = std::max(epochStart, *start - lim.edgeGapSeconds);
        for (size_t i = 0; i < kMaskSeconds && epochStart + double(i) < *start; ++i)
            if ((apartFirst >> i) & 1u) to = std::max(to, epochStart + double(i) + 1);
        heldStart = apartFirst == 0;
        *start = heldStart ? epochStart : to;
    }
    if (*end < epochEnd) {
        const double lastStart = EpochStart(last);
        double to = std::min(epochEnd, *end + lim.edgeGapSeconds);
        for (size_t i = kMaskSeconds; i-- > 0;)
            if (lastStart + double(i) >= *end && ((apartLast >> i) & 1u)) to = std::min(to, lastStart + double(i));
        heldEnd = apartLast == 0;
        *end = heldEnd ? epochEnd : to;
    }

    const long window = long(lim.eogWindowSeconds);
    // An end the short windows put just inside an epoch is the epoch's own,
    // as for the long windows' runs.
    const double gap = lim.edgeGapSeconds;
    const long seconds = long(t.epochs.size() * per);
    auto inPhase = [&](long s) {
        if (s < 0 || s >= seconds) return false;
        const size_t k = size_t(s) / per, i = size_t(s) % per;
        return i < kMaskSeconds && ((t.epochs[k].eogEdgeSeconds >> i) & 1u) != 0;
    };
    const long a = long(*start), b = long(std::ceil(*end));
    if (b - a <= 2 * window) return;
    for (long s = a; a > 0 && !heldStart && s < a + window; ++s)
        if (inPhase(s)) {
            const double e = std::floor(double(s) / double(per)) * double(per);
            *start = std::max(*start, double(s) - e <= gap && *start <= e ? e : double(s));
            break;
        }
    for (long s = b; *end < night && !heldEnd && s-- > b - window;)
        if (inPhase(s)) {
            const double e = std::ceil(double(s + 1) / double(per)) * double(per);
            *end = std::min(*end, e - double(s + 1) <= gap && *end >= e ? e : SecondEnd(t, size_t(s)));
            break;
        }
}

// eog_in_phase: the two eyes' channels moving together; hysteresis.
void JudgeEogInPhase(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    if (t.cls != SignalClass::Eog || t.eye <= 0) return;
    int32_t left = -1;
    for (size_t o = 0; o < c.state->traces.size(); ++o)
        if (c.state->traces[o].active && c.state->traces[o].cls == SignalClass::Eog && c.state->traces[o].eye < 0) {
            left = int32_t(o);
            break;
        }
    const double limit = kCheckLimits.eogInPhaseCorrelation;
    std::vector<EpochMark> marks(t.epochs.size());
    for (size_t k = 0; k < marks.size(); ++k) {
        const float r = t.epochs[k].eogCorrelation;
        if (r == kNone) continue;
        if (r > limit) marks[k] = {Mark::Start, CheckLevel::Warn, r, "eyes in phase", left};
        else if (r > kCheckLimits.holdShare * limit) marks[k] = {Mark::Hold, CheckLevel::Warn, r, "eyes in phase", left};
    }
    HoldWiringOverStillEyes(t, marks);
    const size_t before = c.findings->size();
    EpochStretches(c, CheckKind::EogInPhase, marks, "", true);
    for (size_t i = before; i < c.findings->size(); ++i) {
        CheckFinding& f = (*c.findings)[i];
        PlaceEyeEnds(t, &f.startSeconds, &f.endSeconds);
    }
}

// ecg: an ECG channel's beats: present, at a heart's rate, pointing up.
void JudgeEcg(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    const CheckLimits& lim = kCheckLimits;
    std::vector<EpochMark> none(t.epochs.size()), rate(t.epochs.size()), inverted(t.epochs.size());
    for (size_t k = 0; k < t.epochs.size(); ++k) {
        const EpochStats& e = t.epochs[k];
        // Beats cut at the limits lose their shape and sign: the clipping's finding.
        if (c.flatEpoch[k] || c.clipEpoch[k]) continue;
        if (e.beatProminence == kNone) {
            c.notCheckable |= 1u << int(CheckKind::Ecg);
        } else if (e.beatProminence < lim.beatProminenceMin) {
            none[k] = {Mark::Start, CheckLevel::Fail, e.beatProminence, "no detectable beats"};
        } else if (e.beatRate < lim.heartRateLow) {
            rate[k] = {Mark::Start, CheckLevel::Warn, e.beatRate, kNoteRateLow};
        } else if (e.beatRate > lim.heartRateHigh) {
            rate[k] = {Mark::Start, CheckLevel::Warn, e.beatRate, kNoteRateHigh};
        } else if (e.beatDownShare >= lim.beatInvertedShare) {
            inverted[k] = {Mark::Start, CheckLevel::Warn, 100.0 * e.beatDownShare, "inverted"};
        }
    }
    // No beats: the seconds between no two beats at a heart's rate, in the
    // epochs whose beats were looked for.
    EpochStretches(c, CheckKind::Ecg, none, "", true,
                   [&t](size_t k, int32_t) {
                       return t.epochs[k].beatProminence == kNone ? 0u : ~t.epochs[k].beatRateSeconds[1];
                   },
                   [&t](size_t k, int32_t) { return t.epochs[k].beatRateSeconds[1]; });
    EpochStretches(c, CheckKind::Ecg, rate, "bpm", true,
                   [&t](size_t k, int32_t) { return t.epochs[k].beatRateSeconds[0]; },
                   [&t](size_t k, int32_t) { return t.epochs[k].beatRateSeconds[1]; });
    EpochStretches(c, CheckKind::Ecg, inverted, "%", true,
                   [&t](size_t k, int32_t) { return t.epochs[k].beatSignSeconds[0]; },
                   [&t](size_t k, int32_t) { return t.epochs[k].beatSignSeconds[1]; });
}

// spo2: the oximeter's probe off (SpO2 or pulse outside what a finger
// gives), to the second; SpO2 jumping faster than blood changes.
void JudgeOximeter(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    const CheckLimits& lim = kCheckLimits;
    if (!t.info.scale.calibrated) {
        c.notCheckable |= 1u << int(CheckKind::Spo2);
        return;
    }
    const bool spo2 = t.cls == SignalClass::Spo2;
    if (c.spo2Mistaken || (!spo2 && !t.pulseRate)) return;
    std::vector<uint8_t> off(t.epochs.size());
    for (const SecondRun& r : t.offRuns) {
        const std::pair<size_t, size_t> run(r.first, r.past);
        if (double(run.second - run.first) < lim.spo2OffSecondsMin) continue;
        const double least = r.least, most = r.most;
        const bool high = least > (spo2 ? lim.spo2High : lim.pulseHigh);
        const char* note = spo2 ? "probe off" : high ? kNotePulseHigh : kNotePulseLow;
        AddFinding(c, CheckKind::Spo2, CheckLevel::Fail, double(run.first), SecondEnd(t, run.second - 1),
                   high ? most : least, note, spo2 ? "%" : "bpm");
        MarkEpochs(off, run.first, run.second);
    }
    if (!spo2) return;
    std::vector<EpochMark> marks(t.epochs.size());
    for (size_t k = 0; k < marks.size(); ++k)
        if (!off[k] && t.epochs[k].jump >= lim.spo2JumpPerSecond)
            marks[k] = {Mark::Start, CheckLevel::Warn, t.epochs[k].jump, "impossible jump"};
    EpochStretches(c, CheckKind::Spo2, marks, "%", false, [&t](size_t k, int32_t) { return t.epochs[k].jumpSeconds; });
}

// position: values in no level of the table; a sensor that never moves.
void JudgePosition(CheckJudgeContext& c) {
    const auto& t = *c.trace;
    const auto& ep = t.epochs;
    if (c.state->position.levelCount == 0) {
        c.notCheckable |= 1u << int(CheckKind::Position);
    } else {
        std::vector<EpochMark> marks(ep.size());
        for (size_t k = 0; k < ep.size(); ++k)
            if (ep[k].outShare >= kCheckLimits.positionOutShare)
                marks[k] = {Mark::Start, CheckLevel::Warn, double(ep[k].outValue), "value in no level"};
        EpochStretches(c, CheckKind::Position, marks, "", true,
                       [&t](size_t k, int32_t) { return t.epochs[k].positionSeconds; });
    }
    if (ep.empty()) return;
    if (!c.nightJudged) {
        c.notJudged |= 1u << int(CheckKind::Position);
        return;
    }
    bool still = true;
    for (const EpochStats& e : ep) still = still && e.constantDigital && e.firstDigital == ep[0].firstDigital;
    if (still)
        AddFinding(c, CheckKind::Position, CheckLevel::Info, 0, EpochStart(ep.size() - 1) + ep.back().seconds,
                   ep[0].firstDigital, "never changes", "");
}

// --- The table of checks -------------------------------------------------------

const CheckNoteRow kFlatNotes[] = {{"one value", "uV rms", CheckWorse::Lower},
                                   {"no variation", "uV rms", CheckWorse::Lower},
                                   {"held at one value", "", CheckWorse::First}};
const CheckNoteRow kClippingNotes[] = {{"at the converter's limits", "%", CheckWorse::Higher}};
const CheckNoteRow kHumNotes[] = {{"50 Hz", "uV rms", CheckWorse::Higher}, {"60 Hz", "uV rms", CheckWorse::Higher}};
const CheckNoteRow kHfNotes[] = {{"muscle or electrode noise", "uV rms", CheckWorse::Higher}};
const CheckNoteRow kAmplitudeNotes[] = {{"beyond the type's range", "uV", CheckWorse::Higher}};
const CheckNoteRow kTypeNotes[] = {{"ECG-like", "bpm", CheckWorse::First},
                                   {"no EEG-band activity", "%", CheckWorse::Lower},
                                   {"no breathing-band activity", "%", CheckWorse::Lower},
                                   {"SpO2 not in percent", "", CheckWorse::First}};
const CheckNoteRow kDuplicateNotes[] = {{"same signal", "%", CheckWorse::Lower}};
const CheckNoteRow kEogNotes[] = {{"eyes in phase", "", CheckWorse::Higher}};
const CheckNoteRow kEcgNotes[] = {{"no detectable beats", "", CheckWorse::Lower},
                                  {kNoteRateLow, "bpm", CheckWorse::Lower},
                                  {kNoteRateHigh, "bpm", CheckWorse::Higher},
                                  {"inverted", "%", CheckWorse::Higher}};
const CheckNoteRow kSpo2Notes[] = {{"probe off", "%", CheckWorse::Lower},
                                   {kNotePulseLow, "bpm", CheckWorse::Lower},
                                   {kNotePulseHigh, "bpm", CheckWorse::Higher},
                                   {"impossible jump", "%", CheckWorse::Higher}};
const CheckNoteRow kPositionNotes[] = {{"value in no level", "", CheckWorse::First},
                                       {"never changes", "", CheckWorse::First}};

#define NOTES(a) a, int32_t(sizeof a / sizeof a[0])
const uint32_t kOximeter = 1u << int(SignalClass::Spo2) | 1u << int(SignalClass::Pulse);
const CheckRow kChecks[] = {
    {CheckKind::Flat, "flat", kAllClasses & ~(1u << int(SignalClass::Position)),
     "a lead off or a value held, second by second", NOTES(kFlatNotes), JudgeFlat},
    {CheckKind::Clipping, "clipping", kAllClasses & ~(1u << int(SignalClass::Position)),
     "samples at the converter's limits, second by second", NOTES(kClippingNotes), JudgeClipping},
    {CheckKind::Hum, "hum", kElectrical, "the mains frequency's share of the power", NOTES(kHumNotes), JudgeHum},
    {CheckKind::HfArtifact, "hf_artifact", 1u << int(SignalClass::Eeg) | 1u << int(SignalClass::Eog),
     "power above 30 Hz, mains taken out", NOTES(kHfNotes), JudgeHfArtifact},
    {CheckKind::Amplitude, "amplitude", kElectrical, "peak to peak beyond the kind's range", NOTES(kAmplitudeNotes),
     JudgeAmplitude},
    {CheckKind::NotItsType, "not_its_type", kElectrical | kBreathing | 1u << int(SignalClass::Spo2),
     "a signal of another kind over most of the night", NOTES(kTypeNotes), JudgeNotItsType},
    {CheckKind::Duplicate, "duplicate", kAllClasses, "the same signal as another channel", NOTES(kDuplicateNotes),
     JudgeDuplicate},
    {CheckKind::EogInPhase, "eog_in_phase", 1u << int(SignalClass::Eog),
     "the eyes' channels moving together in eye movements", NOTES(kEogNotes), JudgeEogInPhase},
    {CheckKind::Ecg, "ecg", 1u << int(SignalClass::Ecg), "beats: present, their rate, their sign", NOTES(kEcgNotes),
     JudgeEcg},
    {CheckKind::Spo2, "spo2", kOximeter, "the oximeter's probe off, jumps of SpO2", NOTES(kSpo2Notes), JudgeOximeter},
    {CheckKind::Position, "position", 1u << int(SignalClass::Position), "values in no level, a sensor never moving",
     NOTES(kPositionNotes), JudgePosition},
};
#undef NOTES
static_assert(sizeof kChecks / sizeof kChecks[0] == size_t(CheckKind::Count), "one row per check");

// Per trace and epoch, the trace each copies, the blame laid on the channel
// whose signal is not its kind: an ECG on an EEG input copied into the ECG
// channel is the EEG's fault. Where neither can be told, the later channel
// of the pair carries the finding and names the other.
std::vector<std::vector<int32_t>> CopiesOf(const NightChecker::State& s) {
    std::vector<std::vector<int32_t>> copyOf(s.traces.size());
    std::vector<int8_t> ecgSignal(s.traces.size(), -1);
    auto isEcg = [&](size_t i) {
        if (ecgSignal[i] < 0) ecgSignal[i] = MostlyEcgLike(s.traces[i]) ? 1 : 0;
        return ecgSignal[i] == 1;
    };
    for (size_t b = 0; b < s.traces.size(); ++b) copyOf[b].assign(s.traces[b].epochs.size(), -1);
    for (size_t b = 0; b < s.traces.size(); ++b) {
        const auto& tb = s.traces[b];
        for (size_t k = 0; k < tb.epochs.size(); ++k) {
            const int32_t a = tb.epochs[k].duplicateOf;
            if (a < 0) continue;
            const auto& ta = s.traces[size_t(a)];
            size_t blamed = b, other = size_t(a);
            const bool bEcg = tb.cls == SignalClass::Ecg, aEcg = ta.cls == SignalClass::Ecg;
            if (bEcg != aEcg) {
                const size_t ecgChannel = bEcg ? b : size_t(a), otherChannel = bEcg ? size_t(a) : b;
                // The ECG channel is right when the signal is an ECG, wrong when it is not.
                blamed = isEcg(ecgChannel) ? otherChannel : ecgChannel;
                other = blamed == b ? size_t(a) : b;
            }
            if (k < copyOf[blamed].size()) copyOf[blamed][k] = int32_t(other);
        }
    }
    return copyOf;
}

}  // namespace

const CheckRow* CheckRows(int32_t* count) {
    if (count) *count = int32_t(CheckKind::Count);
    return kChecks;
}

const CheckRow* CheckRowOf(CheckKind kind) {
    const int k = int(kind);
    return k >= 0 && k < int(CheckKind::Count) ? &kChecks[k] : nullptr;
}

const CheckNoteRow* CheckNoteOf(CheckKind kind, const char* text) {
    const CheckRow* row = CheckRowOf(kind);
    if (!row || !text) return nullptr;
    for (int32_t i = 0; i < row->noteCount; ++i)
        if (strcmp(row->notes[i].text, text) == 0) return &row->notes[i];
    return nullptr;
}

double RoundCheckValue(double value, const char* unit) {
    if (!std::isfinite(value)) return 0;
    // Steps per unit: the value times `per` rounded, divided again.
    auto to = [](double v, double per) { return std::round(v * per) / per; };
    const double size = fabs(value);
    const std::string u = unit ? unit : "";
    double r;
    if (u == "uV" || u == "uV rms" || u == "%") r = size < 10 ? to(value, 10) : to(value, 1);
    else if (u == "bpm" || u == "Hz" || u == "s") r = to(value, 1);
    else r = size < 10 ? to(value, 100) : size < 100 ? to(value, 10) : to(value, 1);
    return r == 0 ? 0 : r;   // never -0
}

// Judges one trace by every check of its kind; findings appended, its summary returned.
static void JudgeTrace(const NightChecker::State& s, int32_t index, int32_t mainsHz, const std::vector<std::string>& labels,
                       const std::vector<int32_t>& copyOf, std::vector<CheckFinding>* findings,
                       ChannelSummary* summary) {
    const NightChecker::State::Trace& t = s.traces[size_t(index)];
    CheckJudgeContext c;
    c.state = &s;
    c.trace = &t;
    c.th = &kClassThresholds[int(t.cls)];
    c.index = index;
    c.mainsHz = mainsHz;
    c.labels = &labels;
    c.copyOf = &copyOf;
    c.nightJudged = double(t.epochs.size()) >= kCheckLimits.nightEpochsMin;
    c.flatEpoch.assign(t.epochs.size(), 0);
    c.clipEpoch.assign(t.epochs.size(), 0);
    c.artifact.assign(t.epochs.size(), 0);
    c.findings = findings;
    c.firstFinding = findings->size();
    for (const CheckRow& row : kChecks)
        if (IsIn(t.cls, row.classes)) row.judge(c);

    // Usable time: the channel's length less what fail findings cover.
    double seconds = 0;
    for (const EpochStats& e : t.epochs) seconds += e.seconds;
    std::vector<std::pair<double, double>> failed;
    bool anyFail = false, anyWarn = false;
    for (size_t i = c.firstFinding; i < findings->size(); ++i) {
        const CheckFinding& f = (*findings)[i];
        if (f.level == CheckLevel::Fail) failed.push_back({f.startSeconds, f.endSeconds}), anyFail = true;
        if (f.level == CheckLevel::Warn) anyWarn = true;
    }
    std::sort(failed.begin(), failed.end());
    double lost = 0, reached = 0;
    for (const auto& span : failed) {
        const double from = std::max(span.first, reached);
        if (span.second > from) lost += span.second - from;
        reached = std::max(reached, span.second);
    }
    const double usable = std::max(0.0, seconds - lost);
    summary->trace = index;
    CopyText(summary->label, sizeof summary->label, t.info.label);
    summary->hours = seconds / 3600.0;
    summary->usableHours = usable / 3600.0;
    summary->kind = c.th->name;
    summary->notCheckable = c.notCheckable;
    summary->notJudged = c.notJudged;
    // A channel with a fail finding fails: no finding stands above its channel's verdict.
    summary->verdict = anyFail || (seconds > 0 && usable < kCheckLimits.usableShareForPass * seconds) ? CheckVerdict::Fail
                       : anyWarn ? CheckVerdict::Warn
                                 : CheckVerdict::Pass;
}

// The mains frequency: the recording's hum setting, else the stronger of
// 50 and 60 Hz over the whole night.
static int32_t MainsOf(const NightChecker::State& s, bool* fromNight) {
    *fromNight = false;
    if (HumFilterHz(s.source.humFilter) > 0) return HumFilterHz(s.source.humFilter);
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
                if (t.active && t.Waiting() > 0) any = true;
            if (any) s.CutEpoch(true);
        }
    }
    s.Drain();
    for (State::Trace& t : s.traces) CloseHeld(t, t.secondsSeen);
    NightCheckResult result;
    result.complete = complete;
    result.rule = rules.text;
    result.mainsHz = MainsOf(s, &result.mainsFromNight);
    std::vector<std::string> labels;
    for (const auto& t : s.traces) labels.push_back(t.info.label);
    const std::vector<std::vector<int32_t>> copies = CopiesOf(s);
    for (size_t i = 0; i < s.traces.size(); ++i) {
        if (!s.traces[i].active) continue;
        ChannelSummary summary{};
        JudgeTrace(s, int32_t(i), result.mainsHz, labels, copies[i], &result.findings, &summary);
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
            if (best < hours) {
                // The rule that failed, named where it failed.
                snprintf(part, sizeof part, ", below %g h", hours);
                if (best >= 0) outcome += part;
                ruleFailed = true;
            }
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
    const CheckRow* row = CheckRowOf(kind);
    return row ? row->name : "";
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
    NightChecker checker(source, pattern, control.traceMask, control.threads, control.sideBySide);
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
