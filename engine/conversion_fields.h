// Conversion fields: the state of the conversion, the output file, the
// writer handle, the block buffer and the frame counters of a run.
#pragma once

#include <cstdint>

#include "engine/block_memory.h"
#include "engine/montage_types.h"
#include "engine/source_info.h"
#include "recfile/recfile.h"

enum ConversionStateValue : uint16_t {
    kConvNoOutput = 0,      // no output chosen since the recording was opened
    kConvOutputChosen = 1,
    kConvConverting = 2,
    kConvFinished = 3
};

enum { kCommentTextSize = 32 };

struct ConversionFields {
    uint16_t conversionState;
    RecHandle recHandle;
    char recordingComment[kCommentTextSize];
    char outputPath[kPathSize];
    BlockHandle blockBuffer;    // one block's scans, held during a run
    int32_t enabledChannelCount;
    int32_t framesDone;
    int32_t totalFrames;
    int32_t framesPerBlock;
    int32_t samplesPerBlock;
    int32_t readPosition;       // next scan to read
    // The source channels (from 0) written, in output order, fixed when the
    // header is written so the run writes the channels of its channel table
    // whatever the montage does meanwhile.
    int32_t runChannelCount;
    uint8_t runChannels[kChannelEntries];
    int32_t writeFailed;        // a write of the last run failed
    int32_t fileFinished;       // the last run completed its file (RecFinish succeeded)
    int32_t silentBlocks;       // blocks of the last run the reader could not read, held at the last sample
    // The temporary file in the output's folder a run writes to; it is moved
    // over outputPath only when complete. Empty: the run writes outputPath.
    char stagingPath[kPathSize];
    int32_t runStopped;         // the operator stopped the last run: its partial file was removed
    // The operator is being asked whether to stop the run: a run that ends
    // meanwhile keeps its complete file at stagingPath until the answer.
    int32_t placementHeld;
    int32_t lastRefusal;        // HeaderRefusal of the last start (0: none)
    int32_t shortSource;        // the last run converted a data file shorter than its header announces
    // The last sample the run read of each run channel (output order): a
    // block the reader cannot deliver repeats it. heldValid 0: nothing read yet.
    int32_t heldValid;
    int16_t heldSamples[kChannelEntries];
    // Added to the converter's provenance text of the file written (the
    // batch converter's hash of the settings that made it); empty: none.
    char provenanceNote[96];
    // The recording and montage (NightKey) whose failing night the operator
    // chose to convert anyway: the question is not asked again for them.
    uint64_t failingNightAllowed;
    // Of the night check's findings the run was handed (StartRun), how many
    // the file written last leaves out: the writer refused them or its data
    // records have no room (set with the header).
    int32_t checkNotesLeftOut;
    // The next run writes nothing: it compares every byte it would write with
    // the file at outputPath (the batch converter's --verify of a done
    // output); a difference ends it as a failed write (RecDifferenceAt).
    int32_t compareOnly;
};
