// The EDF+ annotation signal of the PSG file: every data record starts with
// its time-keeping annotation "+t" 0x14 0x14 0x00; the first records also
// carry, at onset 0, UTF-8 annotations with what the ASCII header cannot
// hold (patient texts, recording comment, channel labels, units and
// calibration, position-level tables). Those texts are spread over as many
// of the first records as they need, so that the annotation signal of every
// record stays small: it is sized for the longest single text, not for all
// of them together.
// Besides those, each record has room for timed annotations with a
// duration: "Data missing" over a stretch the recording could not deliver,
// and "Recording ends" in the last record when the recording ends before
// it (the rest of that record repeats each channel's last sample).
#pragma once

#include "recfile/rec_writer.h"

#include <cstdint>
#include <string>
#include <vector>

// Longest annotation text written, in bytes of UTF-8.
const size_t kRecMaxAnnotationText = 480;

// The onset-0 annotation texts of `w`, in file order; empty fields are left out.
std::vector<std::string> RecOnsetAnnotations(const RecWriter& w);

// Bytes of the annotation signal of a record starting at `onset` seconds
// that holds only its time keeping.
size_t RecTimeKeepingBytes(int64_t onset);
// Bytes an onset-0 annotation with `text` takes: "+0" 0x14 text 0x14 0x00.
size_t RecOnsetTextBytes(const std::string& text);

// Records that `texts` need when every record has `bytes` bytes of
// annotation signal, its time keeping first (record r starts at r x
// `frameSeconds`), the texts following in order as many as fit. 0 when
// there are no texts; -1 when a text does not fit a record of its own.
int64_t RecRecordsForTexts(const std::vector<std::string>& texts, int32_t bytes, int32_t frameSeconds);

// Bytes per record of the annotation signal (always even): the least that
// holds the time keeping of every one of `records` records (at least one) and
// all of `texts` within those records, which is usually the time keeping plus
// the longest text.
int32_t RecAnnotationBytes(const std::vector<std::string>& texts, int32_t frameSeconds, int32_t records);

// Timed annotations known before the data, for RecFillAnnotations: the TALs
// `tals` from (*next) on, within `room` bytes of each record.
struct RecAddedQueue {
    const std::vector<std::string>* tals = nullptr;
    size_t* next = nullptr;
    size_t room = 0;
};

// Fills `bytes` bytes at `dst` with the annotations of the record starting
// at `onset` seconds: its time keeping, then the texts from (*next) on as
// many as fit in the first `bytes` - `timedRoom` - added.room bytes, which
// advances *next; then the added TALs from (*added.next) on as many as fit
// in the first `bytes` - `timedRoom` bytes, which advances *added.next; then
// the timed annotations `timed` (complete TALs, see RecTimedAnnotation) from
// the front as many as fit, each written one taken out; then zeros. `texts`,
// `timed` and added.tals may be null.
void RecFillAnnotations(uint8_t* dst, size_t bytes, size_t timedRoom, int64_t onset,
                        const std::vector<std::string>* texts, size_t* next, std::vector<std::string>* timed,
                        const RecAddedQueue& added = RecAddedQueue());

// Seconds of a time given in 100 ns units (>= 0) as decimal text, to 100 ns
// (7 decimals, trailing zeros left out): 8929000000 -> "892.9".
std::string RecUnitsText(int64_t units);

// The TAL of an annotation with a duration: "+onset" 0x15 "duration" 0x14
// text 0x14 0x00, onset and duration given in samples at `rate`.
std::string RecTimedAnnotation(int64_t onsetSamples, int64_t durationSamples, int32_t rate, const std::string& text);
// The same with onset and duration in 100 ns units.
std::string RecTimedAnnotationUnits(int64_t onsetUnits, int64_t durationUnits, const std::string& text);

// Bytes the TAL of `text` takes at most when onset and duration are below
// `maxSeconds` seconds.
size_t RecTimedBytes(int64_t maxSeconds, const std::string& text);

// Texts of the timed annotations.
extern const char kRecDataMissingText[];
extern const char kRecRecordingEndsText[];
