// The synthetic night: each channel's sample as a pure function of the
// seed, the channel and the scan, in integer arithmetic (a sine table built
// with exact double operations, hashed noise, linear value noise), so every
// platform produces the same samples. Amplitudes are in counts of the 16-bit
// scale, where +-25000 is the full input range. What all channels share at a
// scan (sleep depth, breathing, heartbeat) is worked out once per scan.
#include <algorithm>
#include <string>

#include "tools/taffgen/taffgen.h"
#include "tools/taffgen/taffgen_blocks.h"

namespace {

using namespace taffgen;

enum class Kind { Eeg, EyeLeft, EyeRight, Chin, Ecg, Flow, Thorax, Abdomen, SpO2, Position, Snore, LegLeft,
                  LegRight, Pulse };

struct ChannelKind {
    const char* name;
    Kind kind;
    bool occipital;     // EEG: more alpha
    int rangeMillivolts;
};

constexpr ChannelKind kChannels[] = {
    {"C3-A2", Kind::Eeg, false, 1000},        {"C4-A1", Kind::Eeg, false, 1000},
    {"O1-A2", Kind::Eeg, true, 1000},         {"O2-A1", Kind::Eeg, true, 1000},
    {"LOC", Kind::EyeLeft, false, 500},       {"ROC", Kind::EyeRight, false, 500},
    {"Chin", Kind::Chin, false, 5000},        {"ECG", Kind::Ecg, false, 5000},
    {"Flow", Kind::Flow, false, 10000},       {"Thorax", Kind::Thorax, false, 10000},
    {"Abdomen", Kind::Abdomen, false, 10000}, {"SpO2", Kind::SpO2, false, 1000},
    {"Position", Kind::Position, false, 10000}, {"Snore", Kind::Snore, false, 5000},
    {"Leg L", Kind::LegLeft, false, 5000},    {"Leg R", Kind::LegRight, false, 5000},
    {"F3-A2", Kind::Eeg, false, 1000},        {"F4-A1", Kind::Eeg, false, 1000},
    {"Cz-A1", Kind::Eeg, false, 1000},        {"Pulse", Kind::Pulse, false, 5000},
};
constexpr int kNamedChannels = static_cast<int>(sizeof(kChannels) / sizeof(kChannels[0]));

// ---- the state of the sleeper at a moment -------------------------------------

struct Night {
    uint32_t seed;
    int rate;
};

// Depth of sleep, 0 (awake, light or REM) .. 32767 (deep, slow waves):
// a 90-minute cycle with slow wandering, starting light.
int32_t Depth(const Night& n, int64_t s) {
    const int64_t cycle = Sin(Phase(s, n.rate, 185) - 0x40000000u);  // 1 / 5400 s
    const int64_t wander = Smooth(n.seed, 1, s, Span(n.rate, 600000)) / 2;
    const int64_t depth = cycle + wander;
    return static_cast<int32_t>(depth < 0 ? 0 : (depth > 32767 ? 32767 : depth));
}

// Apnea factor 0..32767: one 90-second window in five opens with an apnea
// of 25 s (2-second ramps).
int64_t Apnea(const Night& n, int64_t s) {
    const int64_t window = Span(n.rate, 90000);
    if (Hash(n.seed, 5, static_cast<uint64_t>(s / window)) % 5 != 0) return 32767;
    const int64_t p = s % window;
    const int64_t length = Span(n.rate, 25000);
    const int64_t ramp = Span(n.rate, 2000);
    const int64_t low = 1500;
    if (p >= length + ramp) return 32767;
    if (p < ramp) return 32767 - (32767 - low) * p / ramp;
    if (p < length) return low;
    return low + (32767 - low) * (p - length) / ramp;
}

// Desaturation 0..32767 following an apnea: peaks 35 s into its window.
int64_t Desaturation(const Night& n, int64_t s) {
    const int64_t window = Span(n.rate, 90000);
    if (Hash(n.seed, 5, static_cast<uint64_t>(s / window)) % 5 != 0) return 0;
    return Bump((s % window) * 65536 / window, 65536 * 35 / 90, 65536 * 15 / 90, 32767);
}

// Everything the channels share at one scan, worked out once per scan.
struct Moment {
    int64_t s;
    int32_t depth;
    bool rem;
    int64_t alpha;          // alpha envelope 0..32767: bursts of a few seconds when not in deep sleep
    int64_t spindle;        // spindle envelope 0..32767: bursts of about a second in light sleep
    int64_t slowHeight;     // slow waves: irregular in height and pace
    uint32_t slowPace;
    uint32_t breath;        // breathing phase: about 15 breaths a minute with a wandering rate
    int64_t apnea;
    int64_t breathAmp;      // 0..32767: breaths vary in depth by about a fifth, nearly stop in an apnea
    int64_t desaturation;
    uint32_t heart;         // heartbeat phase: about 63 beats a minute, faster on inspiration
};

// Light-sleep weight 0..32767 of a depth: highest between drowsiness and
// slow-wave sleep, where spindles come.
int64_t LightSleep(int32_t depth) {
    if (depth < 3000 || depth > 24000) return 0;
    const int64_t d = depth - 13500;
    return 32767 - (d < 0 ? -d : d) * 32767 / 10500;
}

Moment MomentAt(const Night& n, int64_t s) {
    Moment m;
    m.s = s;
    m.depth = Depth(n, s);
    m.rem = m.depth == 0 && Smooth(n.seed, 2, s, Span(n.rate, 180000)) > 4000;
    const int64_t burst = Smooth(n.seed, 3, s, Span(n.rate, 3000)) - 6000;
    m.alpha = burst <= 0 ? 0 : burst * (32767 - m.depth) / 32767;
    const int64_t spindle = Smooth(n.seed, 10, s, Span(n.rate, 700)) - 14000;
    m.spindle = spindle <= 0 ? 0 : spindle * 2 * LightSleep(m.depth) / 32767;
    m.slowHeight = 16384 + Smooth(n.seed, 7, s, Span(n.rate, 1500)) / 2;
    m.slowPace = static_cast<uint32_t>(static_cast<int64_t>(Smooth(n.seed, 8, s, Span(n.rate, 2000))) * 16384);
    const int64_t wander = static_cast<int64_t>(Smooth(n.seed, 4, s, Span(n.rate, 20000))) * 32768;
    m.breath = Phase(s, n.rate, 250000) + static_cast<uint32_t>(wander);
    m.apnea = Apnea(n, s);
    m.breathAmp = Scale(m.apnea, 27000 + Smooth(n.seed, 9, s, Span(n.rate, 8000)) / 6);
    m.desaturation = Desaturation(n, s);
    const int64_t rsa = static_cast<int64_t>(Sin(m.breath)) * 2000;
    const int64_t drift = static_cast<int64_t>(Smooth(n.seed, 6, s, Span(n.rate, 60000))) * 8192;
    m.heart = Phase(s, n.rate, 1050000) + static_cast<uint32_t>(rsa + drift);
    return m;
}

// ---- channels ---------------------------------------------------------------------

int64_t Eeg(const Night& n, const Moment& m, int channel, bool occipital) {
    const int64_t s = m.s;
    const uint32_t key = 100 + static_cast<uint32_t>(channel);
    const uint32_t offset = static_cast<uint32_t>(channel) * 0x0B000000u;
    int64_t v = Scale(Smooth(n.seed, key, s, Span(n.rate, 100)), 1400);
    v += Scale(Smooth(n.seed, key + 2000, s, Span(n.rate, 25)), 500);
    v += Scale(Noise(n.seed, key + 4000, static_cast<uint64_t>(s)), 120);
    v += Scale(Scale(Scale(m.depth, m.slowHeight), Sin(Phase(s, n.rate, 1200000) + m.slowPace + offset)), 3600);
    v += Scale(Scale(m.alpha, Sin(Phase(s, n.rate, 10000000) + offset / 4)), occipital ? 2800 : 1100);
    // Sleep spindles of about 13 Hz, strongest over the centre of the head.
    v += Scale(Scale(m.spindle, Sin(Phase(s, n.rate, 13000000))), occipital ? 500 : 1200);
    return v;
}

// The gaze of REM sleep, in counts: a new one every 800 ms, reached by a
// quick step (a saccade) of 60 ms; none out of REM sleep.
int64_t Gaze(const Night& n, int64_t s, bool rem) {
    if (!rem) return 0;
    const int64_t hold = Span(n.rate, 800);
    const int64_t move = Span(n.rate, 60);
    const int64_t k = s / hold;
    const int64_t p = s % hold;
    const int64_t from = Noise(n.seed, 21, static_cast<uint64_t>(k));
    const int64_t to = Noise(n.seed, 21, static_cast<uint64_t>(k + 1));
    return Scale(p < move ? from + (to - from) * p / move : to, 4500);
}

// Eye movements: slow rolling when drowsy, quick steps in REM sleep. The
// right eye's electrode sees them with the opposite sign.
int64_t Eye(const Night& n, const Moment& m, int sign) {
    const int64_t s = m.s;
    int64_t eye = Scale(Scale(Smooth(n.seed, 20, s, Span(n.rate, 4000)), 32767 - m.depth), 2500);
    eye += Gaze(n, s, m.rem);
    const int64_t crosstalk = Eeg(n, m, 16, false) / 5;  // frontal EEG reaches the eye electrodes
    return sign * eye + crosstalk + Scale(Noise(n.seed, 22 + static_cast<uint32_t>(sign + 1), static_cast<uint64_t>(s)), 80);
}

int64_t Chin(const Night& n, const Moment& m) {
    const int64_t tone = m.rem ? 250 : 700 + 1800 * (32767 - m.depth) / 32767;
    return Scale(Noise(n.seed, 30, static_cast<uint64_t>(m.s)), tone);
}

// One beat's shape over a 16-bit heart phase: P wave, Q, a tall narrow R, S, T wave.
int64_t Beat(int64_t p) {
    return Bump(p, 6000, 3500, 900) + Bump(p, 13000, 700, -1200) + Bump(p, 14200, 900, 9000) +
           Bump(p, 15500, 800, -2000) + Bump(p, 27000, 6000, 2000);
}

int64_t Ecg(const Night& n, const Moment& m) {
    return Beat(m.heart >> 16) + Scale(Sin(m.breath), 300) + Scale(Noise(n.seed, 31, static_cast<uint64_t>(m.s)), 40);
}

// The oximeter's pulse rate, 100 counts a beat a minute, updated once a
// second: about 63 bpm drifting slowly, a few beats faster as the blood
// desaturates after an apnea.
int64_t Pulse(const Night& n, const Moment& m) {
    const int64_t second = m.s - m.s % n.rate;
    return 6300 + Scale(Smooth(n.seed, 6, second, Span(n.rate, 60000)), 500) + 400 * m.desaturation / 32767;
}

int64_t Flow(const Night& n, const Moment& m) {
    const int64_t wave = Sin(m.breath);
    const int64_t shaped = wave > 0 ? wave : wave * 7 / 10;  // expiration is slower
    return Scale(Scale(shaped, m.breathAmp), 7000) + Scale(Noise(n.seed, 32, static_cast<uint64_t>(m.s)), 60);
}

// Belts keep moving in an (obstructive) apnea, the abdomen turning against the thorax.
int64_t Belt(const Moment& m, bool abdomen) {
    const int64_t effort = m.breathAmp > 16000 ? m.breathAmp : 16000;
    const uint32_t lag = abdomen ? 0x20000000u + static_cast<uint32_t>((32767 - m.apnea) * 65536) : 0x10000000u;
    return Scale(Scale(Sin(m.breath - lag), effort), abdomen ? 4200 : 5000);
}

// SpO2 with 100 % at 25000 counts: about 96 %, dipping after apneas.
int64_t SpO2(const Night& n, const Moment& m) {
    return 24000 + Scale(Smooth(n.seed, 40, m.s, Span(n.rate, 20000)), 250) - 1500 * m.desaturation / 32767;
}

// Body position: one of four levels for each five-minute stretch.
int64_t Position(const Night& n, int64_t s) {
    const uint64_t stretch = static_cast<uint64_t>(s / Span(n.rate, 300000));
    return kTaffGenPositionLevels[Hash(n.seed, 50, stretch) % 4];
}

int64_t Snore(const Night& n, const Moment& m) {
    const int64_t noise = Noise(n.seed, 60, static_cast<uint64_t>(m.s));
    const int64_t wave = Sin(m.breath);
    const bool snoring = Smooth(n.seed, 61, m.s, Span(n.rate, 120000)) > 5000 && wave > 0;
    return Scale(noise, snoring ? Scale(wave, 4500) : 80);
}

// Leg EMG: quiet, with periodic limb movements (1.5-s bursts every 25 s)
// in some stretches of the night.
int64_t Leg(const Night& n, bool right, int64_t s) {
    const uint32_t key = right ? 71 : 70;
    int64_t amp = 150;
    const int64_t period = Span(n.rate, 25000);
    const int64_t shifted = s + (right ? Span(n.rate, 400) : 0);
    if (Smooth(n.seed, 72, s, Span(n.rate, 600000)) > 8000 && shifted % period < Span(n.rate, 1500)) amp = 4000;
    return Scale(Noise(n.seed, key, static_cast<uint64_t>(s)), amp);
}

Night NightOf(const TaffGenOptions& o) { return Night{o.seed, o.rate > 0 ? o.rate : 1}; }

// The clean night's counts of one channel at the moment `m`.
int64_t Counts(const Night& n, const Moment& m, int channel) {
    if (channel >= kNamedChannels) return Eeg(n, m, channel, false);
    const ChannelKind& c = kChannels[channel];
    switch (c.kind) {
        case Kind::Eeg: return Eeg(n, m, channel, c.occipital);
        case Kind::EyeLeft: return Eye(n, m, 1);
        case Kind::EyeRight: return Eye(n, m, -1);
        case Kind::Chin: return Chin(n, m);
        case Kind::Ecg: return Ecg(n, m);
        case Kind::Flow: return Flow(n, m);
        case Kind::Thorax: return Belt(m, false);
        case Kind::Abdomen: return Belt(m, true);
        case Kind::SpO2: return SpO2(n, m);
        case Kind::Position: return Position(n, m.s);
        case Kind::Snore: return Snore(n, m);
        case Kind::LegLeft: return Leg(n, false, m.s);
        case Kind::LegRight: return Leg(n, true, m.s);
        case Kind::Pulse: return Pulse(n, m);
    }
    return 0;
}

bool IsKind(int channel, Kind kind) {
    return channel >= 0 && channel < kNamedChannels && kChannels[channel].kind == kind;
}

// The clean counts with the options' real frontal EEG on the eye channels:
// LOC takes it whole; ROC, referred to the other ear, four fifths of it and
// two fifths of another stretch of it (half the loop away), so the pair
// shares the slow waves closely (a correlation of about 0.9) without being
// one signal twice.
int64_t CleanCounts(const TaffGenOptions& o, const Night& n, const Moment& m, int channel) {
    const int64_t v = Counts(n, m, channel);
    const bool left = IsKind(channel, Kind::EyeLeft);
    if (o.eogEeg.empty() || !(left || IsKind(channel, Kind::EyeRight))) return v;
    const int64_t loop = static_cast<int64_t>(o.eogEeg.size());
    const int64_t here = o.eogEeg[static_cast<size_t>(m.s % loop)];
    if (left) return v + here;
    return v + (4 * here + 2 * o.eogEeg[static_cast<size_t>((m.s + loop / 2) % loop)]) / 5;
}

int16_t Clamp16(int64_t v) { return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v)); }

// The generated night as the faults see it: the clean counts of any channel.
class GeneratedNight : public TaffGenSignals {
public:
    explicit GeneratedNight(const TaffGenOptions& o) : options_(o), night_(NightOf(o)) {}
    int64_t Clean(int channel, int64_t scan) const override {
        return CleanCounts(options_, night_, MomentAt(night_, scan), channel);
    }
    int Rate() const override { return night_.rate; }
    uint32_t Seed() const override { return night_.seed; }
    int Channels() const override { return options_.channels; }
    bool IsEcg(int channel) const override { return IsKind(channel, Kind::Ecg); }
    bool IsSpO2(int channel) const override { return IsKind(channel, Kind::SpO2); }
    bool IsPulse(int channel) const override { return IsKind(channel, Kind::Pulse); }

private:
    const TaffGenOptions& options_;
    Night night_;
};

}  // namespace

std::string TaffGenChannelName(int channel) {
    if (channel >= 0 && channel < kNamedChannels) return kChannels[channel].name;
    return "AUX" + std::to_string(channel + 1);
}

TaffGenCalibration TaffGenCalibrationOf(int channel) {
    const Kind kind = channel >= 0 && channel < kNamedChannels ? kChannels[channel].kind : Kind::Eeg;
    switch (kind) {
        case Kind::EyeLeft: case Kind::EyeRight: return {"uV", kTaffGenTypeEog, 1, 40};
        case Kind::Chin: return {"uV", kTaffGenTypeEmg, 1, 100};
        case Kind::Ecg: return {"mV", kTaffGenTypeEcg, 1, 10000};
        case Kind::Flow: return {"mV", kTaffGenTypeFlow, 1, 1000};
        case Kind::Thorax: return {"mV", kTaffGenTypeThorax, 1, 1000};
        case Kind::Abdomen: return {"mV", kTaffGenTypeAbdomen, 1, 1000};
        case Kind::SpO2: return {"%", kTaffGenTypeSpO2, 100, 25000};
        case Kind::Position: return {"", kTaffGenTypePosition, 1, 1};
        case Kind::Snore: return {"uV", kTaffGenTypeSnore, 1, 10};
        case Kind::LegLeft: case Kind::LegRight: return {"uV", kTaffGenTypeLegEmg, 1, 100};
        case Kind::Pulse: return {"bpm", kTaffGenTypePulse, 1, 100};
        case Kind::Eeg: break;
    }
    return {"uV", kTaffGenTypeEeg, 1, 40};
}

double TaffGenCountsPerMicrovolt(int channel) {
    const TaffGenCalibration c = TaffGenCalibrationOf(channel);
    const double perUnit = static_cast<double>(c.calVU) / c.calEU;
    if (std::string(c.unit) == "uV") return perUnit;
    if (std::string(c.unit) == "mV") return perUnit / 1000;
    return 0;
}

std::vector<std::pair<double, double>> TaffGenEyeMovementStretches(const TaffGenOptions& options,
                                                                   double shortestSeconds) {
    const Night n = NightOf(options);
    const int64_t seconds = TaffGenScanCount(options) / n.rate;
    std::vector<std::pair<double, double>> out;
    int64_t from = -1;
    for (int64_t t = 0; t <= seconds; ++t) {
        const bool rem = t < seconds && MomentAt(n, t * n.rate).rem;
        if (rem && from < 0) from = t;
        if (!rem && from >= 0) {
            if (static_cast<double>(t - from) >= shortestSeconds)
                out.emplace_back(static_cast<double>(from), static_cast<double>(t));
            from = -1;
        }
    }
    return out;
}

std::vector<TaffGenSaccade> TaffGenSaccades(const TaffGenOptions& options, double fromSeconds, double toSeconds) {
    const Night n = NightOf(options);
    const int64_t first = std::max<int64_t>(0, static_cast<int64_t>(fromSeconds * n.rate));
    const int64_t past = std::min(TaffGenScanCount(options), static_cast<int64_t>(toSeconds * n.rate));
    const double perMicrovolt = TaffGenCountsPerMicrovolt(4);  // LOC
    std::vector<TaffGenSaccade> out;
    // Each run of scans over which the gaze changes is one movement.
    int64_t before = first > 0 ? Gaze(n, first - 1, MomentAt(n, first - 1).rem) : 0, start = -1, from = 0;
    for (int64_t s = first; s <= past; ++s) {
        const int64_t g = s < past ? Gaze(n, s, MomentAt(n, s).rem) : before;
        if (g != before && start < 0) start = s, from = before;
        if (g == before && start >= 0) {
            out.push_back({static_cast<double>(start) / n.rate, static_cast<double>(s - start) / n.rate,
                           static_cast<double>(before - from) / perMicrovolt});
            start = -1;
        }
        before = g;
    }
    return out;
}

int TaffGenRangeMillivolts(int channel) {
    if (channel >= 0 && channel < kNamedChannels) return kChannels[channel].rangeMillivolts;
    return 1000;
}

int64_t TaffGenEcgCounts(uint32_t seed, int rate, int64_t scan) {
    const Night n{seed, rate > 0 ? rate : 1};
    return Ecg(n, MomentAt(n, scan));
}

int64_t TaffGenEegCounts(uint32_t seed, int rate, int64_t scan) {
    const Night n{seed, rate > 0 ? rate : 1};
    return Eeg(n, MomentAt(n, scan), 0, false);
}

int16_t TaffGenExpectedSample(const TaffGenOptions& options, int channel, int64_t scan) {
    const Night n = NightOf(options);
    const int64_t clean = CleanCounts(options, n, MomentAt(n, scan), channel);
    if (options.faults.empty()) return Clamp16(clean);
    return Clamp16(TaffGenApplyFaults(options.faults, GeneratedNight(options), channel, scan, clean));
}

namespace {

int32_t RawOf(const TaffGenOptions& options, int channel, int64_t scan, int16_t counts) {
    if (!options.longSamples) return counts;
    // 24-bit detail below one 16-bit count; (v + 128) >> 8 gives `counts` back.
    const int32_t detail = IsKind(channel, Kind::Position)
                               ? 0
                               : static_cast<int32_t>(Hash(options.seed, 90 + static_cast<uint32_t>(channel),
                                                           static_cast<uint64_t>(scan)) & 255u) - 128;
    const int32_t v = counts * 256 + detail;
    return v < -8388608 ? -8388608 : (v > 8388607 ? 8388607 : v);
}

}  // namespace

int32_t TaffGenRawSample(const TaffGenOptions& options, int channel, int64_t scan) {
    return RawOf(options, channel, scan, TaffGenExpectedSample(options, channel, scan));
}

void TaffGenRawScan(const TaffGenOptions& options, int64_t scan, int32_t* raw) {
    const Night n = NightOf(options);
    const Moment m = MomentAt(n, scan);
    const GeneratedNight night(options);
    for (int c = 0; c < options.channels; ++c) {
        int64_t v = CleanCounts(options, n, m, c);
        if (!options.faults.empty()) v = TaffGenApplyFaults(options.faults, night, c, scan, v);
        raw[c] = RawOf(options, c, scan, Clamp16(v));
    }
}
