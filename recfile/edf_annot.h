// The EDF+ annotation signal of the PSG file: every data record starts with
// its time-keeping annotation "+t" 0x14 0x14 0x00; the first record also
// carries, at onset 0, UTF-8 annotations with what the ASCII header cannot
// hold (patient texts, recording comment, channel labels, units and
// calibration, position-level tables).
#pragma once

#include "recfile/rec_writer.h"

#include <cstdint>
#include <string>
#include <vector>

// Longest annotation text written, in bytes of UTF-8.
const size_t kRecMaxAnnotationText = 480;

// The onset-0 annotation texts of `w`, in file order; empty fields are left out.
std::vector<std::string> RecOnsetAnnotations(const RecWriter& w);

// Bytes per record of the annotation signal: enough for the first record
// (time keeping plus `texts`) and for the time keeping of a record starting
// at `lastOnset` seconds; always even.
int32_t RecAnnotationBytes(const std::vector<std::string>& texts, int64_t lastOnset);

// Fills `bytes` bytes at `dst` with the annotations of the record starting
// at `onset` seconds, followed by `texts` when not null, then zeros.
// The caller sized `bytes` with RecAnnotationBytes.
void RecFillAnnotations(uint8_t* dst, size_t bytes, int64_t onset,
                        const std::vector<std::string>* texts);
