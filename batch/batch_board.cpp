// Progress and summary of a batch; see batch_board.h.
#include "batch/batch_board.h"

#include <algorithm>

#include "engine/source_fields.h"
#include "filekit/filekit.h"

namespace {

const int kBarWidth = 30;

std::string Bar(double fraction) {
    fraction = std::min(1.0, std::max(0.0, fraction));
    const int full = int(fraction * kBarWidth + 0.5);
    return "[" + std::string(size_t(full), '#') + std::string(size_t(kBarWidth - full), '.') + "]";
}

double Fraction(const JobProgress& p) {
    const int32_t total = p.total.load();
    return total > 0 ? double(p.done.load()) / total : 0.0;
}

std::string Shortened(const std::string& name, size_t width) {
    return name.size() <= width ? name : "..." + name.substr(name.size() - (width - 3));
}

std::string LengthText(const JobResult& r) {
    char text[32] = "-";
    if (r.rate > 0) FormatTotalTime(text, sizeof text, int32_t(r.lengthSamples), r.rate);
    return text;
}

}  // namespace

BatchBoard::BatchBoard(size_t count, bool terminal, bool quiet, FILE* err)
    : progress_(count), active_(count), terminal_(terminal && !quiet), quiet_(quiet), err_(err) {}

void BatchBoard::Begin(size_t index, const std::string& header) {
    std::lock_guard<std::mutex> lock(mutex_);
    active_[index] = header;
}

void BatchBoard::End(size_t index, const JobResult& r) {
    std::lock_guard<std::mutex> lock(mutex_);
    active_[index].clear();
    ++finished_;
    ClearBars();
    const bool failed = !r.Succeeded();
    if (failed) fprintf(err_, "taff2psg: %s: %s\n", r.header.c_str(), r.reason.c_str());
    else if (!quiet_ && r.checkOnly)
        fprintf(err_, "[%zu/%zu] %s -> %s%s\n", finished_, progress_.size(), r.header.c_str(), r.checkJson.c_str(),
                JobNotes(r).c_str());
    else if (!quiet_)
        fprintf(err_, "[%zu/%zu] %s -> %s (%.1f MB)%s\n", finished_, progress_.size(), r.header.c_str(),
                r.output.c_str(), r.bytes > 0 ? r.bytes / 1e6 : 0.0, JobNotes(r).c_str());
    DrawBars();
    fflush(err_);
}

void BatchBoard::Draw() {
    if (!terminal_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    ClearBars();
    DrawBars();
    fflush(err_);
}

void BatchBoard::Finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    ClearBars();
    fflush(err_);
}

void BatchBoard::ClearBars() {
    if (!terminal_) return;
    if (!TerminalRedrawsLines()) {
        if (drawnLines_ > 0) fprintf(err_, "\r%*s\r", 79, "");
    } else {
        for (int i = 0; i < drawnLines_; ++i) fputs("\x1b[1A\x1b[2K", err_);
    }
    drawnLines_ = 0;
}

void BatchBoard::DrawBars() {
    if (!terminal_) return;
    double sum = double(finished_);
    int lines = 0;
    for (size_t i = 0; i < active_.size(); ++i) {
        if (active_[i].empty()) continue;
        sum += Fraction(progress_[i]);
        if (!TerminalRedrawsLines()) continue;
        fprintf(err_, "  %-32s %s %3d%%\n", Shortened(active_[i], 32).c_str(), Bar(Fraction(progress_[i])).c_str(),
                int(Fraction(progress_[i]) * 100));
        ++lines;
    }
    const double whole = progress_.empty() ? 1.0 : sum / double(progress_.size());
    if (!TerminalRedrawsLines()) {
        fprintf(err_, "batch %s %3d%%  %zu/%zu", Bar(whole).c_str(), int(whole * 100), finished_, progress_.size());
        lines = 1;
    } else {
        fprintf(err_, "batch %s %3d%%  %zu/%zu recordings\n", Bar(whole).c_str(), int(whole * 100), finished_,
                progress_.size());
        ++lines;
    }
    drawnLines_ = lines;
}

std::string JobNotes(const JobResult& r) {
    std::string notes;
    if (r.checked) notes += "; " + CheckText(r);
    if (!r.reason.empty()) notes += "; " + r.reason;
    if (!r.leftOut.empty()) notes += "; channels left out: " + r.leftOut;
    return notes.empty() ? notes : " (" + notes.substr(2) + ")";
}

std::string CheckText(const JobResult& r) {
    if (!r.checked) return "";
    if (r.checkVerdict.empty()) return "night would be checked";
    return "night " + r.checkVerdict + " (" + std::to_string(r.checkFindings[2]) + " fail, " +
           std::to_string(r.checkFindings[1]) + " warn)";
}

std::string ResultText(const JobResult& r, bool dryRun) {
    if (r.skipped) {
        std::string text = "skipped: already done";
        if (r.checkRemade) text += ", check made again";
        if (r.checked) text += "; " + CheckText(r);
        return text;
    }
    if (r.checkOnly && r.checked) return dryRun ? "would check" : "checked: " + CheckText(r);
    if (r.converted) {
        std::string text = dryRun ? "would write" : "converted";
        if (!dryRun && !r.reason.empty()) text += ": " + r.reason;
        if (r.checked) text += "; " + CheckText(r);
        if (!r.leftOut.empty()) text += "; channels left out: " + r.leftOut;
        return text;
    }
    if (r.interrupted) return "interrupted";
    return "FAILED: " + r.reason;
}

void PrintSummary(FILE* out, const std::vector<JobResult>& results, bool dryRun) {
    size_t width = 9;
    for (const JobResult& r : results) width = std::max(width, std::min<size_t>(r.header.size(), 40));
    fprintf(out, "\n%-*s %8s %6s %9s %8s %9s  %s\n", int(width), "recording", "channels", "rate", "length", "records",
            "MB", "result");
    int converted = 0;
    int verdicts[3] = {0, 0, 0};
    for (const JobResult& r : results) {
        char mb[16] = "-";
        if (r.bytes >= 0) snprintf(mb, sizeof mb, "%.1f", r.bytes / 1e6);
        fprintf(out, "%-*s %8d %6d %9s %8d %9s  %s\n", int(width), Shortened(r.header, 40).c_str(), r.channels, r.rate,
                LengthText(r).c_str(), r.records, mb, ResultText(r, dryRun).c_str());
        if (r.Succeeded()) ++converted;
        if (r.checked && !r.checkVerdict.empty()) ++verdicts[r.checkVerdict == "fail" ? 2 : r.checkVerdict == "warn" ? 1 : 0];
    }
    const bool checkOnly = !results.empty() && results[0].checkOnly;
    fprintf(out, "%d of %zu recording(s) %s\n", converted, results.size(),
            checkOnly ? (dryRun ? "would be checked" : "checked") : dryRun ? "would be written" : "converted");
    if (verdicts[0] + verdicts[1] + verdicts[2] > 0)
        fprintf(out, "nights checked: %d pass, %d warn, %d fail\n", verdicts[0], verdicts[1], verdicts[2]);
    fflush(out);
}
