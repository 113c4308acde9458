// Importing a calibration condition file (*.CAL) into the current montage
// pattern: the operator picks the file in the open-file dialog, which starts
// in the settings file's folder; the file is read with the profile
// functions by the rules of engine/cal_rules.h.
#pragma once

#include <windows.h>

#include "pagekit/converter_state.h"

// Asks for a calibration condition file over `owner` and imports it into the
// current pattern of `state` (at most MaxCh channels). 1 when the channels
// were taken over; 0 when the dialog was cancelled or the file was refused,
// and then the pattern is unchanged. The chosen path stays in the shared
// file-name buffer.
int LoadCalCondition(HWND owner, ConverterState& state);

// Imports the calibration condition file at `path` into `pattern` without a
// dialog, as LoadCalCondition does after the choice.
int ImportCalFile(const char* path, MontagePattern& pattern, int maxCh);
