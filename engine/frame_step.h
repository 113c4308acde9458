// The frame step of a conversion run: one block of the source recording per
// call, read into the block buffer and handed to the PSG writer channel by
// channel. The run (conversion_run.h) calls it once per step.
#pragma once

#include <cstdint>

#include "engine/psg_header.h"

// Converts one block. `s` holds the run set up by WritePsgHeader; `skipFlag`
// is the source's value code 3 (non-zero low 16 bits: the block's samples
// begin one 16-bit word into the buffer). Returns 1 to go on, 0 when the run
// is over:
//  - no recording open (sourceKind not 3), no run going (conversionState not
//    Converting) or no writer handle: 0, nothing touched;
//  - all frames done, the whole recording read, or no block buffer: the file
//    is completed (RecFinish), framesDone := totalFrames, fileFinished := 1
//    unless completing it failed (then writeFailed := 1);
//  - a write that fails, or a recording whose samples are not 16 bits wide:
//    0 at once with writeFailed := 1, file not completed;
//  - a block buffer too small for a block of the open recording: 0, nothing
//    more written (the run is cut short).
// Writes exactly the run channels fixed by the header, whatever the montage
// says meanwhile. Samples after the recording's end repeat each channel's
// last sample. A block the reader cannot read (result 0 or less) is written
// with each channel's last sample read before it (for a block before any
// sample was read, the first sample the reader delivers after it), so every
// later sample stays at its time; it is marked "Data missing" in the file
// and counted in silentBlocks; the counters advance as for any block.
int ConvertStep(const RunRecords& s, int32_t skipFlag);

// Reads `samples` scans of the recording from scan `first` through `reader`
// (the run's handle, or another handle on the same files) into `buffer`, one
// run of `samples` samples per source channel, as a conversion run reads each
// block. `buffer` holds 2 x channelCount x samples + 2 bytes. Scans after the
// recording's end repeat each channel's last sample. *delivered (may be
// null) receives the scans that came from the recording: 0 when the reader
// could not deliver the block, which then holds zeros for the caller to
// fill. Returns the first channel's run: one 16-bit word in when the low 16
// bits of `skipFlag` (the source's value code 3) are not zero.
int16_t* ReadChannelRuns(const SourceInfo& source, TaffHandle reader, int32_t first, int32_t samples,
                         int16_t* buffer, int32_t skipFlag, int32_t* delivered);
