// Writer of PSG recording files. The file is EDF+C (continuous EDF+): a
// fixed ASCII header, one signal per enabled channel plus an annotation
// signal, and one data record per frame. docs/psg-file-layout.md describes
// where every value passed here ends up in the file.
//
// Order of calls on one handle:
//   RecNew, RecSetMode x6, RecCreateFile,
//   RecBeginHeader, RecSetHeaderValue..., RecSetHeaderText, RecEndHeader,
//   RecPutPatientText..., RecSetPatientValue, RecSetPatientLayout, RecEndPatient,
//   RecPutLevel... / RecEndLevels (per position channel),
//   RecAddAnnotation... (any time after RecEndHeader, before RecWriteChannels),
//   RecSetChannelText / RecSetChannelValue (per channel), RecWriteChannels,
//   (RecAnnotationsLeftOut),
//   RecSetBlockSize, RecGetHeaderValue(key 4),
//   per block: RecWriteBlock per channel, (RecMarkMissing), then RecFlushBlock,
//   RecFinish, RecRelease.
// A run cut short is released without RecFinish: the file then keeps the
// records written so far and the "unknown" record count of the header.
//
// Texts are zero-terminated Shift-JIS; texts that EDF's ASCII header cannot
// hold are kept, converted to UTF-8, in onset-0 annotations spread over the
// first records. When the recording ends inside the last record, that
// record carries "Recording ends" at the true end with the rest of the
// record as its duration (the caller fills that rest with each channel's
// last sample); RecMarkMissing adds "Data missing" over a stretch, and
// RecAddAnnotation any annotation with an onset and a duration known before
// the data.
// Portable C++: no platform headers, 64-bit file offsets.
#pragma once

#include <cstddef>
#include <cstdint>

struct RecWriter;
typedef RecWriter* RecHandle;

// Header value keys (RecSetHeaderValue / RecGetHeaderValue).
enum RecHeaderKey {
    REC_HEADER_VERSION = 1,          // always 1
    REC_HEADER_CHANNELS = 2,         // number of channels that follow
    REC_HEADER_FRAME_SECONDS = 3,    // seconds per frame (= one data record)
    REC_HEADER_TOTAL_FRAMES = 4,     // read only: frames the file will hold
    REC_HEADER_YEAR = 10,            // start: year, month, day, hour, minute, second (10..15)
    REC_HEADER_LENGTH_SAMPLES = 20,  // source length in samples per channel
    REC_HEADER_SAMPLE_RATE = 21,     // source samples per second
    REC_HEADER_HUM_FILTER = 22       // hum filter in Hz: 0, 50 or 60
};

// Header text keys: the recording comment, and where the file came from
// (the source recording's file name, the converter's name and version),
// both kept as onset-0 annotations.
enum RecHeaderTextKey {
    REC_HEADER_TEXT_COMMENT = 1,
    REC_HEADER_TEXT_SOURCE_FILE = 2,
    REC_HEADER_TEXT_CONVERTER = 3
};

// Patient text keys (RecPutPatientText).
enum RecPatientKey {
    REC_PATIENT_ID = 11, REC_PATIENT_NAME = 13, REC_PATIENT_KANA = 14,
    REC_PATIENT_SEX = 21, REC_PATIENT_BIRTH_DATE = 22, REC_PATIENT_AGE = 23,
    REC_PATIENT_HEIGHT = 24, REC_PATIENT_WEIGHT = 25,
    REC_PATIENT_HOSPITAL = 101, REC_PATIENT_DEPARTMENT = 104,
    REC_PATIENT_REQ_DOCTOR = 105, REC_PATIENT_TECHNICIAN = 106,
    REC_PATIENT_READING_DOCTOR = 107, REC_PATIENT_MEDICATION = 201,
    REC_PATIENT_COMMENT1 = 301       // comments 1..5 are 301..305
};

// Patient value key (RecSetPatientValue): the patient block's total length.
enum { REC_PATIENT_VALUE_LENGTH = 130 };

// Position-level entry kinds (RecPutLevel).
enum RecLevelKind {
    REC_LEVEL_COUNT = 1,   // value 1 = number of levels
    REC_LEVEL_ENTRY = 2    // index = level, value 1 = centre, value 2 = width, text = label
};

// Channel text keys (RecSetChannelText).
enum RecChannelTextKey { REC_CHANNEL_LABEL = 1, REC_CHANNEL_UNIT = 2 };

// Channel value keys (RecSetChannelValue).
enum RecChannelKey {
    REC_CHANNEL_FLAGS = 1,           // 2: low filters given as low-cut; +4: sine calibration
    REC_CHANNEL_SOURCE_NUMBER = 2,   // source channel number, from 1
    REC_CHANNEL_SIGNAL_TYPE = 3,     // signal type code (RecTypeName)
    REC_CHANNEL_RATE = 4,            // output samples per second
    REC_CHANNEL_CAL_EU = 6,          // calibration value, engineering units
    REC_CHANNEL_CAL_VU = 7,          // A/D reading that corresponds to CAL_EU
    REC_CHANNEL_OFFSET_CAL = 8,      // offset in engineering units
    REC_CHANNEL_OFFSET_AD = 9,       // A/D offset
    REC_CHANNEL_TIME_CONSTANT = 11,  // milliseconds, 0 = off
    REC_CHANNEL_LOW_FILTER = 12,     // millihertz, 0 = off
    REC_CHANNEL_HIGH_FILTER = 13,    // hertz, 0 = off
    REC_CHANNEL_SENSITIVITY = 14     // thousandths
};

// The signal types of a channel, as the montage and the file code them:
// the one vocabulary of kinds of signal every part of the program uses.
enum {
    REC_TYPE_NONE = 0,
    REC_TYPE_EVENT = 2,
    REC_TYPE_EEG = 4,
    REC_TYPE_EOG = 5,
    REC_TYPE_EMG = 6,
    REC_TYPE_ECG = 7,
    REC_TYPE_FLOW = 8,
    REC_TYPE_THORAX = 9,
    REC_TYPE_ABDOMEN = 10,
    REC_TYPE_SPO2 = 11,
    REC_TYPE_PULSE = 12,
    REC_TYPE_SNORE = 13,
    REC_TYPE_LEG_EMG = 14,
    REC_TYPE_POSITION = 15,     // a body position: its values are level codes
    REC_TYPE_PRESSURE = 16,
    REC_TYPE_TEMPERATURE = 17,
    REC_TYPE_LIGHT = 18,
    REC_TYPE_PH = 19,
    REC_TYPE_OTHER = 20
};

// Creates a writer for the file at `path` (`a`, `b` are 4, 4). Null on failure.
RecHandle RecNew(const char* path, int a, int b);
void RecSetMode(RecHandle h, int key, int value);
// Creates (or truncates) the file. Non-zero on success.
int RecCreateFile(RecHandle h);
// In place of RecCreateFile: opens the existing file to compare with, never
// changing it. The run then goes as when writing, but every byte is
// compared with the file's; the first difference fails the handle
// (RecHasFailed) and RecDifferenceAt names its offset. Non-zero when the
// file could be opened.
int RecCompareFile(RecHandle h);
// The offset of the first byte that differs, -1 when none has (yet).
int64_t RecDifferenceAt(RecHandle h);

void RecBeginHeader(RecHandle h);
void RecSetHeaderValue(RecHandle h, int reserved, int key, int32_t value);
void RecSetHeaderText(RecHandle h, int reserved, int key, const char* text);
void RecEndHeader(RecHandle h);
// Header values; key 4 gives the total frames once the channel table and the
// block size are set.
int32_t RecGetHeaderValue(RecHandle h, int reserved, int key);

// Puts one patient field of `width` characters at `offset` of the patient
// block; returns the offset of the next field (offset + width, in 16 bits).
uint16_t RecPutPatientText(RecHandle h, int reserved, uint16_t offset, int width, int key, const char* text);
void RecSetPatientValue(RecHandle h, int reserved, int key, int32_t value);
void RecSetPatientLayout(RecHandle h, int reserved, int a, int b, int c);
void RecEndPatient(RecHandle h);

// Position-level table of montage row `channelNumber` (from 1).
void RecPutLevel(RecHandle h, int reserved, int kind, int channelNumber, int index,
                 int32_t value1, int32_t value2, const char* text);
void RecEndLevels(RecHandle h, int channelNumber);

// Adds an annotation with an onset and a duration, both in seconds from the
// recording's start (written to 100 ns), and `text` (Shift-JIS; converted to
// UTF-8, control characters become spaces, trimmed). Call it after
// RecEndHeader, when the recording's length (header keys 20, 21) is fixed,
// and before RecWriteChannels, which makes room for every annotation added
// in the data records (from the first record on, in the order added).
// Non-zero when added; 0 (nothing added) for a text empty or longer than 480
// bytes of UTF-8, an onset or duration below 0 or not a number, a stretch
// that ends after the recording, a handle without the recording's length, a
// call out of order, or more than 1,000,000 annotations.
int RecAddAnnotation(RecHandle h, double onsetSeconds, double durationSeconds, const char* text);
// How many added annotations the file leaves out, known once RecWriteChannels
// has fixed the layout: 0 unless the channels' samples leave too little of
// the 10 MiB a data record may take for all of them (the last ones added
// are left out then).
int32_t RecAnnotationsLeftOut(RecHandle h);

// Channel table; `channel` is the output index from 0.
void RecSetChannelText(RecHandle h, int reserved, int key, int channel, const char* text);
void RecSetChannelValue(RecHandle h, int reserved, int key, int channel, int32_t value);
// Writes the file header (record count still unknown). Non-zero on success;
// 0 (and RecHasFailed) when the values cannot make a valid file, such as a
// data record larger than the 10 MiB EDF readers accept: nothing is written.
int RecWriteChannels(RecHandle h);

void RecSetBlockSize(RecHandle h, uint16_t secondsPerBlock);

// Hands `frames` frames of output channel `channel` from an interleaved
// 16-bit buffer: `first` points at the channel's first sample, successive
// samples lie `strideBytes` apart. The samples go straight into the block's
// data records; with a stride of 2 (the channel's own run, as
// TaffReadChannelBlock delivers it) whole frames are copied at once.
// Non-zero on success.
int RecWriteBlock(RecHandle h, int reserved, uint16_t frames, int channel, int strideBytes,
                  const int16_t* first);
// Writes the frames handed since the last flush as data records (never more
// than the total frames). Non-zero on success, 0 when a write failed.
int RecFlushBlock(RecHandle h, uint16_t frames);
// Marks source samples [firstSample, firstSample + samples) as not recorded
// (the caller could not read them and hands the channels' held samples in
// their place): a "Data missing" annotation over them, cut at the
// recording's end, goes into the next record written. Call it once per
// block, before the block's flush. Non-zero when an annotation was added.
int RecMarkMissing(RecHandle h, int32_t firstSample, int32_t samples);
// Completes the file: record count patched, file flushed and closed.
// Non-zero on success, 0 when any write of the run failed or no data record
// was written (the count then stays "unknown" and RecHasFailed reports it).
int RecFinish(RecHandle h);
// Closes (without finishing) and frees; returns null to store back.
RecHandle RecRelease(RecHandle h);
// Non-zero when any write to the file has failed since RecCreateFile, the
// values cannot make a valid file, or the run finished without a record.
int RecHasFailed(RecHandle h);

// The rate reduction every channel's samples go through on their way into
// the data records, for a caller that wants the written samples without a
// file: `frames` frames of `sourcePerFrame` source samples at `first`
// (`strideBytes` apart) become `outputPerFrame` samples each, stored 16-bit
// little-endian at dst + f x frameBytes. Output = source copies; otherwise
// output sample k of a frame is the rounded mean of source samples
// [floor(k*S/N), floor((k+1)*S/N)), or the first of them for a body-position
// channel (`signalType` REC_TYPE_POSITION). When 1 <= N <= S does not hold,
// the frames are zeros.
void RecReduceFrames(int64_t sourcePerFrame, int64_t outputPerFrame, int32_t signalType, int frames,
                     const int16_t* first, int strideBytes, uint8_t* dst, size_t frameBytes);

// The physical range the file states for a channel's calibration (the
// values a reader scales the digital range -32768..32767 to), as numbers
// equal to the header's texts. Without a usable calibration (calVU 0, or a
// range the 8-character fields cannot tell apart) the range is the digital
// one and the result is 0; otherwise non-zero.
int RecPhysicalRange(int32_t calEU, int32_t calVU, int32_t offsetAD, int32_t offsetCAL, double* physMin,
                     double* physMax);

// Name of a signal type (0 and 2..20 have one) copied into `dest` of
// `destSize` bytes; returns non-zero when the type has a name, otherwise
// empties `dest` and returns 0.
uint16_t RecTypeName(uint16_t type, char* dest, int destSize);
