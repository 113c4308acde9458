// The manifest of a batch: one JSON line per recording appended to a file
// (--manifest), the record of what is done that reruns and cluster tasks
// share. Each line holds the input, the output, the result and its reason,
// channels, records, bytes, the SHA-256 of the recording's data file and of
// the output, the converter's version and a hash of the montage and patient
// settings used. A line is appended with one write under a lock on the
// file, so lines of several processes (parallel runs, cluster tasks on a
// shared file system) never interleave.
#pragma once

#include <string>

#include "batch/batch_job.h"

// What every line of one run shares.
struct ManifestRun {
    std::string settingsHash;   // of the montage and patient settings of the run
};

// The hash of what decides the montage and the patient of a run's outputs:
// the settings file's and patient file's bytes, the pattern, frame time,
// channel choice, comment and start. A NAME.INF beside a recording is
// hashed into that recording's line (see ManifestLine).
std::string SettingsHash(const BatchOptions& options);

// The data file beside `header` (the file of its stem that is neither the
// header nor a .INF); "" when there is none.
std::string DataFileOf(const std::string& header);

// One line (ending in "\n") for `result`, whose result is "converted",
// "skipped", "checked" (--check-only), "failed" or "interrupted"
// (ResultWord), with a "check" object when the night was checked. Hashes
// the files.
std::string ManifestLine(const ManifestRun& run, const JobResult& result);

// The result word of a manifest line.
const char* ResultWord(const JobResult& result);

// Appends `line` to the manifest at `path` (created when missing) with one
// write under a lock. 0 or errno.
int AppendManifestLine(const std::string& path, const std::string& line);

// `text` as a JSON string (quotes included); bytes that are not UTF-8 are
// taken as Shift-JIS.
std::string JsonString(const std::string& text);
