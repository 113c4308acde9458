#include "engine/check_follow.h"

#include <algorithm>
#include <cstring>

#include "textkit/sjis_text.h"

namespace {

// The written values of a channel that change what its samples are.
bool SameWrittenValues(const ChannelSetting& a, const ChannelSetting& b) {
    return a.signalType == b.signalType && a.rateDivisor == b.rateDivisor && a.calEU == b.calEU &&
           a.calVU == b.calVU && a.offsetAD == b.offsetAD && a.offsetCAL == b.offsetCAL &&
           a.sensitivity == b.sensitivity && a.lowFilter == b.lowFilter && a.timeConstant == b.timeConstant &&
           a.highFilter == b.highFilter;
}

// The place of source channel `source` among the traces of `plan`; -1 when
// it is not written.
int32_t PlaceOf(const TracePlan& plan, int32_t source) {
    for (int32_t t = 0; t < plan.count; ++t)
        if (plan.traces[t].source == source) return t;
    return -1;
}


}  // namespace

uint32_t TouchedTraces(const TracePlan& before, const MontagePattern& beforePattern, const TracePlan& after,
                       const MontagePattern& afterPattern) {
    uint32_t mask = 0;
    for (int32_t t = 0; t < after.count && t < kChannelEntries; ++t) {
        const int32_t source = after.traces[t].source;
        if (PlaceOf(before, source) < 0 ||
            !SameWrittenValues(beforePattern.channels[source], afterPattern.channels[source]))
            mask |= 1u << t;
    }
    return mask;
}

NightCheckResult MergeRecheck(const NightCheckResult& kept, const TracePlan& before, const NightCheckResult& fresh,
                              const TracePlan& after, uint32_t mask, const CheckRuleSet& rules) {
    NightCheckResult out = fresh;
    out.findings.clear();
    out.channels.clear();
    // Where each trace of `before` went: its source channel's place now.
    auto moved = [&](int32_t trace) -> int32_t {
        if (trace < 0 || trace >= before.count) return -1;
        const int32_t now = PlaceOf(after, before.traces[trace].source);
        return now >= 0 && !((mask >> now) & 1u) ? now : -1;
    };
    // A kept summary or finding moved to its trace's place and label; false
    // when its trace is not kept.
    auto carried = [&](auto& item) {
        const int32_t now = moved(item.trace);
        if (now < 0) return false;
        item.trace = now;
        CopyText(item.label, kLabelSize, after.traces[now].label);
        return true;
    };
    for (ChannelSummary c : kept.channels)
        if (carried(c)) out.channels.push_back(c);
    for (CheckFinding g : kept.findings) {
        if (!carried(g)) continue;
        // The other channel of a pair keeps its name only while it is written.
        if (g.other[0]) {
            const std::string other = g.other;
            bool written = false;
            for (int32_t b = 0; b < before.count; ++b)
                if (other == before.traces[b].label) {
                    const int32_t o = PlaceOf(after, before.traces[b].source);
                    if (o < 0) continue;
                    CopyText(g.other, kLabelSize, after.traces[o].label);
                    written = true;
                }
            if (!written) continue;
        }
        out.findings.push_back(g);
    }
    auto checkedAgain = [mask](int32_t trace) { return trace >= 0 && trace < 32 && ((mask >> trace) & 1u); };
    for (const ChannelSummary& ch : fresh.channels)
        if (checkedAgain(ch.trace)) out.channels.push_back(ch);
    for (const CheckFinding& f : fresh.findings)
        if (checkedAgain(f.trace)) out.findings.push_back(f);
    std::stable_sort(out.channels.begin(), out.channels.end(),
                     [](const ChannelSummary& a, const ChannelSummary& b) { return a.trace < b.trace; });
    std::stable_sort(out.findings.begin(), out.findings.end(), [](const CheckFinding& a, const CheckFinding& b) {
        return a.startSeconds != b.startSeconds ? a.startSeconds < b.startSeconds : a.trace < b.trace;
    });
    out.hours = std::max(kept.hours, fresh.hours);
    JudgeNight(rules, &out);
    return out;
}

std::string FailingChannels(const NightCheckResult& result) {
    std::string names;
    for (const ChannelSummary& ch : result.channels) {
        if (ch.verdict != CheckVerdict::Fail) continue;
        if (!names.empty()) names += ", ";
        names += ch.label;
    }
    return names;
}

uint64_t NightKey(const char* recordingPath, const MontagePattern& pattern) {
    // FNV-1a over the path and the pattern's bytes.
    uint64_t h = 14695981039346656037ull;
    auto add = [&h](const void* data, size_t size) {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
    };
    add(recordingPath, strlen(recordingPath));
    add(&pattern, sizeof pattern);
    return h;
}
