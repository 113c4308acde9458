// Faults laid over a night: each a pure function of the clean night, the
// channel and the scan, so the recording with faults is still written in one
// pass and read back sample for sample; their defaults. The fault's text on
// the command line and the ground-truth file are in taffgen_fault_text.cpp.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/taffgen/taffgen.h"
#include "tools/taffgen/taffgen_blocks.h"

using namespace taffgen;

namespace {

uint32_t KeyOf(const TaffGenFault& f) { return 300 + static_cast<uint32_t>(f.channel) * 16 + static_cast<uint32_t>(f.kind); }

int64_t Flat(const TaffGenFault& f, const TaffGenSignals& night, int64_t scan) {
    const int64_t held = night.Clean(f.channel, TaffGenFaultFirstScan(f, night.Rate()));
    return held + Scale(Noise(night.Seed(), KeyOf(f), static_cast<uint64_t>(scan)), static_cast<int64_t>(f.value));
}

// Broadband noise with most of its power above 30 Hz: the difference of
// successive white-noise samples.
int64_t HighFrequency(const TaffGenFault& f, const TaffGenSignals& night, int64_t scan) {
    const uint64_t s = static_cast<uint64_t>(scan);
    const int64_t d = Noise(night.Seed(), KeyOf(f), s + 1) - Noise(night.Seed(), KeyOf(f), s);
    return Scale(d / 2, static_cast<int64_t>(f.value));
}

// Slow swings of movement (0.5 to 3 Hz) with an electrode pop now and then.
int64_t Movement(const TaffGenFault& f, const TaffGenSignals& night, int64_t scan) {
    const int rate = night.Rate();
    const int64_t swing = Smooth(night.Seed(), KeyOf(f), scan, Span(rate, 250));
    const int64_t pop = Smooth(night.Seed(), KeyOf(f) + 1, scan, Span(rate, 2000)) > 20000 ? 32767 : 0;
    return Scale(swing / 2 + pop / 2, static_cast<int64_t>(f.value));
}

int64_t NotItsType(const TaffGenFault& f, const TaffGenSignals& night, int64_t scan, int64_t counts) {
    if (night.IsSpO2(f.channel)) return counts / 100;
    if (night.IsEcg(f.channel)) return TaffGenEegCounts(night.Seed(), night.Rate(), scan);
    return static_cast<int64_t>(std::llround(TaffGenEcgCounts(night.Seed(), night.Rate(), scan) * f.value));
}

int64_t EcgFault(const TaffGenFault& f, const TaffGenSignals& night, int64_t scan, int64_t counts) {
    switch (static_cast<int>(f.value)) {
        case 1: return Scale(Noise(night.Seed(), KeyOf(f), static_cast<uint64_t>(scan)), 2000);
        case 2: return TaffGenEcgCounts(night.Seed(), night.Rate(), scan * 3);
        case 3: return TaffGenEcgCounts(night.Seed(), night.Rate(), scan / 3);
        default: return -counts;
    }
}

int64_t Spo2Fault(const TaffGenFault& f, const TaffGenSignals& night, int64_t scan, int64_t counts) {
    if (static_cast<int>(f.value) != 1) return 0;
    const int64_t piece = (scan - TaffGenFaultFirstScan(f, night.Rate())) / Span(night.Rate(), 2000);
    return piece % 2 ? counts * 3 / 4 : counts;
}

int64_t Apply(const TaffGenFault& f, const TaffGenSignals& night, int64_t scan, int64_t counts) {
    const int rate = night.Rate();
    switch (f.kind) {
        case TaffGenFaultKind::Flat: return Flat(f, night, scan);
        case TaffGenFaultKind::Clipping: return static_cast<int64_t>(std::llround(counts * f.value));
        case TaffGenFaultKind::Hum:
            return counts + Scale(Sin(Phase(scan, rate, static_cast<uint64_t>(f.mains) * 1000000u)),
                                  static_cast<int64_t>(f.value));
        case TaffGenFaultKind::HfArtifact: return counts + HighFrequency(f, night, scan);
        case TaffGenFaultKind::Amplitude: return counts + Movement(f, night, scan);
        case TaffGenFaultKind::NotItsType: return NotItsType(f, night, scan, counts);
        case TaffGenFaultKind::Duplicate: return night.Clean(static_cast<int>(f.value) - 1, scan);
        case TaffGenFaultKind::EogInPhase: return -counts;
        case TaffGenFaultKind::Ecg: return EcgFault(f, night, scan, counts);
        case TaffGenFaultKind::Spo2: return Spo2Fault(f, night, scan, counts);
        case TaffGenFaultKind::Position: return static_cast<int64_t>(f.value);
        case TaffGenFaultKind::Count: break;
    }
    return counts;
}

}  // namespace

double TaffGenFaultDefault(TaffGenFaultKind kind, int channel, int channels) {
    switch (kind) {
        // An input with no electrode: about 0.3 uV rms of amplifier noise, a
        // uniform noise of 0.52 uV peak (at least one count); a channel not
        // in volts holds its value exactly.
        case TaffGenFaultKind::Flat: return std::max(0.0, TaffGenVoltageFaultDefault(kind, TaffGenCountsPerMicrovolt(channel)));
        case TaffGenFaultKind::Clipping: return 20;
        case TaffGenFaultKind::Hum: return 4000;
        case TaffGenFaultKind::HfArtifact: return 6000;
        case TaffGenFaultKind::Amplitude: return 40000;
        case TaffGenFaultKind::NotItsType: return 1;
        case TaffGenFaultKind::Duplicate: {
            const int partner = channel % 2 == 0 ? channel + 1 : channel - 1;
            return (partner < channels ? partner : channel - 1) + 1;
        }
        case TaffGenFaultKind::Position: return 7500;
        default: return 0;
    }
}

double TaffGenVoltageFaultDefault(TaffGenFaultKind kind, double countsPerMicrovolt) {
    if (!(countsPerMicrovolt > 0)) return -1;
    switch (kind) {
        case TaffGenFaultKind::Flat: return std::max(1.0, std::round(0.52 * countsPerMicrovolt));
        case TaffGenFaultKind::Hum: return std::round(100 * countsPerMicrovolt);
        case TaffGenFaultKind::HfArtifact: return std::round(150 * countsPerMicrovolt);
        case TaffGenFaultKind::Amplitude: return std::round(1000 * countsPerMicrovolt);
        default: return -1;
    }
}

std::vector<TaffGenFault> TaffGenWithCompanions(const std::vector<TaffGenFault>& faults, int channels) {
    std::vector<TaffGenFault> out;
    for (const TaffGenFault& f : faults) {
        out.push_back(f);
        if (f.kind != TaffGenFaultKind::Spo2 || f.value != 0 || TaffGenChannelName(f.channel) != "SpO2") continue;
        for (int c = 0; c < channels; ++c) {
            if (TaffGenChannelName(c) != "Pulse") continue;
            TaffGenFault pulse = f;
            pulse.channel = c;
            out.push_back(pulse);
        }
    }
    return out;
}

int64_t TaffGenFaultFirstScan(const TaffGenFault& fault, int rate) { return std::llround(fault.startSeconds * rate); }

int64_t TaffGenFaultEndScan(const TaffGenFault& fault, int rate) {
    return std::llround((fault.startSeconds + fault.lengthSeconds) * rate);
}

int64_t TaffGenApplyFaults(const std::vector<TaffGenFault>& faults, const TaffGenSignals& night, int channel,
                           int64_t scan, int64_t counts) {
    for (const TaffGenFault& f : faults) {
        if (f.channel != channel) continue;
        if (scan < TaffGenFaultFirstScan(f, night.Rate()) || scan >= TaffGenFaultEndScan(f, night.Rate())) continue;
        counts = Apply(f, night, scan, counts);
    }
    return counts;
}

