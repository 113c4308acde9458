// The synthetic night: each channel's sample as a pure function of the
// seed, the channel and the scan, in integer arithmetic (a sine table built
// with exact double operations, hashed noise, linear value noise), so every
// platform produces the same samples. Amplitudes are in counts of the 16-bit
// scale, where +-25000 is the full input range.
#include <array>
#include <cstddef>

#include "tools/taffgen/taffgen.h"

namespace {

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

// ---- deterministic building blocks ------------------------------------------------

uint32_t Mix(uint32_t h) {
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

uint32_t Hash(uint32_t seed, uint32_t key, uint64_t index) {
    uint32_t h = Mix(seed * 0x9E3779B9u ^ Mix(key + 0x68E31DA4u));
    h = Mix(h ^ static_cast<uint32_t>(index));
    return Mix(h ^ static_cast<uint32_t>(index >> 32) ^ 0x1B873593u);
}

// White noise in -32768..32767.
int32_t Noise(uint32_t seed, uint32_t key, uint64_t index) {
    return static_cast<int32_t>(Hash(seed, key, index) >> 16) - 32768;
}

// Value noise: Noise at knots `knot` scans apart, joined by smoothstep
// curves (flat at the knots, so no corners).
int32_t Smooth(uint32_t seed, uint32_t key, int64_t scan, int64_t knot) {
    const int64_t k = scan / knot;
    const int64_t f = (scan % knot) * 32768 / knot;          // 0..32767
    const int64_t w = f * f / 32768 * (3 * 32768 - 2 * f) / 32768;  // smoothstep, 0..32767
    const int64_t a = Noise(seed, key, static_cast<uint64_t>(k));
    const int64_t b = Noise(seed, key, static_cast<uint64_t>(k + 1));
    return static_cast<int32_t>(a + (b - a) * w / 32768);
}

std::array<int16_t, 4096> MakeSineTable() {
    // A quarter wave by its Taylor series: only +, *, / on doubles, which
    // round the same everywhere.
    const double kHalfPi = 1.57079632679489661923;
    std::array<int16_t, 1025> quarter{};
    for (int i = 0; i <= 1024; ++i) {
        const double x = kHalfPi * i / 1024.0;
        double term = x;
        double sum = x;
        for (int n = 1; n <= 12; ++n) {
            term *= -x * x / ((2.0 * n) * (2.0 * n + 1.0));
            sum += term;
        }
        const double scaled = 32767.0 * sum + 0.5;
        quarter[static_cast<size_t>(i)] = static_cast<int16_t>(scaled >= 32767.0 ? 32767 : static_cast<int>(scaled));
    }
    std::array<int16_t, 4096> table{};
    for (int i = 0; i < 4096; ++i) {
        int16_t v;
        if (i < 1024) v = quarter[static_cast<size_t>(i)];
        else if (i < 2048) v = quarter[static_cast<size_t>(2048 - i)];
        else if (i < 3072) v = static_cast<int16_t>(-quarter[static_cast<size_t>(i - 2048)]);
        else v = static_cast<int16_t>(-quarter[static_cast<size_t>(4096 - i)]);
        table[static_cast<size_t>(i)] = v;
    }
    return table;
}

// Sine of a 32-bit phase (2^32 = one cycle), -32767..32767.
int32_t Sin(uint32_t phase) {
    static const std::array<int16_t, 4096> table = MakeSineTable();
    return table[phase >> 20];
}

// Phase of a wave of `microHertz` at `scan`; exact at any scan.
uint32_t Phase(int64_t scan, int rate, uint64_t microHertz) {
    const uint64_t step = (microHertz << 32) / (static_cast<uint64_t>(rate) * 1000000u);
    return static_cast<uint32_t>(static_cast<uint64_t>(scan) * step);
}

// Scans in `milliseconds`, at least 1.
int64_t Span(int rate, int64_t milliseconds) {
    const int64_t n = static_cast<int64_t>(rate) * milliseconds / 1000;
    return n > 0 ? n : 1;
}

int64_t Scale(int64_t value, int64_t factor) { return value * factor / 32768; }

// A smooth bump of height `amp` and half-width `w` centred at `c` (0..65535 scale).
int64_t Bump(int64_t p, int64_t c, int64_t w, int64_t amp) {
    const int64_t d = p - c;
    if (d <= -w || d >= w) return 0;
    const int64_t q = (w * w - d * d) * 32768 / (w * w);  // 0..32768
    return amp * q / 32768 * q / 32768;
}

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

bool Rem(const Night& n, int64_t s) {
    return Depth(n, s) == 0 && Smooth(n.seed, 2, s, Span(n.rate, 180000)) > 4000;
}

// Alpha envelope 0..32767: bursts of a few seconds when not in deep sleep.
int64_t AlphaEnvelope(const Night& n, int64_t s) {
    const int64_t burst = Smooth(n.seed, 3, s, Span(n.rate, 3000)) - 6000;
    if (burst <= 0) return 0;
    return burst * (32767 - Depth(n, s)) / 32767;
}

// Breathing: about 15 breaths a minute with a wandering rate.
uint32_t BreathPhase(const Night& n, int64_t s) {
    const int64_t wander = static_cast<int64_t>(Smooth(n.seed, 4, s, Span(n.rate, 20000))) * 32768;
    return Phase(s, n.rate, 250000) + static_cast<uint32_t>(wander);
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

// Breathing amplitude 0..32767: breaths vary in depth by about a fifth,
// and nearly stop in an apnea.
int64_t BreathAmplitude(const Night& n, int64_t s) {
    const int64_t variation = 27000 + Smooth(n.seed, 9, s, Span(n.rate, 8000)) / 6;
    return Scale(Apnea(n, s), variation);
}

// Desaturation 0..32767 following an apnea: peaks 35 s into its window.
int64_t Desaturation(const Night& n, int64_t s) {
    const int64_t window = Span(n.rate, 90000);
    if (Hash(n.seed, 5, static_cast<uint64_t>(s / window)) % 5 != 0) return 0;
    return Bump((s % window) * 65536 / window, 65536 * 35 / 90, 65536 * 15 / 90, 32767);
}

// Heartbeat phase: about 63 beats a minute, faster on inspiration.
uint32_t HeartPhase(const Night& n, int64_t s) {
    const int64_t rsa = static_cast<int64_t>(Sin(BreathPhase(n, s))) * 2000;
    const int64_t drift = static_cast<int64_t>(Smooth(n.seed, 6, s, Span(n.rate, 60000))) * 8192;
    return Phase(s, n.rate, 1050000) + static_cast<uint32_t>(rsa + drift);
}

// ---- channels ---------------------------------------------------------------------

int64_t Eeg(const Night& n, int channel, bool occipital, int64_t s) {
    const uint32_t key = 100 + static_cast<uint32_t>(channel);
    const uint32_t offset = static_cast<uint32_t>(channel) * 0x0B000000u;
    int64_t v = Scale(Smooth(n.seed, key, s, Span(n.rate, 100)), 1400);
    v += Scale(Smooth(n.seed, key + 2000, s, Span(n.rate, 25)), 500);
    v += Scale(Noise(n.seed, key + 4000, static_cast<uint64_t>(s)), 120);
    // Slow waves: irregular in height and pace.
    const int64_t slowHeight = 16384 + Smooth(n.seed, 7, s, Span(n.rate, 1500)) / 2;
    const uint32_t slowPace = static_cast<uint32_t>(static_cast<int64_t>(Smooth(n.seed, 8, s, Span(n.rate, 2000))) * 16384);
    v += Scale(Scale(Scale(Depth(n, s), slowHeight), Sin(Phase(s, n.rate, 1200000) + slowPace + offset)), 3600);
    v += Scale(Scale(AlphaEnvelope(n, s), Sin(Phase(s, n.rate, 10000000) + offset / 4)), occipital ? 2800 : 1100);
    return v;
}

// Eye movements: slow rolling when drowsy, quick steps in REM sleep. The
// right eye's electrode sees them with the opposite sign.
int64_t Eye(const Night& n, int sign, int64_t s) {
    int64_t eye = Scale(Scale(Smooth(n.seed, 20, s, Span(n.rate, 4000)), 32767 - Depth(n, s)), 2500);
    if (Rem(n, s)) {
        const int64_t hold = Span(n.rate, 800);
        const int64_t move = Span(n.rate, 60);
        const int64_t k = s / hold;
        const int64_t p = s % hold;
        const int64_t from = Noise(n.seed, 21, static_cast<uint64_t>(k));
        const int64_t to = Noise(n.seed, 21, static_cast<uint64_t>(k + 1));
        eye += Scale(p < move ? from + (to - from) * p / move : to, 4500);
    }
    const int64_t crosstalk = Eeg(n, 16, false, s) / 5;  // frontal EEG reaches the eye electrodes
    return sign * eye + crosstalk + Scale(Noise(n.seed, 22 + static_cast<uint32_t>(sign + 1), static_cast<uint64_t>(s)), 80);
}

int64_t Chin(const Night& n, int64_t s) {
    const int64_t tone = Rem(n, s) ? 250 : 700 + 1800 * (32767 - Depth(n, s)) / 32767;
    return Scale(Noise(n.seed, 30, static_cast<uint64_t>(s)), tone);
}

int64_t Ecg(const Night& n, int64_t s) {
    const int64_t p = HeartPhase(n, s) >> 16;
    int64_t v = Bump(p, 6000, 3500, 900) + Bump(p, 13000, 700, -1200) + Bump(p, 14200, 900, 9000) +
                Bump(p, 15500, 800, -2000) + Bump(p, 27000, 6000, 2000);
    v += Scale(Sin(BreathPhase(n, s)), 300);
    return v + Scale(Noise(n.seed, 31, static_cast<uint64_t>(s)), 40);
}

int64_t Pulse(const Night& n, int64_t s) {
    const int64_t p = (HeartPhase(n, s) - 0x40000000u) >> 16;
    return -2000 + Bump(p, 10000, 9000, 6000) + Bump(p, 26000, 12000, 2500);
}

int64_t Flow(const Night& n, int64_t s) {
    const int64_t wave = Sin(BreathPhase(n, s));
    const int64_t shaped = wave > 0 ? wave : wave * 7 / 10;  // expiration is slower
    return Scale(Scale(shaped, BreathAmplitude(n, s)), 7000) + Scale(Noise(n.seed, 32, static_cast<uint64_t>(s)), 60);
}

// Belts keep moving in an (obstructive) apnea, the abdomen turning against the thorax.
int64_t Belt(const Night& n, bool abdomen, int64_t s) {
    const int64_t amp = BreathAmplitude(n, s);
    const int64_t effort = amp > 16000 ? amp : 16000;
    const uint32_t lag = abdomen ? 0x20000000u + static_cast<uint32_t>((32767 - Apnea(n, s)) * 65536) : 0x10000000u;
    return Scale(Scale(Sin(BreathPhase(n, s) - lag), effort), abdomen ? 4200 : 5000);
}

// SpO2 with 100 % at 25000 counts: about 96 %, dipping after apneas.
int64_t SpO2(const Night& n, int64_t s) {
    return 24000 + Scale(Smooth(n.seed, 40, s, Span(n.rate, 20000)), 250) - 1500 * Desaturation(n, s) / 32767;
}

// Body position: one of four levels for each five-minute stretch.
int64_t Position(const Night& n, int64_t s) {
    const uint64_t stretch = static_cast<uint64_t>(s / Span(n.rate, 300000));
    return kTaffGenPositionLevels[Hash(n.seed, 50, stretch) % 4];
}

int64_t Snore(const Night& n, int64_t s) {
    const int64_t noise = Noise(n.seed, 60, static_cast<uint64_t>(s));
    const int64_t wave = Sin(BreathPhase(n, s));
    const bool snoring = Smooth(n.seed, 61, s, Span(n.rate, 120000)) > 5000 && wave > 0;
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

int64_t Counts(const TaffGenOptions& o, int channel, int64_t s) {
    const Night n{o.seed, o.rate > 0 ? o.rate : 1};
    if (channel >= kNamedChannels) return Eeg(n, channel, false, s);
    const ChannelKind& c = kChannels[channel];
    switch (c.kind) {
        case Kind::Eeg: return Eeg(n, channel, c.occipital, s);
        case Kind::EyeLeft: return Eye(n, 1, s);
        case Kind::EyeRight: return Eye(n, -1, s);
        case Kind::Chin: return Chin(n, s);
        case Kind::Ecg: return Ecg(n, s);
        case Kind::Flow: return Flow(n, s);
        case Kind::Thorax: return Belt(n, false, s);
        case Kind::Abdomen: return Belt(n, true, s);
        case Kind::SpO2: return SpO2(n, s);
        case Kind::Position: return Position(n, s);
        case Kind::Snore: return Snore(n, s);
        case Kind::LegLeft: return Leg(n, false, s);
        case Kind::LegRight: return Leg(n, true, s);
        case Kind::Pulse: return Pulse(n, s);
    }
    return 0;
}

bool IsPosition(int channel) {
    return channel >= 0 && channel < kNamedChannels && kChannels[channel].kind == Kind::Position;
}

}  // namespace

std::string TaffGenChannelName(int channel) {
    if (channel >= 0 && channel < kNamedChannels) return kChannels[channel].name;
    return "AUX" + std::to_string(channel + 1);
}

int TaffGenRangeMillivolts(int channel) {
    if (channel >= 0 && channel < kNamedChannels) return kChannels[channel].rangeMillivolts;
    return 1000;
}

int16_t TaffGenExpectedSample(const TaffGenOptions& options, int channel, int64_t scan) {
    const int64_t v = Counts(options, channel, scan);
    return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

int32_t TaffGenRawSample(const TaffGenOptions& options, int channel, int64_t scan) {
    const int32_t counts = TaffGenExpectedSample(options, channel, scan);
    if (!options.longSamples) return counts;
    // 24-bit detail below one 16-bit count; (v + 128) >> 8 gives `counts` back.
    const int32_t detail = IsPosition(channel)
                               ? 0
                               : static_cast<int32_t>(Hash(options.seed, 90 + static_cast<uint32_t>(channel),
                                                           static_cast<uint64_t>(scan)) & 255u) - 128;
    const int32_t v = counts * 256 + detail;
    return v < -8388608 ? -8388608 : (v > 8388607 ? 8388607 : v);
}
