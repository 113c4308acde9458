// The night check's findings as annotations of the PSG file: every warn and
// fail finding becomes one annotation over its stretch, "Check: <label>
// <check>" ("Check: C3-A2 flat"), so scoring software shows where a channel
// is not to be trusted. Portable: plain data in, the writer's calls out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/night_check.h"
#include "recfile/recfile.h"

// One annotation: onset and duration in seconds from the recording's start,
// the text in the program's Shift-JIS (labels are kept as written).
struct CheckNote {
    double onsetSeconds;
    double durationSeconds;
    std::string text;
};

// The warn and fail findings of `result` (info findings are left out), each
// cut to the recording's [0, recordingSeconds]; a finding with nothing left
// inside is left out. Fail findings come first, then warn findings, each in
// the result's order (by start, then channel): should the file lack room for
// all of them, the writer leaves out the last ones, the warnings.
std::vector<CheckNote> CheckNotesOf(const NightCheckResult& result, double recordingSeconds);

// Hands `notes` to the writer (RecAddAnnotation: after RecEndHeader, before
// RecWriteChannels). Returns how many it refused.
int32_t AddCheckNotes(RecHandle h, const std::vector<CheckNote>& notes);
