// Data records of the PSG file: the frames of one block are reduced to each
// channel's output rate as they are handed in, and written as EDF data
// records (every signal's samples in order, then the annotation signal) when
// the block is flushed.
#pragma once

#include "recfile/rec_writer.h"

#include <cstdint>

// Reduces `frames` frames of source samples to `c`'s output rate into its
// block. The source holds `sourcePerRecord` samples per frame at `first`,
// `strideBytes` apart. Divisor 1 (output = source samples per record)
// copies; otherwise output sample k of a frame is the rounded mean of source
// samples [floor(k*S/N), floor((k+1)*S/N)), or the first of them for a
// body-position channel. N <= S is guaranteed by the caller.
void RecTakeFrames(RecChannel& c, int64_t sourcePerRecord, int frames, const int16_t* first,
                   int strideBytes);

// Writes the first `records` frames of the block as data records; a channel
// handed fewer frames gets zeros for the rest. False when a write failed.
bool RecWriteRecords(RecWriter& w, int32_t records);

// Bytes of one data record.
size_t RecRecordBytes(const RecWriter& w);
