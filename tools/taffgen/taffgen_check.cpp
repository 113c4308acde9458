// The night check held against a night's ground truth; see taffgen_check.h.
#include "tools/taffgen/taffgen_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/recording.h"
#include "tools/taffgen/taffgen_montage.h"

namespace {

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

bool IsPairCheck(CheckKind kind) { return kind == CheckKind::Duplicate || kind == CheckKind::EogInPhase; }

// Whether the finding is about the fault's channel.
bool OnChannel(const CheckFinding& f, const TaffGenFault& fault, const std::vector<std::string>& labels) {
    if (fault.channel < 0 || fault.channel >= static_cast<int>(labels.size())) return false;
    const std::string& label = labels[static_cast<size_t>(fault.channel)];
    if (label == f.label) return true;
    return IsPairCheck(f.kind) && label == f.other;
}

double Overlap(double a0, double a1, double b0, double b1) { return std::max(0.0, std::min(a1, b1) - std::max(a0, b0)); }

}  // namespace

CheckKind CheckKindOf(TaffGenFaultKind kind) {
    for (int k = 0; k < static_cast<int>(CheckKind::Count); ++k)
        if (std::strcmp(CheckKindName(static_cast<CheckKind>(k)), TaffGenFaultName(kind)) == 0)
            return static_cast<CheckKind>(k);
    return CheckKind::Count;
}

bool CheckRecording(const std::string& header, const MontagePattern& pattern, const CheckRuleSet& rules,
                    NightCheckResult* out, std::string* error) {
    static bool started = false;
    if (!started) TaffStartup();
    started = true;
    SourceInfo source{};
    MontagePattern opened = pattern;
    if (!OpenSourceRecording(source, opened, header.c_str())) return Fail(error, "cannot open " + header);
    TaffHandle reader = TaffOpen(header.c_str(), 0);
    if (reader == nullptr) {
        CloseSource(source);
        return Fail(error, "cannot open a reader on " + header);
    }
    const bool complete = CheckNight(reader, source, pattern, rules, CheckControl{}, out);
    TaffClose(reader);
    CloseSource(source);
    return complete || Fail(error, "the check could not read " + header + " to its end");
}

bool CheckGeneratedNight(const TaffGenOptions& options, const std::string& header, const CheckRuleSet& rules,
                         NightCheckResult* out, std::string* error) {
    if (!WriteTaffRecording(options, header, error)) return false;
    MontagePattern pattern;
    TaffGenMontage(options, &pattern);
    return CheckRecording(header, pattern, rules, out, error);
}

double FaultCoverage(const TaffGenFault& fault, int rate, const std::vector<std::string>& labels,
                     const NightCheckResult& result) {
    const double start = static_cast<double>(TaffGenFaultFirstScan(fault, rate)) / rate;
    const double end = static_cast<double>(TaffGenFaultEndScan(fault, rate)) / rate;
    const CheckKind kind = CheckKindOf(fault.kind);
    // Findings of one kind on one channel do not overlap one another, but a
    // pair's findings may come on either channel: merge before summing.
    std::vector<std::pair<double, double>> spans;
    for (const CheckFinding& f : result.findings)
        if (f.kind == kind && OnChannel(f, fault, labels) && Overlap(f.startSeconds, f.endSeconds, start, end) > 0)
            spans.emplace_back(std::max(start, f.startSeconds), std::min(end, f.endSeconds));
    std::sort(spans.begin(), spans.end());
    double covered = 0, reach = start;
    for (const auto& s : spans) {
        const double from = std::max(reach, s.first);
        if (s.second > from) covered += s.second - from;
        reach = std::max(reach, s.second);
    }
    return end > start ? covered / (end - start) : 0.0;
}

FaultMatch MatchFault(const TaffGenFault& fault, int rate, const std::vector<std::string>& labels,
                      const NightCheckResult& result) {
    FaultMatch m;
    m.truthStart = static_cast<double>(TaffGenFaultFirstScan(fault, rate)) / rate;
    m.truthEnd = static_cast<double>(TaffGenFaultEndScan(fault, rate)) / rate;
    m.coverage = FaultCoverage(fault, rate, labels, result);
    const CheckKind kind = CheckKindOf(fault.kind);
    for (const CheckFinding& f : result.findings) {
        if (f.kind != kind || !OnChannel(f, fault, labels) || Overlap(f.startSeconds, f.endSeconds, m.truthStart, m.truthEnd) <= 0)
            continue;
        m.start = m.any ? std::min(m.start, f.startSeconds) : f.startSeconds;
        m.end = m.any ? std::max(m.end, f.endSeconds) : f.endSeconds;
        m.any = true;
    }
    return m;
}

bool FoundExactly(const FaultMatch& m) {
    return m.any && m.coverage >= kExactCoverage && std::fabs(m.start - m.truthStart) <= kExactEndSeconds &&
           std::fabs(m.end - m.truthEnd) <= kExactEndSeconds;
}

bool FaultFound(const TaffGenFault& fault, int rate, const std::vector<std::string>& labels,
                const NightCheckResult& result) {
    return FaultCoverage(fault, rate, labels, result) >= 0.5;
}

std::vector<CheckFinding> UnexplainedFindings(const std::vector<TaffGenFault>& faults, int rate,
                                              const std::vector<std::string>& labels, const NightCheckResult& result,
                                              CheckLevel level) {
    std::vector<CheckFinding> out;
    for (const CheckFinding& f : result.findings) {
        if (static_cast<int>(f.level) < static_cast<int>(level)) continue;
        bool explained = false;
        for (const TaffGenFault& fault : faults) {
            const double start = static_cast<double>(TaffGenFaultFirstScan(fault, rate)) / rate;
            const double end = static_cast<double>(TaffGenFaultEndScan(fault, rate)) / rate;
            if (CheckKindOf(fault.kind) == f.kind && OnChannel(f, fault, labels) &&
                Overlap(f.startSeconds, f.endSeconds, start, end) > 0)
                explained = true;
        }
        if (!explained) out.push_back(f);
    }
    return out;
}

bool OnFaultedStretch(const CheckFinding& x, const std::vector<TaffGenFault>& faults, int rate,
                      const std::vector<std::string>& labels) {
    for (const TaffGenFault& f : faults) {
        const double start = static_cast<double>(TaffGenFaultFirstScan(f, rate)) / rate;
        const double end = static_cast<double>(TaffGenFaultEndScan(f, rate)) / rate;
        std::vector<std::string> channels = {labels[static_cast<size_t>(f.channel)]};
        if (f.kind == TaffGenFaultKind::Duplicate) channels.push_back(labels[static_cast<size_t>(f.value) - 1]);
        bool onChannel = false;
        for (const std::string& label : channels) onChannel = onChannel || label == x.label || label == x.other;
        if (onChannel && x.startSeconds < end && x.endSeconds > start) return true;
    }
    return false;
}

bool ReadGroundTruth(const std::string& text, const std::vector<std::string>& labels, std::vector<TaffGenFault>* out) {
    size_t at = 0;
    while ((at = text.find("{\"check\": \"", at)) != std::string::npos) {
        char check[32] = "";
        int channel = 0;
        double start = 0, end = 0, value = 0;
        if (std::sscanf(text.c_str() + at, "{\"check\": \"%31[^\"]\", \"channel\": %d, \"label\": \"%*[^\"]\", "
                                           "\"start_s\": %lf, \"end_s\": %lf, \"value\": %lf",
                        check, &channel, &start, &end, &value) != 5)
            return false;
        const std::string numbered = std::string(check) + ":" + std::to_string(channel) + ":1:1";
        TaffGenFault f;
        if (!ParseTaffGenFault(numbered, labels, &f, nullptr)) return false;
        f.startSeconds = start;
        f.lengthSeconds = end - start;
        f.value = value;
        const size_t mains = text.find("\"mains_hz\": ", at);
        const size_t close = text.find('}', at);
        if (mains != std::string::npos && mains < close) f.mains = std::atoi(text.c_str() + mains + 12);
        out->push_back(f);
        ++at;
    }
    return true;
}
