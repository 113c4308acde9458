// The night check of the open recording as the window program holds it for
// its windows (the status line, the check window, the preview's marks and
// overview, the question before a conversion): the latest result, whether a
// check runs and how far it is. It lives with the working record
// (ConverterState::check) and is reached under the record's lock, on the
// main thread: the check's worker hands its result over through the main
// window, which stores it there and tells the windows (WM_CHECK_CHANGED).
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/night_check.h"

struct HeldCheck {
    // The latest result: partial while a check runs or after it was stopped
    // (result.complete false). Its traces are the places among the written
    // channels of the pattern converted with, as the preview plans them.
    NightCheckResult result;
    bool valid = false;     // the result belongs to the open recording and the current pattern
    bool running = false;   // a check is under way
    double done = 0;        // the running check's share done, 0..1
    bool stopped = false;   // the last check was stopped before the end of the night
    uint32_t serial = 0;    // changes whenever anything above changes
    uint32_t resultSerial = 0;  // changes whenever result or valid changes (not with progress)
};

// The colour a level is shown in: info blue, warn amber, fail red (bands
// behind traces, the overview strip, the check window).
COLORREF CheckLevelColour(CheckLevel level);
