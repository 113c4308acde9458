// The manifest of a batch: one JSON line per recording appended to a file
// (--manifest), the record of what is done that reruns and cluster tasks
// share. Each line holds the input, the output, the result and its reason,
// channels, records, bytes, the SHA-256 of the recording's data file and of
// the output, the converter's version and a hash of the montage and patient
// settings used. A line is appended with one write under a lock on the
// file, so lines of several processes (parallel runs, cluster tasks on a
// shared file system) never interleave.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "batch/batch_job.h"

// What the manifest's last line of a recording says of its files: their
// hashes with the size and modification time each had when hashed. A
// rerun takes a hash from it, instead of reading the file again, while the
// file still has that size and time.
struct KnownFiles {
    std::string output;                     // UTF-8, as the line names it
    std::string dataSha256, outputSha256;   // "" when the line has none
    int64_t dataBytes = -1, outputBytes = -1;
    std::string dataModified, outputModified;  // ModifiedText; "" in lines of older versions
};
// KnownHashes (batch_job.h) holds them by the recording's header as the
// lines name it (UTF-8).

// What every line of one run shares.
struct ManifestRun {
    std::string settingsHash;   // of the montage and patient settings of the run
    KnownHashes known;          // the manifest's lines before the run (ReadKnownHashes)
};

// The last line of each of `headers` in the manifest at `path` (damaged
// lines left out; the other recordings' lines only looked at, so a task
// of one recording reads a long shared manifest quickly); empty when there
// is none.
KnownHashes ReadKnownHashes(const std::string& path, const std::vector<std::string>& headers);

// The file's modification time as the manifest records it: UTC to the
// nanosecond, "2024-03-14T22:15:04.123456789Z"; "" when it cannot be asked.
std::string ModifiedText(const std::string& path);

// The hash `known` holds for the data file of `header`, or for `output`,
// when the file still has the size and modification time recorded with
// it; "" otherwise (the file is hashed again).
std::string KnownDataHash(const KnownHashes& known, const std::string& header);
std::string KnownOutputHash(const KnownHashes& known, const std::string& header, const std::string& output);

// The hash of what decides the montage and the patient of a run's outputs:
// the settings file's and patient file's bytes, the pattern, frame time,
// channel choice, comment and start. A NAME.INF beside a recording is
// hashed into that recording's line (see ManifestLine).
std::string SettingsHash(const BatchOptions& options);

// The data file of `header`, found as the reader finds it (the stem with
// ".dat" in any case, the exact spellings first); "" when there is none.
std::string DataFileOf(const std::string& header);

// The settings hash of one recording's output: the run's, with the
// recording's own patient file (NAME.INF) when it has one. Written into
// each output's provenance and into its manifest line.
std::string RecordingSettingsHash(const std::string& runHash, const std::string& header);

// One line (ending in "\n") for `result`, whose result is "converted",
// "skipped", "checked" (--check-only), "failed" or "interrupted"
// (ResultWord), with a "check" object when the night was checked. The
// files' hashes are those the run made while it read and wrote them, those
// of the manifest's last line for files unchanged since (run.known), or
// made here; each file's size and modification time go with them.
std::string ManifestLine(const ManifestRun& run, const JobResult& result);

// The result word of a manifest line.
const char* ResultWord(const JobResult& result);

// `text` as a JSON string (quotes included); bytes that are not UTF-8 are
// taken as Shift-JIS.
std::string JsonString(const std::string& text);
