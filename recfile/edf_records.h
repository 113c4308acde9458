// Data records of the PSG file. The writer keeps the records of one block
// in the form they take in the file: as a channel is handed in, its frames
// are reduced to its output rate straight into its place in every record;
// a flush adds each record's annotations and writes the block at once.
#pragma once

#include "recfile/rec_writer.h"

#include <cstddef>
#include <cstdint>

// Division of a group sum by the group size, rounded to nearest with halves
// away from zero, by a multiplication and a shift instead of a division.
// A group sum of 16-bit samples lies within +-count x 32768; for such sums
// ceil(2^48 / count) gives the exact quotient of (|sum| + count / 2) / count
// while count x (count x 32768 + count / 2) stays below 2^48, that is for
// counts up to kRecMaxReciprocalCount. Larger groups divide.
const int64_t kRecMaxReciprocalCount = 92681;
const int kRecReciprocalShift = 48;

struct RecGroupDivisor {
    int64_t count = 1;
    uint64_t reciprocal = 0;  // ceil(2^48 / count); 0: divide
};

RecGroupDivisor RecMakeGroupDivisor(int64_t count);

// The rounded mean of a group of `d.count` 16-bit samples summing to `sum`:
// the magnitude is rounded and divided, the sign put back, without branches.
inline int16_t RecRoundedMean(int64_t sum, const RecGroupDivisor& d) {
    const int64_t sign = sum < 0 ? -1 : 0;
    const uint64_t magnitude = static_cast<uint64_t>((sum ^ sign) - sign) + static_cast<uint64_t>(d.count / 2);
    const uint64_t q = d.reciprocal ? (magnitude * d.reciprocal) >> kRecReciprocalShift
                                    : magnitude / static_cast<uint64_t>(d.count);
    return static_cast<int16_t>((static_cast<int64_t>(q) ^ sign) - sign);
}

// Reduces `frames` frames of source samples to `c`'s output rate and stores
// the output samples of frame f, 16-bit little-endian, at
// dst + f x recordBytes. The source holds `sourcePerRecord` samples per
// frame at `first`, `strideBytes` apart. Divisor 1 (output = source samples
// per record) copies; otherwise output sample k of a frame is the rounded
// mean of source samples [floor(k*S/N), floor((k+1)*S/N)), or the first of
// them for a body-position channel. 1 <= N <= S is guaranteed by the caller.
void RecTakeFrames(const RecChannel& c, int64_t sourcePerRecord, int frames, const int16_t* first,
                   int strideBytes, uint8_t* dst, size_t recordBytes);

// Fixes where each channel's samples and the annotation signal lie in a data
// record and the bytes of a record (w.recordBytes).
void RecPlaceSignals(RecWriter& w);

// Makes room in the block for `frames` records. False when memory runs out.
bool RecReserveBlock(RecWriter& w, int frames);

// Completes the first `records` records of the block (zeros for a channel
// handed fewer frames, then each record's annotations) and writes them with
// one write. False when the write failed.
bool RecWriteRecords(RecWriter& w, int32_t records);

// Bytes of one data record.
size_t RecRecordBytes(const RecWriter& w);
