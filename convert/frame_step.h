// The frame step of a conversion run: one block of the source recording per
// call, read into the block buffer and handed to the PSG writer channel by
// channel, and the portable end of a run. The conversion page calls the step
// on its timer and ends the run when the step says it is over.
#pragma once

#include <cstdint>

#include "app/converter_state.h"

// Converts one block. `s` is the locked working record set up by
// WritePsgHeader; `skipFlag` is the source's value code 3 (non-zero low
// 16 bits: the block's samples begin one 16-bit word into the buffer).
// Returns 1 to go on, 0 when the run is over:
//  - no recording open (sourceKind not 3), no run going (conversionState not
//    Converting) or no writer handle: 0, nothing touched;
//  - all frames done, the whole recording read, or no block buffer: the file
//    is completed (RecFinish), framesDone := totalFrames, fileFinished := 1
//    unless completing it failed (then writeFailed := 1);
//  - a write that fails: 0 at once with writeFailed := 1, file not completed;
//  - a block buffer too small for a block of the open recording: 0, nothing
//    more written (the run is cut short).
// Writes exactly the run channels fixed by the header, whatever the montage
// says meanwhile. A block the reader cannot read (result 0 or less) is
// skipped: nothing is written for it, but the counters still advance.
int ConvertStep(ConverterState& s, int32_t skipFlag);

// How a run ended.
enum ConversionEnd {
    kRunCompleted = 0,      // the file was completed normally
    kRunSourceClosed,       // the recording was closed: the file stays unfinished
    kRunWriteFailed,        // a write failed: the file is incomplete
    kRunCutShort            // stopped for another reason: the file stays unfinished
};

// The portable end of a run, after the step returned 0 or the recording was
// closed: frees the block buffer, releases the writer handle (stored back as
// null), sets conversionState to Finished and reports how the run ended.
// Stopping the timer and telling the operator are the page's.
ConversionEnd EndConversionRun(ConverterState& s);
