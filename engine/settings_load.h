// The load rules of the SYSTEM frame settings of the settings file and of
// the PATIENT section of the patient file, through any ProfileReader: the
// keys, their defaults and how a stored value is kept, written once for the
// window program and the batch converter.
#pragma once

#include "engine/app_settings.h"
#include "engine/patient_info.h"
#include "engine/profile_reader.h"

// SYSTEM: MaxCh (limited to 1..32), FrameTime (kept as read), TCType, CalType.
void LoadFrameKeys(AppSettings& settings, const ProfileReader& profile);

// The SYSTEM key of the montage exit question: non-zero asks at exit about
// montage changes not registered; missing, no question.
constexpr char kExitQuestionKey[] = "AskUnregistered";
void LoadExitQuestionKey(AppSettings& settings, const ProfileReader& profile);

// NIGHTCHECK Annotations (kCheckNotesKey): non-zero writes the night check's
// warn and fail findings into the PSG file; missing, not.
void LoadCheckNotesKey(AppSettings& settings, const ProfileReader& profile);

// The PATIENT key of the department, spelt as stored patient files have
// always spelt it: files written earlier keep their department only while
// the program reads and writes exactly this key.
constexpr char kDepartmentKey[] = "Departmemt";

// What a PATIENT key the file does not hold gives.
enum PatientKeysMissing {
    kMissingKeysUnknown,      // unknown: an empty text, no birth date, age, height or weight
    kNoKeysFirstStart         // the same, but a file holding none of the keys (or no file)
                              // gives the first-start patient of the window program
};

// PATIENT: the keys the file holds; the others as `missing` says. A birth
// date is known only when Year, Month and Day are all held. Returns how
// many of the keys the file holds.
int LoadPatientKeys(PatientInfo& patient, const ProfileReader& profile, PatientKeysMissing missing);

// Whether `patient` still holds the first-start ID and name ("000-0001",
// "新規") that LoadPatientKeys gives when nothing was stored: a made-up
// patient, not a person.
bool IsFirstStartPatient(const PatientInfo& patient);

// A patient of whom nothing is known: every text empty, no birth date, age,
// height or weight. The PSG file then writes its identity as unknown.
void SetUnknownPatient(PatientInfo& patient);
