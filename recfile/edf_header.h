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

// The years the start date field (dd.mm.yy) can hold.
const int kRecFirstYear = 1985;
const int kRecLastYear = 2084;
// Days of `month` (1..12) in `year`, leap years counted; and whether the
// date exists.
int RecDaysInMonth(int year, int month);
bool RecIsDate(int year, int month, int day);

// Where the fields of the main header lie: byte offset and width.
struct RecField {
    int offset, width;
};
const RecField kRecVersionField = {0, 8};
const RecField kRecStartDateField = {168, 8};
const RecField kRecStartTimeField = {176, 8};
const RecField kRecHeaderBytesField = {184, 8};
const RecField kRecReservedField = {192, 44};     // "EDF+C"
const RecField kRecRecordCountField = {236, 8};
const RecField kRecRecordSecondsField = {244, 8};
const RecField kRecSignalCountField = {252, 4};
// Byte offset and width of the number-of-records field.
const int kRecRecordCountOffset = kRecRecordCountField.offset;
const int kRecRecordCountWidth = kRecRecordCountField.width;
// The widths of each signal's fields, in the order they follow the main
// header (every signal's first field, then every signal's second, ...):
// label, transducer, unit, physical min and max, digital min and max,
// prefiltering, samples per record, reserved.
enum RecSignalField {
    kRecSignalLabel, kRecSignalTransducer, kRecSignalUnit, kRecSignalPhysMin, kRecSignalPhysMax,
    kRecSignalDigMin, kRecSignalDigMax, kRecSignalPrefilter, kRecSignalSamples, kRecSignalReserved,
    kRecSignalFields
};
const int kRecSignalFieldWidths[kRecSignalFields] = {16, 80, 8, 8, 8, 8, 8, 80, 8, 32};

// Builds the complete header (256 x (channels + 2) bytes) with the record
// count "-1". Needs the layout fields of `w` (samples per record of every
// channel, annotation bytes) to be set.
std::string RecBuildHeader(const RecWriter& w);

// Text of a record count for the count field ("-1" for unknown).
std::string RecRecordCountField(int64_t count);
