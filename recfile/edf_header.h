// EDF+C header of the PSG file: the 256-byte main header and one 256-byte
// block of fields per signal (the enabled channels, then the annotation
// signal). All text is printable ASCII, left-aligned and space-padded.
#pragma once

#include "recfile/rec_writer.h"

#include <string>

// Start of the recording as written to the file. A date outside what the
// EDF start date field can hold (dd.mm.yy, years 1985..2084) or not a real
// calendar date becomes 01.01.85 with the date marked unknown; a time that
// is not a real time of day becomes 00.00.00. `altered` tells whether the
// values handed in were replaced.
struct RecStart {
    int year, month, day, hour, minute, second;
    bool dateKnown;
    bool altered;
};
RecStart RecResolveStart(const RecWriter& w);

// Byte offset and width of the number-of-records field.
const int kRecRecordCountOffset = 236;
const int kRecRecordCountWidth = 8;

// Builds the complete header (256 x (channels + 2) bytes) with the record
// count "-1". Needs the layout fields of `w` (samples per record of every
// channel, annotation bytes) to be set.
std::string RecBuildHeader(const RecWriter& w);

// Text of a record count for the count field ("-1" for unknown).
std::string RecRecordCountField(int64_t count);
