// What every conversion of a batch shares, read once before the first one:
// the SYSTEM frame settings and the montage pattern from the settings file,
// the patient from a PATIENT section, the corrected start and the comment;
// and the list of recordings the inputs name. The settings sections are read
// by the engine's load rules through the portable settings-file reader.
#pragma once

#include <string>
#include <vector>

#include "batch/batch_options.h"
#include "engine/app_settings.h"
#include "engine/check_texts.h"
#include "engine/montage_types.h"
#include "engine/night_check.h"
#include "engine/patient_info.h"

struct BatchSetup {
    AppSettings settings{};
    MontagePattern pattern{};       // the chosen pattern as the settings file holds it
    int patternSlot = 0;            // 0..7
    PatientInfo patient{};          // --patient, else a patient of whom nothing is known
    bool hasStart = false;
    int start[6] = {};              // year, month, day, hour, minute, second
    std::string comment;
    CheckRuleSet checkRule;         // --check-rule, else NIGHTCHECK Rule of the settings file, else the default
    ReportLanguage reportLanguage = ReportLanguage::Japanese;  // --report-lang, else NIGHTCHECK ReportLanguage
};

// Reads the settings file, the pattern and the patient file of `options`.
// False with `error` naming the file and the reason (a usage error): a file
// that cannot be read or is no settings file, a pattern section or a
// PATIENT section that is not there.
bool LoadBatchSetup(const BatchOptions& options, BatchSetup& setup, std::string* error);

// The patient of one recording: a file NAME.INF beside the header NAME.HDR
// holding a PATIENT section wins over the batch's patient. False with
// `error` when that file is there but cannot serve.
// Without either, nothing is known: the PSG file writes the identity as
// unknown and no height, weight or age.
bool PatientFor(const BatchSetup& setup, const std::string& headerPath, PatientInfo& patient, std::string* error);

// A patient file names one person: with more than one recording it is a
// usage error unless --same-patient says so. False with `error` then.
bool PatientFileFitsBatch(const BatchOptions& options, size_t recordings, std::string* error);

// An input that names no recording.
struct InputProblem {
    std::string path, reason;
};

// The header files the inputs name, in the order given (folders sorted by
// name): header files as they are, folders searched for *.HDR (subfolders
// with `recursive`), "-" and the list file read for more inputs. Inputs that
// do not exist, and folders without a recording, go to `problems`. False
// with `error` when the list file cannot be read. `roots` (when given) gets,
// for each header, the folder input it was found under ("" for a header
// file named as such).
bool CollectRecordings(const BatchOptions& options, std::vector<std::string>& headers,
                       std::vector<InputProblem>& problems, std::string* error,
                       std::vector<std::string>* roots = nullptr);
