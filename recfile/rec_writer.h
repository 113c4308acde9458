// State of one PSG writer handle, shared by the parts of the writer: the
// values handed in by the program, the layout derived from them when the
// header is written, and the block of frames waiting to be written.
#pragma once

#include "recfile/rec_outfile.h"
#include "recfile/recfile.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Stages of a handle, in the order of calls the writer accepts.
enum class RecPhase {
    Created,    // after RecNew: mode keys, RecCreateFile
    FileOpen,   // RecBeginHeader
    Header,     // header values and text, RecEndHeader
    Patient,    // patient texts and values, RecEndPatient
    Tables,     // position levels and channel table, RecWriteChannels
    Data,       // block size, blocks, RecFinish
    Finished    // only RecRelease (and the read-only calls) remain
};

// Limits that keep a hand-made or broken setup from exhausting memory or
// overflowing the EDF header fields.
const int kRecMaxChannels = 256;
const int kRecMaxLevels = 64;
const int kRecMaxChannelNumber = 9999;
const int kRecLabelBytes = 64;       // channel label kept from the program
const int kRecUnitBytes = 32;        // channel unit kept from the program
const int kRecLevelLabelBytes = 32;  // position level label kept
const int kRecCommentBytes = 256;    // recording comment kept
const int kRecProvenanceBytes = 260; // source file name and converter text kept
const int kRecHeaderKeys = 23;       // header keys 0..22
const int kRecChannelKeys = 15;      // channel keys 0..14
const int32_t kRecMaxRecords = 99999999;          // fits the 8-character count field
const int64_t kRecMaxSourcePerRecord = 4000000;   // source samples per record and channel
const int kRecMinBlockFrames = 60;
// The largest data record (samples of every signal, annotations included)
// that standard EDF readers accept: a larger layout is refused.
const int64_t kRecMaxRecordBytes = 10 * 1024 * 1024;
// Timed annotations a handle takes from RecAddAnnotation; more are refused.
const size_t kRecMaxAddedAnnotations = 1000000;

struct RecLevel {
    int32_t centre = 0;
    int32_t width = 0;
    std::string label;  // Shift-JIS
};

// Position-level table of one montage row.
struct RecLevelTable {
    int32_t count = 0;
    std::vector<RecLevel> levels;  // index = level, grown as entries arrive
    bool ended = false;            // RecEndLevels seen: later entries ignored
};

struct RecChannel {
    std::string label;              // Shift-JIS, as handed in (cut)
    std::string unit;               // Shift-JIS, as handed in (cut)
    int32_t value[kRecChannelKeys] = {};  // indexed by RecChannelKey
    int32_t samplesPerRecord = 1;   // output samples per data record
    size_t recordOffset = 0;        // byte offset of its samples in a data record
    int32_t framesInBlock = 0;      // frames handed since the last flush
};

struct RecWriter {
    std::string path;
    RecPhase phase = RecPhase::Created;
    RecOutFile file;
    bool setupInvalid = false;  // the values cannot make a valid file (or a run ended without a record)

    int32_t header[kRecHeaderKeys] = {};  // indexed by RecHeaderKey
    std::string comment;                  // Shift-JIS
    std::string sourceFile;               // Shift-JIS: the recording's file name
    std::string converter;                // Shift-JIS: the converter's name and version
    std::map<int, std::string> patient;   // RecPatientKey -> Shift-JIS text
    std::map<int, RecLevelTable> levels;  // montage row -> table
    std::vector<RecChannel> channels;     // output index order

    // Layout fixed when the header is written.
    int32_t totalFrames = 0;
    int64_t sourcePerRecord = 0;   // source samples per record and channel
    int32_t annotationBytes = 0;   // bytes of the annotation signal per record
    size_t recordBytes = 0;        // bytes of one data record
    std::vector<std::string> onsetTexts;  // UTF-8 onset-0 annotations, spread over the first records
    size_t onsetTextsWritten = 0;  // how many of them records written so far hold
    int32_t timedBytes = 0;        // of annotationBytes, the room kept for timed annotations
    std::string endAnnotation;     // "Recording ends" TAL of the last record; empty when the data fill it
    std::vector<std::string> pendingTimed;  // timed TALs waiting for the next record written
    // Timed TALs known before the data (RecAddAnnotation), in the order
    // added, in a queue and a room of their own so that marks found while
    // writing ("Data missing") always have theirs. Records take them from
    // the first record on, as many as fit in addedBytes each.
    std::vector<std::string> addedTimed;
    size_t addedWritten = 0;       // how many of them records written so far hold
    int32_t addedBytes = 0;        // of annotationBytes, the room kept for them
    int32_t addedLeftOut = 0;      // added ones no record has room for (left out of the file)
    int32_t blockSeconds = 0;
    int32_t recordsWritten = 0;
    // The data records of the block being handed, exactly as they go to the
    // file: the channels' samples land here as they are handed in, and a
    // flush writes them with one write.
    std::vector<uint8_t> blockRecords;
};

// Frames the file will hold: ceil(lengthSamples / (sampleRate x FrameTime)),
// 0 when the rate, frame time or length is not positive; at most kRecMaxRecords.
int32_t RecComputeTotalFrames(const RecWriter& w);
