// The rules of the identity options: which patient texts a PSG file carries
// in the full identity and in the de-identified copy for research, the start
// date of a de-identified copy and the option keys of the settings file.
// Portable: no UI, no file access.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/app_settings.h"
#include "engine/identity_options.h"
#include "engine/profile_reader.h"

// One text of the patient block: field width, writer key and the text.
struct PatientField {
    int width;
    int key;
    std::string text;
};

// Whether the options ask for the de-identified copy.
inline bool IsResearchCopy(const IdentityOptions& o) { return o.mode != kIdentityFull; }

// Rewrites the patient block rows for the options. The full identity leaves
// them as they are. The de-identified copy keeps only the study code (in
// place of the patient ID; empty when none is given, which the file shows
// as unknown), the sex when keepSex is set and the age in whole years
// ("45Y") when keepAge is set; every other text (name, kana, birth date,
// height, weight, facility, department, staff, medication, comments) is
// emptied, and an empty text is not written into the file.
void ApplyIdentity(std::vector<PatientField>& rows, const IdentityOptions& o);

// The start (year, month, day, hour, minute, second) the file is written
// with: the de-identified copy with replaceStartDate has its date replaced by
// 1 January 1985, the date that marks a de-identified start, keeping the
// time of day; otherwise the start stays as it is.
void ApplyStartIdentity(int32_t start[6], const IdentityOptions& o);

// Free texts that may name a person or a place (the recording comment, the
// name of the source file): false for the de-identified copy, which leaves
// them out of the file.
inline bool KeepsFreeTexts(const IdentityOptions& o) { return !IsResearchCopy(o); }

// SYSTEM keys of the identity options: Identity (0 full; any other value
// the de-identified copy, so a damaged value never writes a name), StudyCode,
// KeepAge, KeepSex and ShiftStart (whether the start date is replaced).
// Missing keys give today's behaviour: the full identity.
void LoadOptionKeys(AppSettings& settings, const ProfileReader& profile);

// The same keys with the texts they are stored as, in their order.
std::vector<std::pair<std::string, std::string>> OptionKeyTexts(const AppSettings& settings);

