// Faults laid over a night: each a pure function of the clean night, the
// channel and the scan, so the recording with faults is still written in one
// pass and read back sample for sample. Also the fault's text on the command
// line and the ground-truth file that lists what was laid where.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/night_check.h"
#include "tools/taffgen/taffgen.h"
#include "tools/taffgen/taffgen_blocks.h"

using namespace taffgen;

namespace {

// The check that should find each fault kind, whose name the fault takes.
const CheckKind kFaultChecks[] = {CheckKind::Flat,       CheckKind::Clipping,   CheckKind::Hum,
                                  CheckKind::HfArtifact, CheckKind::Amplitude,  CheckKind::NotItsType,
                                  CheckKind::Duplicate,  CheckKind::EogInPhase, CheckKind::Ecg,
                                  CheckKind::Spo2,       CheckKind::Position};
static_assert(sizeof kFaultChecks / sizeof kFaultChecks[0] == static_cast<size_t>(TaffGenFaultKind::Count),
              "one check per fault kind");

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

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

bool ParseNumber(const std::string& text, double* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(*value);
}

std::vector<std::string> SplitColons(const std::string& text) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        const size_t colon = text.find(':', from);
        parts.push_back(text.substr(from, colon == std::string::npos ? std::string::npos : colon - from));
        if (colon == std::string::npos) return parts;
        from = colon + 1;
    }
}

int ChannelOf(const std::string& text, const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == text) return static_cast<int>(i);
    double number = 0;
    if (!ParseNumber(text, &number) || number != std::floor(number)) return -1;
    return number >= 1 && number <= static_cast<double>(names.size()) ? static_cast<int>(number) - 1 : -1;
}

// A JSON string of a label: quotes, backslashes and control bytes escaped.
std::string JsonText(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += std::string("\\") + c;
        else if (static_cast<unsigned char>(c) < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
            out += code;
        } else out += c;
    }
    return out + "\"";
}

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

}  // namespace

const char* TaffGenFaultName(TaffGenFaultKind kind) {
    const int k = static_cast<int>(kind);
    return k >= 0 && k < static_cast<int>(TaffGenFaultKind::Count) ? CheckKindName(kFaultChecks[k]) : "";
}

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

bool ParseTaffGenFault(const std::string& text, const std::vector<std::string>& names, TaffGenFault* out,
                       std::string* error) {
    const std::vector<std::string> parts = SplitColons(text);
    if (parts.size() < 4 || parts.size() > 5) return Fail(error, "a fault is KIND:CHANNEL:START:LENGTH[:VALUE]: " + text);
    TaffGenFault f;
    int kind = 0;
    while (kind < static_cast<int>(TaffGenFaultKind::Count) &&
           parts[0] != TaffGenFaultName(static_cast<TaffGenFaultKind>(kind)))
        ++kind;
    if (kind == static_cast<int>(TaffGenFaultKind::Count)) return Fail(error, "unknown fault kind: " + parts[0]);
    f.kind = static_cast<TaffGenFaultKind>(kind);
    f.channel = ChannelOf(parts[1], names);
    if (f.channel < 0) return Fail(error, "no such channel: " + parts[1]);
    if (!ParseNumber(parts[2], &f.startSeconds) || f.startSeconds < 0 || !ParseNumber(parts[3], &f.lengthSeconds) ||
        f.lengthSeconds <= 0)
        return Fail(error, "START and LENGTH must be seconds (LENGTH above 0): " + text);
    const int channels = static_cast<int>(names.size());
    f.value = TaffGenFaultDefault(f.kind, f.channel, channels);
    if (parts.size() == 5 && !ParseNumber(parts[4], &f.value)) return Fail(error, "VALUE must be a number: " + text);
    if (f.kind == TaffGenFaultKind::Duplicate &&
        (f.value != std::floor(f.value) || f.value < 1 || f.value > channels || f.value == f.channel + 1))
        return Fail(error, "a duplicate copies another channel, by number from 1: " + text);
    *out = f;
    return true;
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

std::string TaffGenGroundTruthText(const std::string& recording, uint32_t seed, int rate,
                                   const std::vector<TaffGenFault>& faults, const std::vector<std::string>& labels) {
    std::string t = "{\n  \"recording\": " + JsonText(recording) + ",\n  \"seed\": " + std::to_string(seed) +
                    ",\n  \"rate\": " + std::to_string(rate) + ",\n  \"faults\": [";
    for (size_t i = 0; i < faults.size(); ++i) {
        const TaffGenFault& f = faults[i];
        const std::string label =
            f.channel >= 0 && f.channel < static_cast<int>(labels.size()) ? labels[static_cast<size_t>(f.channel)] : "";
        t += i ? ",\n" : "\n";
        t += "    {\"check\": \"" + std::string(TaffGenFaultName(f.kind)) + "\", \"channel\": " +
             std::to_string(f.channel + 1) + ", \"label\": " + JsonText(label) + ", \"start_s\": " +
             Number(static_cast<double>(TaffGenFaultFirstScan(f, rate)) / rate) + ", \"end_s\": " +
             Number(static_cast<double>(TaffGenFaultEndScan(f, rate)) / rate) + ", \"value\": " + Number(f.value);
        if (f.kind == TaffGenFaultKind::Hum) t += ", \"mains_hz\": " + std::to_string(f.mains);
        t += "}";
    }
    return t + (faults.empty() ? "]\n}\n" : "\n  ]\n}\n");
}
