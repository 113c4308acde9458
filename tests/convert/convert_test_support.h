// Helpers of the conversion tests: a working record opened on a generated
// recording the way the open command fills it, a conversion run driven the
// way the page's timer drives it, and PSG files read back through EDFlib.
#pragma once

#include <edflib.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/converter_state.h"
#include "convert/frame_step.h"
#include "convert/psg_header.h"
#include "tools/taffgen/taffgen.h"

// A fresh temporary folder, removed with the object.
struct TempDir {
    TempDir();
    ~TempDir();
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    std::string dir;
};

// The working record, zero-initialised as the program allocates it.
struct StateOwner {
    StateOwner();
    ~StateOwner();
    ConverterState& operator*() { return *state; }
    ConverterState* operator->() { return state; }
    ConverterState* state;
};

// Writes the recording `options` at `headerPath` and opens it into `s` as
// the open command does; then chooses `outputPath` (OutputChosen), MaxCh 32,
// FrameTime 1 and gives the entries labels, units and a calibration.
void OpenRecording(ConverterState& s, const TaffGenOptions& options, const std::string& headerPath,
                   const std::string& outputPath);

// The source side of closing the recording (the close command).
void CloseRecording(ConverterState& s);

struct RunResult {
    HeaderRefusal refusal = kHeaderWritten;
    ConversionEnd end = kRunCutShort;
    int steps = 0;      // steps that returned 1
};

// Writes the header and steps the run to its end as the timer does, calling
// `between` (when given) after every step that returned 1.
RunResult RunConversion(ConverterState& s,
                        const std::function<void(ConverterState&, int)>& between = {});

// A PSG file opened with EDFlib; `ok` false when EDFlib refused it.
struct EdfReader {
    explicit EdfReader(const std::string& path);
    ~EdfReader();
    std::vector<int> Digital(int signal);   // every sample of the signal
    std::unique_ptr<edf_hdr_struct> hdr;
    bool ok = false;
};

// Runs the MNE reader script on `path` (linked to a .edf name) and returns
// whether it read `channels` signals lasting `seconds` with `firstLabel` first.
bool MneReads(const std::string& path, int channels, double seconds, const std::string& firstLabel);
