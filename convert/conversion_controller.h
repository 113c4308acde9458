// The conversion controller: choosing the output, starting a run, its frame
// timer ticks, and ending it early when the recording is closed, another is
// opened or the program ends. It is the only code that starts and stops the
// conversion page's frame timer (timer 800, 50 ms) and, through the engine's
// run functions, the only code that changes conversionState. The commands
// and the conversion page call it with the locked working record.
#pragma once

#include <windows.h>

#include "pagekit/converter_state.h"
#include "resources/resource_ids.h"

enum {
    kConvertTimerMs = 50,   // the frame timer IDT_CONV_FRAME ticks this often
    kTickBudgetMs = 20      // and converts for about this long each tick
};

// Chooses the output with the Save As dialog for the main window: a name
// proposed from the recording in the folder of the last output, and the
// program's own confirmation before an existing file is chosen. True when a
// file was chosen and recorded (outputPath, CopyFile, state OutputChosen).
// While a run converts it beeps and chooses nothing.
bool ChooseOutput(HWND mainWindow, ConverterState& state);

// The start command, with its checks and dialogs: a second start while
// converting beeps; no output chosen warns; an output naming the
// recording's own files warns; then the header is written and the timer
// started, or the refusal is told.
void StartConversion(ConverterState& state);

// One tick of the frame timer: converts block after block for about
// frame.tickBudgetMs (at least one block), so the run goes at the engine's
// pace while the window still answers input between ticks; shows the
// counter, and ends the run when it is over (counter, status, beep, and the
// warning after a failed write).
void OnConversionTimer(ConverterState& state);

// A recording was opened: no output is chosen for it yet.
void OnSourceOpened(ConverterState& state);

// The recording was closed: a running conversion ends now with its file
// unfinished, told as at any other end of a run.
void OnSourceClosed(ConverterState& state);

// Ends a running conversion at once, its file unfinished, without telling
// (before another recording is opened, and when the program ends). Nothing
// happens without a run.
void AbortConversion(ConverterState& state);
