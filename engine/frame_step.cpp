// The frame step and the end of a conversion run: reads a block of
// interleaved 16-bit scans, hands each run channel's samples to the writer and
// stops the run at the end of the recording or at the first failed write.
#include "engine/frame_step.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/block_memory.h"

namespace {

int32_t AddClamped(int32_t a, int32_t b) {
    const int64_t sum = int64_t{a} + b;
    return sum > INT32_MAX ? INT32_MAX : int32_t(sum);
}

// Completes the file after the last block; a failed completion is a failed
// write, not a normal end.
int CompleteFile(const RunRecords& s) {
    ConversionFields& c = s.conv;
    const int ok = RecFinish(c.recHandle);
    c.framesDone = c.totalFrames;
    if (ok && !RecHasFailed(c.recHandle)) c.fileFinished = 1;
    else c.writeFailed = 1;
    return 0;
}

// True when the buffer holds a whole block of the recording as the reader
// writes it and as the writer reads it (every channel's run, skip word
// included).
bool BlockFits(const RunRecords& s, size_t bufferBytes) {
    const SourceInfo& src = s.source;
    if (s.conv.samplesPerBlock <= 0 || src.channelCount <= 0) return false;
    if (src.bytesPerScan < 2 * int64_t{src.channelCount}) return false;
    const int64_t need = int64_t{src.bytesPerScan} * s.conv.samplesPerBlock + 2;
    return uint64_t(need) <= bufferBytes;
}

// Hands one block of every run channel to the writer, each from its own run
// of samplesPerBlock samples, and flushes it. False when the writer reports
// a failed write.
bool WriteBlock(const RunRecords& s, const int16_t* block) {
    ConversionFields& c = s.conv;
    const uint16_t frames = uint16_t(c.framesPerBlock);
    for (int o = 0; o < c.runChannelCount; ++o) {
        const int j = c.runChannels[o];
        if (j >= s.source.channelCount) return false;
        const int16_t* run = block + size_t(j) * size_t(c.samplesPerBlock);
        if (!RecWriteBlock(c.recHandle, 0, frames, o, 2, run)) return false;
    }
    return RecFlushBlock(c.recHandle, frames) && !RecHasFailed(c.recHandle);
}

// The run channels' samples the reader delivers first from scan `from` on,
// looked for at the start of each later block, into c.heldSamples. The
// block buffer serves as room for one scan. False when none is readable.
bool FirstSampleAfter(const RunRecords& s, int16_t* buffer, int32_t skipFlag, int64_t from) {
    ConversionFields& c = s.conv;
    for (int64_t at = from; at < s.source.lengthSamples; at += c.samplesPerBlock) {
        if (TaffReadChannelBlock(s.source.sourceHandle, int32_t(at), 1, buffer) <= 0) continue;
        const int16_t* scan = (skipFlag & 0xFFFF) ? buffer + 1 : buffer;
        for (int o = 0; o < c.runChannelCount; ++o) c.heldSamples[o] = scan[c.runChannels[o]];
        return true;
    }
    return false;
}

// Fills every run channel's run of the block with its held sample.
void FillHeld(const RunRecords& s, int16_t* runs) {
    const ConversionFields& c = s.conv;
    for (int o = 0; o < c.runChannelCount; ++o) {
        int16_t* run = runs + size_t(c.runChannels[o]) * size_t(c.samplesPerBlock);
        std::fill(run, run + c.samplesPerBlock, c.heldSamples[o]);
    }
}

// Reads and writes the block at readPosition, one run per channel, so each
// channel reaches the writer as a plain copy. False when a write failed, and
// for samples of any width but 16 bits, which this step cannot read: such a
// run ends as failed instead of finishing an empty file.
// A block the reader cannot deliver is written with the channels' held
// samples and marked as missing: the PSG file is continuous, so skipping it
// would move every later sample one block too early in time, and zeros
// would read as a real signal (an SpO2 of 0 %, a position level).
bool ConvertBlock(const RunRecords& s, int16_t* buffer, int32_t skipFlag) {
    ConversionFields& c = s.conv;
    if (s.source.bitsPerSample != 16) return false;
    int32_t delivered = 0;
    int16_t* block = ReadChannelRuns(s.source, s.source.sourceHandle, c.readPosition, c.samplesPerBlock, buffer,
                                     skipFlag, &delivered);
    if (delivered > 0) {
        for (int o = 0; o < c.runChannelCount; ++o)
            c.heldSamples[o] = block[size_t(c.runChannels[o]) * size_t(c.samplesPerBlock) + size_t(delivered - 1)];
        c.heldValid = 1;
    } else {
        c.silentBlocks = AddClamped(c.silentBlocks, 1);
        if (!c.heldValid) {
            // Nothing read yet: the first sample after the block stands in.
            if (!FirstSampleAfter(s, buffer, skipFlag, int64_t{c.readPosition} + c.samplesPerBlock))
                for (int o = 0; o < c.runChannelCount; ++o) c.heldSamples[o] = 0;
        }
        FillHeld(s, block);
        RecMarkMissing(c.recHandle, c.readPosition, c.samplesPerBlock);
    }
    return WriteBlock(s, block);
}


}  // namespace

int16_t* ReadChannelRuns(const SourceInfo& source, TaffHandle reader, int32_t first, int32_t samples,
                         int16_t* buffer, int32_t skipFlag, int32_t* delivered) {
    const int32_t n = TaffReadChannelBlock(reader, first, samples, buffer);
    if (n <= 0) memset(buffer, 0, size_t(source.bytesPerScan) * size_t(samples) + 2);
    if (delivered) *delivered = n > 0 ? n : 0;
    int16_t* runs = (skipFlag & 0xFFFF) ? buffer + 1 : buffer;
    // After the recording's end the reader leaves zeros: each channel holds
    // its last sample instead.
    if (n > 0 && n < samples)
        for (int32_t j = 0; j < source.channelCount; ++j) {
            int16_t* run = runs + size_t(j) * size_t(samples);
            std::fill(run + n, run + samples, run[n - 1]);
        }
    return runs;
}

int ConvertStep(const RunRecords& s, int32_t skipFlag) {
    ConversionFields& c = s.conv;
    if (s.source.sourceKind != kSourceTaff || c.conversionState != kConvConverting || !c.recHandle)
        return 0;
    if (c.framesDone >= c.totalFrames || c.readPosition >= s.source.lengthSamples || !c.blockBuffer)
        return CompleteFile(s);
    if (!BlockFits(s, BlockSize(c.blockBuffer))) return 0;

    // The buffer is not null here, and locking a block that exists cannot fail.
    const bool written = ConvertBlock(s, static_cast<int16_t*>(BlockLock(c.blockBuffer)), skipFlag);
    c.readPosition = AddClamped(c.readPosition, c.samplesPerBlock);
    BlockUnlock(c.blockBuffer);
    if (!written) {
        c.writeFailed = 1;
        return 0;
    }
    c.framesDone = AddClamped(c.framesDone, c.framesPerBlock);
    return 1;
}
