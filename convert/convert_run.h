// The conversion run as the conversion page drives it: starting it from the
// start command, one block per tick of timer 800, and its end.
#pragma once

#include <windows.h>

#include "app/converter_state.h"

// The start command of the conversion page, with its checks and dialogs.
void StartConversion(HWND page);
// One timer tick: converts one block and ends the run when it is over.
void OnConversionTick(HWND page);
// Ends a running conversion at once, leaving its file unfinished (used
// before another recording is opened). Nothing happens without a run.
void AbortConversionRun(ConverterState& state);
