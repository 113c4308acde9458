// The night check of the window program, run in the background: a worker
// thread with a reader handle of its own checks the open recording as the
// current pattern writes it, tells the main window how far it is
// (WM_CHECK_PROGRESS) and when it is done (WM_CHECK_DONE), and the main
// window stores the result in the held check of its record
// (ConverterState::check, pagekit/held_check.h). The main window owns the
// runner. It never touches the conversion's reader or file, and it stops at
// once when the recording closes or the window ends.
#pragma once

#include <windows.h>

#include <string>

#include "pagekit/converter_state.h"

// The worker and what the held check belongs to; one per main window.
struct CheckRunner;
// A runner with nothing running; null when there is no memory for it.
CheckRunner* NewCheckRunner();
// Stops the runner's check, waits for its thread and frees it (null: nothing).
void DeleteCheckRunner(CheckRunner* runner);

// Follows the record after anything may have changed: a recording opened
// (or another one) is checked from the start; a montage change that alters
// written channels checks those again and keeps the rest; no recording stops
// the check and empties the held check (state.check). `settingsPath` names
// the settings file the rule set is read from. True when the held check
// changed.
bool FollowCheck(CheckRunner& runner, HWND mainWindow, ConverterState& state, const char* settingsPath);

// Stops a running check and waits for its thread: nothing is left running.
// The held check then says it was stopped (running false, result not
// complete). True when a check was running.
bool StopCheck(CheckRunner& runner, HeldCheck& held);

// The worker's notices, handled on the main thread. True when the held
// check changed.
bool OnCheckProgress(CheckRunner& runner, HeldCheck& held, WPARAM perMille, LPARAM serial);
bool OnCheckDone(CheckRunner& runner, HeldCheck& held, LPARAM serial);

// The held check in words. Its progress: "記録ﾁｪｯｸ中 40 %" while it runs,
// "記録ﾁｪｯｸ中止" after a stop, else "". Its verdict: "記録ﾁｪｯｸ: 不良 (rule)"
// once complete, else "". The status line shows the progress, or else the
// verdict.
std::string CheckProgressText(const HeldCheck& held);
std::string CheckVerdictText(const HeldCheck& held);
void CheckStatusText(const HeldCheck& held, char* out, size_t size);
