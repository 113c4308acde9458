// Blocks woven and unwoven: every storage and sample type read as scans and
// as one run per channel, with channel counts and block lengths that leave
// edges beyond whole 8 x 8 tiles, blocks spanning several pieces of the
// reader's chunk, and the branch-free 24-bit rule against plain arithmetic.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "taffread/taff_samples.h"
#include "tests/taffread/taff_test_util.h"

namespace {

// (v + 128) >> 8 in 64 bits, floored, clamped to int16.
int16_t LongReference(int64_t v) {
    int64_t x = v + 128;
    int64_t q = x >= 0 ? x / 256 : -((-x + 255) / 256);
    return static_cast<int16_t>(q > 32767 ? 32767 : (q < -32768 ? -32768 : q));
}

TEST(LongSamples, BranchFreeRuleMatchesArithmeticOverTheWholeRange) {
    const int64_t edge = int64_t{1} << 23;
    for (int64_t v = -edge - 65536; v <= edge + 65536; ++v)
        ASSERT_EQ(taff::LongTo16(static_cast<int32_t>(v)), LongReference(v)) << v;
    for (int64_t v = INT32_MIN; v < int64_t{INT32_MIN} + 65536; ++v)
        ASSERT_EQ(taff::LongTo16(static_cast<int32_t>(v)), LongReference(v)) << v;
    for (int64_t v = INT32_MAX; v > int64_t{INT32_MAX} - 65536; --v)
        ASSERT_EQ(taff::LongTo16(static_cast<int32_t>(v)), LongReference(v)) << v;
}

TEST(ChannelRuns, EveryStorageAndSampleTypeWithUnevenEdges) {
    for (int channels : {1, 3, 8, 13, 40}) {
        for (int kind = 0; kind < 4; ++kind) {
            TaffGenOptions o;
            o.channels = channels;
            o.scans = 205;
            o.longSamples = kind & 1;
            o.sequential = kind & 2;
            TempDir dir;
            ASSERT_TRUE(WriteTaffRecording(o, dir.File("R.HDR")));
            Recording rec(dir.File("R.HDR"));
            ASSERT_TRUE(rec);
            SCOPED_TRACE(std::to_string(channels) + " channels, kind " + std::to_string(kind));
            for (int32_t block : {7, 64, 100}) ExpectGeneratorSamples(rec, o, block);
        }
    }
}

TEST(ChannelRuns, BlocksSpanningSeveralPiecesOfTheChunk) {
    // 1024 channels: a 1 MiB chunk holds 256 LONG or 512 INTEGER scans, so a
    // block of 600 scans goes through it in pieces. All four variants of one
    // recording hold the same samples: the interlaced 16-bit file, read
    // straight and checked against the generator, is the reference.
    const int32_t first = 90, scans = 600;
    const size_t channels = 1024;
    std::vector<int16_t> reference(channels * scans);
    for (int kind = 0; kind < 4; ++kind) {
        TaffGenOptions o;
        o.channels = static_cast<int>(channels);
        o.scans = 700;
        o.longSamples = kind & 1;
        o.sequential = kind & 2;
        TempDir dir;
        ASSERT_TRUE(WriteTaffRecording(o, dir.File("P.HDR")));
        Recording rec(dir.File("P.HDR"));
        ASSERT_TRUE(rec);
        SCOPED_TRACE("kind " + std::to_string(kind));
        std::vector<int16_t> block(channels * scans, int16_t{0x5A5A});
        std::vector<int16_t> runs(channels * scans, int16_t{0x5A5A});
        ASSERT_EQ(TaffReadBlock(rec.get(), first, scans, block.data()), scans);
        ASSERT_EQ(TaffReadChannelBlock(rec.get(), first, scans, runs.data()), scans);
        if (kind == 0) {
            reference = block;
            for (size_t c = 0; c < channels; c += 7)
                for (int32_t i = 0; i < scans; ++i)
                    ASSERT_EQ(reference[static_cast<size_t>(i) * channels + c],
                              TaffGenExpectedSample(o, static_cast<int>(c), first + i));
        }
        ASSERT_EQ(block, reference);
        for (size_t c = 0; c < channels; ++c)
            for (size_t i = 0; i < static_cast<size_t>(scans); ++i)
                ASSERT_EQ(runs[c * scans + i], reference[i * channels + c]) << "channel " << c << " scan " << i;
    }
}

}  // namespace
