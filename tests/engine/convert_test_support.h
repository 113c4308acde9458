// Helpers of the conversion tests: the engine's records opened on a
// generated recording by the program's own open code, a conversion run
// driven through the engine's run functions as the frame timer drives it,
// and PSG files read back through EDFlib (the shared test support).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/engine/work_record.h"
#include "tests/support/edf_reader.h"
#include "tests/support/mne_check.h"
#include "tests/support/test_files.h"
#include "tools/taffgen/taffgen.h"

// The records, zero-initialised as the program allocates them; a run still
// going is ended and the recording closed with the object.
struct StateOwner {
    StateOwner();
    ~StateOwner();
    WorkRecord& operator*() { return *state; }
    WorkRecord* operator->() { return state; }
    WorkRecord* state;
};

// Writes the recording `options` at `headerPath` and opens it into `s` with
// the program's open code; then chooses `outputPath` (OutputChosen), MaxCh
// 32, FrameTime 1 and gives the entries labels, units and a calibration.
void OpenRecording(WorkRecord& s, const TaffGenOptions& options, const std::string& headerPath,
                   const std::string& outputPath);

// Closing the recording with the program's close code.
void CloseRecording(WorkRecord& s);

struct RunResult {
    HeaderRefusal refusal = kHeaderWritten;
    ConversionEnd end = kRunCutShort;
    int steps = 0;      // steps that returned 1
};

// Starts the run and steps it to its end as the frame timer does, calling
// `between` (when given) after every step that returned 1.
RunResult RunConversion(WorkRecord& s, const std::function<void(WorkRecord&, int)>& between = {});
