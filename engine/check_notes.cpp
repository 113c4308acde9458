// The night check's findings as annotations; see check_notes.h.
#include "engine/check_notes.h"

#include <algorithm>

#include "textkit/sjis_text.h"

namespace {

// "Check: <label> <check>"; a channel without a label gives "Check: <check>".
std::string NoteText(const CheckFinding& f) {
    std::string label = FieldString(f.label);
    while (!label.empty() && label.back() == ' ') label.pop_back();
    const std::string check = CheckKindName(f.kind);
    return label.empty() ? "Check: " + check : "Check: " + label + " " + check;
}

void AddLevel(const NightCheckResult& result, double end, CheckLevel level, std::vector<CheckNote>& out) {
    for (const CheckFinding& f : result.findings) {
        if (f.level != level) continue;
        const double start = std::max(0.0, f.startSeconds), stop = std::min(end, f.endSeconds);
        // Not-a-number bounds fail the comparison and leave the finding out.
        if (!(start < stop)) continue;
        out.push_back({start, stop - start, NoteText(f)});
    }
}

}  // namespace

std::vector<CheckNote> CheckNotesOf(const NightCheckResult& result, double recordingSeconds) {
    std::vector<CheckNote> notes;
    AddLevel(result, recordingSeconds, CheckLevel::Fail, notes);
    AddLevel(result, recordingSeconds, CheckLevel::Warn, notes);
    return notes;
}

int32_t AddCheckNotes(RecHandle h, const std::vector<CheckNote>& notes) {
    int32_t refused = 0;
    for (const CheckNote& n : notes)
        if (!RecAddAnnotation(h, n.onsetSeconds, n.durationSeconds, n.text.c_str())) ++refused;
    return refused;
}
