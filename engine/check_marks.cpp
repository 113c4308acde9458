// The night check's findings as the preview shows them; see check_marks.h.
#include "engine/check_marks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

bool Finite(const CheckFinding& f) { return std::isfinite(f.startSeconds) && std::isfinite(f.endSeconds); }

// The finding's end, never before its start.
double EndOf(const CheckFinding& f) { return std::max(f.startSeconds, f.endSeconds); }

}  // namespace

bool FindingOverlaps(const CheckFinding& f, double from, double to) {
    if (!Finite(f) || !(to > from)) return false;
    if (EndOf(f) == f.startSeconds) return f.startSeconds >= from && f.startSeconds < to;
    return f.startSeconds < to && EndOf(f) > from;
}

bool FindingColumns(const CheckFinding& f, double from, double seconds, int width, int* left, int* right) {
    if (width <= 0 || !(seconds > 0) || !FindingOverlaps(f, from, from + seconds)) return false;
    const double perSecond = width / seconds;
    const double l = std::floor((f.startSeconds - from) * perSecond);
    const double r = std::ceil((EndOf(f) - from) * perSecond);
    *left = static_cast<int>(std::max(0.0, std::min(l, double(width - 1))));
    *right = static_cast<int>(std::max(double(*left + 1), std::min(r, double(width))));
    return true;
}

void FindingNames(const std::vector<CheckFinding>& findings, int trace, double from, double to, char* out,
                  size_t size, const std::function<std::string(CheckKind)>& nameOf) {
    if (size == 0) return;
    out[0] = '\0';
    bool named[int(CheckKind::Count)] = {};
    size_t used = 0;
    for (const CheckFinding& f : findings) {
        if (f.trace != trace || !FindingOverlaps(f, from, to)) continue;
        const int kind = int(f.kind);
        if (kind < 0 || kind >= int(CheckKind::Count) || named[kind]) continue;
        named[kind] = true;
        const std::string text = nameOf ? nameOf(f.kind) : std::string(CheckKindName(f.kind));
        const char* name = text.c_str();
        const char* separator = used ? ", " : "";
        const size_t need = strlen(separator) + strlen(name);
        if (used + need >= size) break;   // a name is shown whole or not at all
        memcpy(out + used, separator, strlen(separator));
        memcpy(out + used + strlen(separator), name, strlen(name));
        used += need;
        out[used] = '\0';
    }
}

void FitWholeNames(const char* names, int width, const std::function<int(const char*)>& widthOf, char* out,
                   size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    std::vector<std::string> list;
    for (const char* at = names; *at;) {
        const char* end = strstr(at, ", ");
        const size_t length = end ? size_t(end - at) : strlen(at);
        list.emplace_back(at, length);
        at += end ? length + 2 : length;
    }
    for (size_t shown = list.size() + 1; shown-- > 0;) {
        std::string text;
        for (size_t i = 0; i < shown; ++i) text += (i ? ", " : "") + list[i];
        if (shown < list.size()) text += (shown ? " +" : "+") + std::to_string(list.size() - shown);
        if (text.size() < size && widthOf(text.c_str()) <= width) {
            memcpy(out, text.c_str(), text.size() + 1);
            return;
        }
    }
}

int FindingAt(const std::vector<CheckFinding>& findings, int trace, double at) {
    int best = -1;
    for (size_t i = 0; i < findings.size(); ++i) {
        const CheckFinding& f = findings[i];
        if (f.trace != trace || !Finite(f)) continue;
        const bool covers = EndOf(f) == f.startSeconds ? at >= f.startSeconds && at < f.startSeconds + 1
                                                       : at >= f.startSeconds && at < EndOf(f);
        if (covers && (best < 0 || int(f.level) > int(findings[size_t(best)].level))) best = int(i);
    }
    return best;
}

int64_t EpochHolding(double at, int32_t epochSeconds) {
    if (epochSeconds <= 0 || !(at > 0)) return 0;
    const double epoch = std::floor(at / epochSeconds);
    return epoch >= 9.0e18 ? INT64_MAX : static_cast<int64_t>(epoch);
}

int StepFinding(const std::vector<CheckFinding>& findings, double epochStart, int32_t epochSeconds, int trace,
                int traceCount, bool forward) {
    const double after = epochStart + std::max(epochSeconds, 1);
    int best = -1;
    for (size_t i = 0; i < findings.size(); ++i) {
        const CheckFinding& f = findings[i];
        if (!Finite(f) || f.trace < 0 || f.trace >= traceCount) continue;
        if (trace >= 0 && f.trace != trace) continue;
        if (forward ? f.startSeconds < after : f.startSeconds >= epochStart) continue;
        if (best >= 0) {
            const CheckFinding& b = findings[size_t(best)];
            const bool better = forward ? f.startSeconds < b.startSeconds : f.startSeconds > b.startSeconds;
            if (!better && !(f.startSeconds == b.startSeconds && f.trace < b.trace)) continue;
        }
        best = int(i);
    }
    return best;
}
