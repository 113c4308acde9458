// What belongs to one night in the output tree, and what the batch tells
// about it without converting: the PSG file, its check file
// (NAME.check.json) and report (NAME.check.html). A check belongs to its
// PSG file when the check file is whole, names the PSG file's size and
// SHA-256, the settings hash that made it and the run's rule set, and the
// SHA-256 of the report beside it (written before the check file, so a
// check file in place always has its report). The night's identity (patient
// ID or study code, start, recorder) comes from the recording's header and
// patient file, as the PSG file carries it.
#pragma once

#include <cstdint>
#include <string>

#include "batch/batch_job.h"
#include "batch/json_value.h"

// Fills result.patientId, result.start and result.recorder for `header` as
// the output carries them (the study code and a moved start for a
// de-identified copy, the start --start corrects), reading only the header
// and the patient file; left empty when they cannot be read.
void NightIdentity(const JobContext& ctx, const std::string& header, JobResult& result);

// Reads the check file at `path` whole. False when it is missing, torn or
// not a check file (no verdict).
bool ReadCheckFile(const std::string& path, JsonValue& check);

// Whether the check beside `output` belongs to it, made with `settingsHash`
// and the rule set `rule` (any rule set when empty): "" when it does
// (`check` then holds the check
// file and `outputSha256` the PSG file's hash), otherwise why not
// ("its check file is missing", "its report differs from its check file").
// An `outputSha256` given is the PSG file's hash, known for the unchanged
// file: the file is then not read again.
std::string CheckMismatch(const std::string& output, const std::string& settingsHash, const std::string& rule,
                          JsonValue& check, std::string& outputSha256);

// Takes the night check of a check file into `result` (verdict, rule,
// findings by level, the files) as a conversion that checked it would.
void TakeCheckFrom(const JsonValue& check, const std::string& output, JobResult& result);

// Removes the check files beside `output` (the check file first, so a
// report never stays as the only sign of a check). 0 or errno.
int RemoveCheckFiles(const std::string& output);
