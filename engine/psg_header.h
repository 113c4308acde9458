// The PSG header writer: creates the output file for a conversion run and
// writes everything but the sample data (mode keys, recording header, patient
// block, position-level tables, channel table, block size), then prepares the
// counters and the block buffer the frame step works with. Portable: no UI;
// the conversion page reacts to the refusal reported here.
#pragma once

#include <cstdint>

#include "engine/app_settings.h"
#include "engine/conversion_fields.h"
#include "engine/montage_types.h"
#include "engine/patient_info.h"
#include "engine/source_info.h"

struct NightCheckResult;

// The records a run is written from and works on: the settings, the open
// recording, the montage pattern converted with, the patient and the
// conversion fields. The run writes to `conv` only.
struct RunRecords {
    const AppSettings& settings;
    const SourceInfo& source;
    const MontagePattern& pattern;
    const PatientInfo& patient;
    ConversionFields& conv;
};

// Why the header writer returned null.
enum HeaderRefusal {
    kHeaderWritten = 0,         // not refused: a handle was returned
    kHeaderNoOutput,            // no output file chosen (the page beeps)
    kHeaderRunning,             // a run is going on and holds the output handle
    kHeaderNoChannel,           // no source channel, or none of them switched on
    kHeaderBadFrameTime,        // FrameTime outside 1..60 seconds
    kHeaderRecordTooLarge,      // one data record would exceed kMaxRecordBytes
    kHeaderNoMemory,            // the block buffer could not be allocated
    kHeaderWriterFailed,        // the writer could not be made (RecNew)
    kHeaderCreateFailed,        // the output file could not be created
    kHeaderWriteFailed,         // the file was created but writing its header failed
    kHeaderBadRate              // a run channel's divisor gives no whole output rate of 1 or more
};

// Channel flags of the channel table: 2 when low filters are given as a
// low-cut frequency (TCType 0), plus 4 for a sine calibration wave.
int32_t ChannelFlags(const AppSettings& settings);

// The largest data record a PSG file may have: standard EDF readers refuse
// a file whose record is larger than 10 MiB. The samples of a record leave
// room for its annotation signal below that limit.
constexpr int64_t kMaxRecordBytes = 10 * 1024 * 1024;
constexpr int64_t kRecordAnnotationAllowance = 64 * 1024;

// Bytes of the samples of one data record of the run channels of `s` at
// `frameTime` seconds (the channels switched on for the recording open now).
int64_t RecordSampleBytes(const RunRecords& s, int32_t frameTime);

// Whether a data record of `frameTime` seconds stays within the limit.
bool RecordFits(const RunRecords& s, int32_t frameTime);

// Output rate of a channel in samples per second: sampleRate / rateDivisor,
// integer division. A divisor of 0 or less (a hand-edited settings file) is
// taken as 1 so that nothing is ever divided by it.
int32_t ChannelRate(int32_t sampleRate, int32_t rateDivisor);

// Whether `rateDivisor` (0 or less taken as 1, as ChannelRate does) divides
// `sampleRate` into a whole output rate of at least 1 sample per second. A
// channel whose divisor does not is never written: its rate would be
// written as 0 Hz or cut to a whole number its samples do not match.
bool RateDivisorFits(int32_t sampleRate, int32_t rateDivisor);

// Collects the channels a run writes into s.conv.runChannels (source channel
// index per output index) and s.conv.runChannelCount: the switched-on entries
// among the first channelCount entries of the pattern, at most the 32
// entries a pattern holds. Returns the count.
int32_t CollectRunChannels(const RunRecords& s);

// The same choice without a run: the source channel index of each output
// channel a run of `pattern` on `source` writes, in output order, into
// `channels` (room for kChannelEntries). Returns the count.
int32_t RunChannelsOf(const SourceInfo& source, const MontagePattern& pattern, uint8_t* channels);

// Writes the PSG header of a new run to s.conv.stagingPath (s.conv.outputPath
// when that is empty) and returns the
// writer handle the frame step continues with (the caller stores it in
// recHandle and starts the run), or null with *why (may be null) saying why.
// On every path framesDone, readPosition, writeFailed and fileFinished end as
// 0 (writeFailed 1 when the writer could not be made, the file could not be
// created or its header could not be written). Refusals before the file is created leave the disk untouched; a
// failed header write leaves the partly written file behind. On success
// totalFrames, framesPerBlock, samplesPerBlock, enabledChannelCount and the
// run channels are set, and blockBuffer holds a zeroed block of
// 2 x (channelCount + 1) x samplesPerBlock + 64 bytes when a recording is open.
// `notes` as StartRun takes them.
RecHandle WritePsgHeader(const RunRecords& s, HeaderRefusal* why, const NightCheckResult* notes = nullptr);
