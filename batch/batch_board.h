// What the operator sees of a batch: on a terminal, a progress bar for each
// recording being converted and one for the whole batch, redrawn in place;
// elsewhere one plain line per finished recording; failures always, on the
// error stream, each naming the recording and the reason; and at the end a
// summary table (recording, channels, rate, length, records, MB, result).
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "batch/batch_job.h"

class BatchBoard {
public:
    // `count` recordings; `terminal`: redraw bars in place on `err`;
    // `quiet`: failures only.
    BatchBoard(size_t count, bool terminal, bool quiet, FILE* err);

    JobProgress& Progress(size_t index) { return progress_[index]; }
    void Begin(size_t index, const std::string& header);
    void End(size_t index, const JobResult& result);
    // Redraws the bars (terminal only); called a few times a second.
    void Draw();
    // Clears the bars before the summary.
    void Finish();

private:
    void ClearBars();
    void DrawBars();
    std::mutex mutex_;
    std::vector<JobProgress> progress_;
    std::vector<std::string> active_;     // header per index while converting
    size_t finished_ = 0;
    int drawnLines_ = 0;
    bool terminal_, quiet_;
    FILE* err_;
};

// What the per-recording line adds to a converted job: " (<note>; channels
// left out: 15 EMG2)", or nothing.
std::string JobNotes(const JobResult& result);

// The result column of a job: "converted", "would write" (dry run) or
// "FAILED: <reason>" / "interrupted".
std::string ResultText(const JobResult& result, bool dryRun);

// The night check's part of a recording's line: "night warn (0 fail, 2 warn)";
// "" when the night was not checked.
std::string CheckText(const JobResult& result);

// The summary table of all results on `out`, with a closing count line.
void PrintSummary(FILE* out, const std::vector<JobResult>& results, bool dryRun);
