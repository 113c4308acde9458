// The settings menu's option dialogs, each run modally over the main window
// through the user-interface seam, and the question at exit:
// - facility name (4204): PATIENT/Hospital, the caption and the PSG files;
// - patient identity options (4205): the full identity or a de-identified
//   copy for research, stored in SYSTEM at once and shown on the patient page;
// - montage options (4206): the current pattern's label and unit choices
//   (stored with the pattern by "Pattern Registry") and whether exit asks
//   about montage changes not registered.
#pragma once

#include <windows.h>

#include "pagekit/converter_state.h"

// Each returns what the dialog ended with (IDOK, IDCANCEL, or -1 when it
// could not be made).
INT_PTR RunFacilityDialog(HWND mainWindow);
INT_PTR RunPatientOptionsDialog(HWND mainWindow);
INT_PTR RunMontageOptionsDialog(HWND mainWindow);

// At WM_CLOSE: whether the program may close. With the exit question on and
// the current pattern (its position levels included) differing from what its
// slot holds in the settings file, asks: Yes registers the pattern first (a
// failed store keeps the program open), No closes without it, Cancel keeps
// the program open.
bool ConfirmExit(HWND mainWindow, ConverterState& state);
