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
// program's own confirmation before an existing file is chosen (an output
// naming the recording's own files is refused first, with warning 515, and
// leaves no output chosen). True when a
// file was chosen and recorded (outputPath, CopyFile, state OutputChosen).
// While a run converts it beeps and chooses nothing.
bool ChooseOutput(HWND mainWindow, ConverterState& state);

// The start command, with its checks and dialogs: a second start while
// converting beeps; no output chosen warns; an output naming the
// recording's own files warns; a first-start patient is confirmed; then the
// header is written to a temporary name beside the output and the timer
// started, or the refusal is told (a warning and the page's status). The
// finished file is moved over the chosen name only when complete.
void StartConversion(ConverterState& state);

// One tick of the frame timer: converts block after block for about
// frame.tickBudgetMs (at least one block), so the run goes at the engine's
// pace while the window still answers input between ticks; shows the
// counter, and ends the run when it is over (counter, status, beep, and the
// warning after a failed write).
void OnConversionTimer(ConverterState& state);

// A recording was opened: no output is chosen for it yet.
void OnSourceOpened(ConverterState& state);

// The recording was closed: a running conversion stops now, its partial file
// removed, and the page says the conversion was stopped.
void OnSourceClosed(ConverterState& state);

// Ends a running conversion at once without asking (when the program ends
// after its question): its partial file is removed. Nothing happens without
// a run.
void AbortConversion(ConverterState& state);

// Before the window closes, the recording is closed or another opened:
// while a run converts, asks (確認, Cancel the default) whether to stop it.
// True when nothing runs or the operator confirmed: the run is stopped, its
// partial file removed and the page says so. False: the run goes on and the
// caller does nothing.
bool AskToStopConversion(HWND owner, ConverterState& state);
