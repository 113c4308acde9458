// The course of a conversion on its records: the output chosen, a run
// started by writing the PSG header, stepped block by block, and ended. This
// is the only code that changes conversionState; the program's conversion
// controller (and any other driver, such as a test) goes through it.
#pragma once

#include "engine/frame_step.h"
#include "engine/psg_header.h"

// A recording was opened: no output is chosen for it yet (NoOutput). A run
// the operator stopped stays told until an output is chosen or a run starts.
void ForgetOutputFile(ConversionFields& c);

// After a refused choice: no output is chosen and none is named (the path is
// emptied). Nothing changes while a run converts.
void ForgetChosenOutput(ConversionFields& c);

// `path` becomes the output file (cut to its field), an earlier failed write
// is forgotten and the state becomes OutputChosen. Refused (false, nothing changed) while a run converts: the
// run writes to outputPath.
bool ChooseOutputPath(ConversionFields& c, const char* path);

// Starts a run: writes the header (WritePsgHeader) and, when it was written,
// keeps the writer handle and sets the state Converting. Returns true on a
// start; otherwise *why (may be null) says why nothing started, and
// lastRefusal keeps the reason for the page's status. shortSource records
// whether the recording's data file is shorter than its header announces.
// `notes`: the night check whose warn and fail findings go into the file
// as annotations with onset and duration ("Check: C3-A2 flat"); null: none.
// Read only while the header is written.
bool StartRun(const RunRecords& s, HeaderRefusal* why, const NightCheckResult* notes = nullptr);

// One step of a running conversion: the next block of the open recording.
// Returns 1 to go on, 0 when the run is over (see ConvertStep); 0 too when no
// TAFFmat recording is open any more.
int StepRun(const RunRecords& s);

// How a run ended.
enum ConversionEnd {
    kRunCompleted = 0,      // the file was completed normally
    kRunSourceClosed,       // the recording was closed: the file stays unfinished
    kRunWriteFailed,        // a write failed: the file is incomplete
    kRunCutShort            // stopped for another reason: the file stays unfinished
};

// Ends the run, after StepRun returned 0 or when it must stop early (the
// recording closed, another opened, the program ending): frees the block
// buffer, releases the writer handle (stored back as null), sets the state
// Finished and reports how the run ended.
ConversionEnd EndRun(const RunRecords& s);

// True while a run converts.
inline bool IsConverting(const ConversionFields& c) { return c.conversionState == kConvConverting; }
