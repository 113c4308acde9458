// The parts of a batch run that make it safe over a whole archive, called
// by taff2psg's main: the output of each recording (its folder mirrored,
// two recordings meeting at one output refused), unfinished outputs of
// killed runs reported or removed, and the manifest lines.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "batch/batch_job.h"
#include "batch/manifest.h"

// The output path of every header (`roots` from CollectRecordings); the
// same header named twice is converted once (dropped from `headers`).
// Every two recordings that would share one output (their names differing
// only in letter case, or of one name in different folders) are named on
// standard error, dropped, and added to `problems` (failed, with a manifest
// line each); the others are converted.
void PlanOutputs(const BatchOptions& options, std::vector<std::string>& headers, std::vector<std::string>& roots,
                 std::vector<std::string>& outputs, std::vector<InputProblem>& problems);

// --clean: removes the unfinished outputs under --out and says how many.
void CleanParts(const BatchOptions& options);

// Names on standard error the unfinished outputs of earlier runs in the
// folders `outputs` are written to (and --out).
void ReportStaleParts(const BatchOptions& options, const std::vector<std::string>& outputs);

// Appends the line of `result` to the manifest (--manifest); a failure is
// named on standard error and sets `failed`.
void RecordInManifest(const BatchOptions& options, const ManifestRun& run, const JobResult& result,
                      std::atomic<bool>& failed);
