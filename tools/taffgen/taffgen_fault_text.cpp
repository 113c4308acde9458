// The faults in words: their names (the night check's own), the fault's
// text on the command line and the ground-truth file that lists what was
// laid where. Apart from the laying (taffgen_faults.cpp), which programs
// built without the engine use too.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/night_check.h"
#include "tools/taffgen/taffgen.h"

namespace {

// The check that should find each fault kind, whose name the fault takes.
const CheckKind kFaultChecks[] = {CheckKind::Flat,       CheckKind::Clipping,   CheckKind::Hum,
                                  CheckKind::HfArtifact, CheckKind::Amplitude,  CheckKind::NotItsType,
                                  CheckKind::Duplicate,  CheckKind::EogInPhase, CheckKind::Ecg,
                                  CheckKind::Spo2,       CheckKind::Position};
static_assert(sizeof kFaultChecks / sizeof kFaultChecks[0] == static_cast<size_t>(TaffGenFaultKind::Count),
              "one check per fault kind");

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
