// One recording of a batch converted to its PSG file through the engine's
// run functions, as the window program converts: the recording opened by
// the program's open code, the output checked (CheckOutputPath and the file
// identity of the recording's files), the header written by StartRun, the
// blocks by StepRun, the run ended by EndRun. The file is written under a
// temporary name in the output folder and moved to its name only when it is
// complete; on any failure or stop the temporary file is removed.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "batch/batch_setup.h"
#include "engine/conversion_run.h"
#include "engine/night_check.h"
#include "engine/recorder_identity.h"

// Progress of a job, read by the progress display from another thread.
struct JobProgress {
    std::atomic<int32_t> done{0};
    std::atomic<int32_t> total{0};
};

struct JobResult {
    std::string header, output;
    int channels = 0;           // channels written (switched on in the montage)
    int rate = 0;               // Hz of the recording
    int64_t lengthSamples = 0;
    double seconds = -1;        // length of the night (of the output's records when only it was read); -1 unknown
    int records = 0;            // data records of the PSG file
    int64_t bytes = -1;         // size of the output written
    bool converted = false;     // the output is in place and complete
    bool interrupted = false;   // stopped by the operator
    bool skipped = false;       // --skip-existing: a whole output was there (counted as converted)
    bool claimedElsewhere = false;  // another run holds the output's claim: no manifest line of ours
    std::string reason;         // why it failed, or a note on a converted one
    std::string leftOut;        // the recording's channels the montage leaves out ("15 EMG2, 16 CH16")
    std::string shortNote;      // a data file shorter than its header: both lengths
    // The night check (--check, --check-only).
    bool checkOnly = false;     // --check-only: the night is checked, nothing converted
    bool checked = false;       // the check ran to the end and its files are in place
    std::string checkVerdict;   // "pass", "warn" or "fail"
    std::string checkRule;      // the rule set's text
    int checkFindings[3] = {0, 0, 0};  // findings at info, warn, fail
    std::string checkJson, checkReport; // the files written (or found in place, belonging to the output)
    bool checkRemade = false;   // a done output's missing or stale check made again from the recording
    std::string outputSha256;   // of the output when it was read for its check or hashed as written ("": not read)
    std::string dataSha256;     // of the recording's data file, hashed as the run read it ("": not hashed)
    int64_t dataBytes = -1;     // the data file's size and time when that hash began
    std::string dataModified;
    // The night's identity as the output carries it (NightIdentity).
    std::string patientId;      // patient ID, or the study code of a de-identified copy (Shift-JIS)
    int32_t start[6] = {0, 0, 0, 0, 0, 0};
    RecorderIdentity recorder;
    // The job did what was asked: converted, or with --check-only checked.
    bool Succeeded() const { return converted || (checkOnly && checked); }
};

// The manifest's last line of each recording (manifest.h).
struct KnownFiles;
typedef std::map<std::string, KnownFiles> KnownHashes;

// What every job shares: the setup, the options and the stop request.
struct JobContext {
    const BatchSetup& setup;
    const BatchOptions& options;
    const std::atomic<bool>& stop;
    std::string settingsHash;   // of the run (SettingsHash); "" computes it
    const KnownHashes* known = nullptr;     // hashes of files unchanged since the manifest's lines
    // The threads each night's check measures on (0: the machine's cores):
    // the cores shared among the nights converted at once.
    int32_t checkThreads = 0;
};

// The records of one job, as the program's working record holds them.
struct JobRecords {
    AppSettings settings{};
    SourceInfo source{};
    MontagePattern pattern{};
    PatientInfo patient{};
    ConversionFields conv{};
    bool replacesFound = false;     // the output found in place is damaged: the new one replaces it
    bool remakeCheck = false;       // the output in place is done; only its check is made again
    std::string checkWhy;           // why that check is made again
    RunRecords Run() { return RunRecords{settings, source, pattern, patient, conv}; }
};

// Checks the output and opens the recording into `r` with the batch's
// montage, patient, start and comment. False with result.reason when the
// recording cannot be converted; result's recording columns are filled.
// With --skip-existing an output in place counts as done (false, skipped)
// when it is whole, was made with this run's settings and (--verify) reads
// back equal to its recording; a damaged one is converted again and
// replaced; one made with other settings fails unless --overwrite.
bool OpenJob(const JobContext& ctx, const std::string& headerPath, const std::string& outputPath, JobRecords& r,
             JobResult& result);

// Converts the opened recording into its output (see the file comment),
// counting progress. Fills result.converted, records, bytes and reason.
void RunJob(const JobContext& ctx, JobRecords& r, JobProgress& progress, JobResult& result);

// --check-only: checks the opened recording's night through its own
// reader and writes the check files where the output would go. Fills
// result.checked and the check fields, or result.reason.
void CheckJob(const JobContext& ctx, JobRecords& r, JobProgress& progress, JobResult& result);

// Places the check of `result.output` beside it: the report NAME.check.html,
// then NAME.check.json naming the report's hash and (unless --check-only)
// the output's size and hash and `settingsHash`, each written under a
// temporary name and moved over an earlier check of the same output. Fills
// the check fields of `result`; false with result.reason when a file
// cannot be written.
bool PlaceCheckFiles(const JobContext& ctx, const JobRecords& r, const NightCheckResult& check,
                     const std::string& settingsHash, JobResult& result);

// Closes the recording of `r`.
void CloseJob(JobRecords& r);

// OpenJob, RunJob (unless options.dryRun) and CloseJob, the output claimed
// (ClaimOutput) for the whole job: an output another run has claimed is
// left to it.
JobResult ConvertRecording(const JobContext& ctx, const std::string& headerPath, const std::string& outputPath,
                           JobProgress& progress);
