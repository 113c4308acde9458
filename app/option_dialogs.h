// The settings menu's option dialogs, each run modally over the main window
// on a copy of what it edits, and the question at exit:
// - facility name (4204): PATIENT/Hospital, the caption and the PSG files;
// - patient identity options (4205): the full identity or a de-identified
//   copy for research, stored in SYSTEM at once and shown on the patient page;
// - montage options (4206): the current pattern's label and unit choices
//   (stored with the pattern by "Pattern Registry") and whether exit asks
//   about montage changes not registered.
#pragma once

#include <windows.h>

#include <optional>

#include "engine/identity_options.h"
#include "engine/montage_types.h"
#include "engine/patient_info.h"
#include "pagekit/converter_state.h"

// What the facility dialog edits.
struct FacilityName {
    char hospital[kHospitalSize];
};

// What the montage options dialog edits: the current pattern's choices and
// the exit question; the pattern's name is shown only.
struct MontageOptions {
    char patternName[kPatternNameSize];
    char labelChoices[kLabelChoices][kLabelSize];
    char unitChoices[kUnitChoices][kUnitSize];
    bool askAtExit;
    bool checkNotes;    // the night check's warn and fail findings go into the PSG file
};

// Each shows its dialog over `owner` through the user-interface seam with
// a copy of `current` and returns the edited copy on OK; nothing on Cancel,
// on the close box or when the dialog could not be made. Storing the result
// and telling the pages is the caller's.
std::optional<FacilityName> RunFacilityDialog(HWND owner, const FacilityName& current);
std::optional<IdentityOptions> RunPatientOptionsDialog(HWND owner, const IdentityOptions& current);
std::optional<MontageOptions> RunMontageOptionsDialog(HWND owner, const MontageOptions& current);

// At WM_CLOSE: whether the program may close. With the exit question on and
// the current pattern (its position levels included) differing from what its
// slot holds in the settings file, asks: Yes registers the pattern first (a
// failed store keeps the program open), No closes without it, Cancel keeps
// the program open.
bool ConfirmExit(HWND mainWindow, ConverterState& state);
