// Helpers of the reader tests; see taff_test_util.h.
#include "tests/taffread/taff_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

std::string Recording::Name(int channel) const {
    char name[64];
    if (!TaffGetText(handle_, TAFF_TEXT_CHANNEL_NAME, channel, name, sizeof name)) return "<none>";
    return name;
}

void ExpectGeneratorSamples(const Recording& rec, const TaffGenOptions& o, int32_t blockScans) {
    const int channels = rec.Value(TAFF_VALUE_CHANNELS);
    const int32_t length = rec.Value(TAFF_VALUE_LENGTH);
    ASSERT_EQ(channels, o.channels);
    std::vector<int16_t> block(static_cast<size_t>(blockScans) * static_cast<size_t>(channels));
    for (int32_t first = 0; first < length; first += blockScans) {
        std::fill(block.begin(), block.end(), int16_t{0x5A5A});
        const int32_t got = TaffReadBlock(rec.get(), first, blockScans, block.data());
        ASSERT_EQ(got, std::min(blockScans, length - first)) << "block at " << first;
        for (int32_t i = 0; i < blockScans; ++i) {
            for (int c = 0; c < channels; ++c) {
                const int16_t expected = i < got ? TaffGenExpectedSample(o, c, first + i) : 0;
                ASSERT_EQ(block[static_cast<size_t>(i) * channels + c], expected)
                    << "scan " << first + i << " channel " << c;
            }
        }
        // The same block as one run per channel.
        std::fill(block.begin(), block.end(), int16_t{0x5A5A});
        ASSERT_EQ(TaffReadChannelBlock(rec.get(), first, blockScans, block.data()), got) << "block at " << first;
        for (int c = 0; c < channels; ++c) {
            for (int32_t i = 0; i < blockScans; ++i) {
                const int16_t expected = i < got ? TaffGenExpectedSample(o, c, first + i) : 0;
                ASSERT_EQ(block[static_cast<size_t>(c) * blockScans + i], expected)
                    << "run of channel " << c << ", scan " << first + i;
            }
        }
    }
}

namespace {

void ExerciseBlock(TaffHandle handle, int channels, int32_t length, int32_t first, int32_t scans) {
    std::vector<int16_t> block(static_cast<size_t>(scans) * static_cast<size_t>(channels), int16_t{0x5A5A});
    const int32_t got = TaffReadBlock(handle, first, scans, block.data());
    const int64_t inFile = std::max<int64_t>(0, std::min<int64_t>(scans, int64_t{length} - first));
    ASSERT_GE(got, 0);
    ASSERT_LE(got, inFile);
    if (got == inFile) {
        for (size_t i = static_cast<size_t>(got) * channels; i < block.size(); ++i) ASSERT_EQ(block[i], 0);
    }
    // One run per channel, into a buffer of exactly the same size.
    std::vector<int16_t> runs(block.size(), int16_t{0x5A5A});
    ASSERT_EQ(TaffReadChannelBlock(handle, first, scans, runs.data()), got);
    for (size_t c = 0; c < static_cast<size_t>(channels); ++c) {
        for (size_t i = 0; i < static_cast<size_t>(scans); ++i) {
            const int16_t scanOrder = block[i * static_cast<size_t>(channels) + c];
            ASSERT_EQ(runs[c * static_cast<size_t>(scans) + i], scanOrder) << "channel " << c << " scan " << i;
        }
    }
}

}  // namespace

void ExerciseHandle(TaffHandle handle) {
    const int channels = TaffGetValue(handle, TAFF_VALUE_CHANNELS, 0);
    const int32_t length = TaffGetValue(handle, TAFF_VALUE_LENGTH, 0);
    ASSERT_GE(channels, 1);
    ASSERT_LE(channels, 1024);
    ASSERT_GE(length, 1);
    ASSERT_GE(TaffGetValue(handle, TAFF_VALUE_RATE, 0), 1);
    ASSERT_EQ(TaffGetValue(handle, TAFF_VALUE_SKIP_WORD, 0), 0);
    for (int c = -1; c <= channels; ++c) {
        char name[32];
        const int ok = TaffGetText(handle, TAFF_TEXT_CHANNEL_NAME, c, name, sizeof name);
        ASSERT_EQ(ok != 0, c >= 0 && c < channels);
        ASSERT_LT(std::string(name).size(), sizeof name);
    }
    ExerciseBlock(handle, channels, length, 0, 7);
    ExerciseBlock(handle, channels, length, length / 2, 300);
    ExerciseBlock(handle, channels, length, length - 1, 5);
    ExerciseBlock(handle, channels, length, length, 3);
    ExerciseBlock(handle, channels, length, INT32_MAX - 1, 2);
}
