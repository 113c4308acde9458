// The data file: finding it beside the header, cut-off files, the channel
// count when NUM_SERIES and the lists disagree, 24-bit samples on the
// 16-bit scale, blocks beyond the end, many channels, and offsets past
// 4 GiB (sparse files, so nothing large is written).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "taffread/taff_file.h"
#include "taffread/taff_header.h"
#include "tests/taffread/taff_test_util.h"

namespace {

std::string SimpleHeader(int numSeries, const std::string& series, const std::string& extra) {
    return "SERIES " + series + "\r\nDATE 03-14-2024\r\nTIME 22:15:04.00\r\nRATE 200\r\nNUM_SERIES " +
           std::to_string(numSeries) + "\r\n" + extra + "DATA\r\n";
}

std::string Int32Bytes(const std::vector<int32_t>& values) {
    std::string bytes;
    for (int32_t v : values) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
    }
    return bytes;
}

// Writes `bytes` at `offset` of an existing file.
void Patch(const std::string& path, int64_t offset, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fseeko(f, static_cast<off_t>(offset), SEEK_SET), 0);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
}

TEST(DataFile, FoundBesideTheHeaderWhateverTheCase) {
    TaffGenOptions o;
    o.channels = 3;
    o.scans = 20;
    for (const char* names : {"NIGHT001.Hdr|NIGHT001.dAt", "NIGHT001.hdr|night001.DAT"}) {
        TempDir dir;
        const std::string both = names;
        const std::string header = dir.File(both.substr(0, both.find('|')));
        ASSERT_TRUE(WriteTaffRecording(o, header));
        std::filesystem::rename(TaffGenDataPath(o, header), dir.File(both.substr(both.find('|') + 1)));
        Recording rec(header);
        ASSERT_TRUE(rec) << names;
        ExpectGeneratorSamples(rec, o, 7);
    }
}

TEST(DataFile, MissingEmptyOrAFolderIsNoRecording) {
    TaffGenOptions o;
    o.channels = 2;
    o.scans = 10;
    TempDir dir;
    const std::string header = dir.File("NIGHT001.HDR");
    ASSERT_TRUE(WriteTaffRecording(o, header));
    const std::string data = TaffGenDataPath(o, header);
    std::filesystem::remove(data);
    EXPECT_FALSE(Recording(header));
    std::filesystem::create_directory(data);
    EXPECT_FALSE(Recording(header));
    std::filesystem::remove(data);
    WriteFile(data, "");
    EXPECT_FALSE(Recording(header));
    WriteFile(data, "\x01\x02\x03");  // less than one scan
    EXPECT_FALSE(Recording(header));
    EXPECT_FALSE(Recording(dir.File("ABSENT.HDR")));
    EXPECT_EQ(TaffOpen(nullptr, 0), nullptr);
    EXPECT_EQ(TaffOpen("", 0), nullptr);
}

TEST(DataFile, PathLongerThanTheProgramPasses) {
    TempDir dir;
    std::string folder = dir.path();
    while (folder.size() < 400) folder += "/a_rather_long_folder_name_" + std::to_string(folder.size());
    std::filesystem::create_directories(folder);
    TaffGenOptions o;
    o.channels = 2;
    o.scans = 5;
    ASSERT_TRUE(WriteTaffRecording(o, folder + "/NIGHT001.HDR"));
    Recording rec(folder + "/NIGHT001.HDR");
    ASSERT_TRUE(rec);
    ExpectGeneratorSamples(rec, o, 5);
}

TEST(DataFile, CutOffRecordingIsReadAsFarAsItHoldsWholeScans) {
    for (bool sequential : {false, true}) {
        TaffGenOptions o;
        o.channels = 5;
        o.scans = 1000;
        o.sequential = sequential;
        TempDir dir;
        const std::string header = dir.File("NIGHT001.HDR");
        ASSERT_TRUE(WriteTaffRecording(o, header));
        // Interlaced: 640 whole scans and part of one. Sequential: the last
        // channel holds its first 640 samples and one byte.
        const int64_t bytes = sequential ? (4 * 1000 + 640) * 2 + 1 : 640 * 5 * 2 + 3;
        std::filesystem::resize_file(TaffGenDataPath(o, header), static_cast<uintmax_t>(bytes));
        Recording rec(header);
        ASSERT_TRUE(rec);
        EXPECT_EQ(rec.Value(TAFF_VALUE_LENGTH), 640);
        ExpectGeneratorSamples(rec, o, 300);
    }
}

TEST(DataFile, ChannelCountDecidedByDataSizeWhenListsDisagree) {
    const std::string four = "CH1_A,CH2_B,CH3_C,CH4_D";
    const std::string lists = "SLOPE 1,1,1,1\r\nY_OFFSET 0,0,0,0\r\nNUM_SAMPS 100\r\n";
    const struct {
        int dataChannels;
        int64_t scans;
        int expected;  // 0: refused
    } cases[] = {{4, 100, 4}, {16, 100, 16}, {4, 60, 4}, {16, 60, 16}, {5, 100, 0}, {4, 150, 0}};
    for (const auto& c : cases) {
        TempDir dir;
        WriteFile(dir.File("X.HDR"), SimpleHeader(16, four, lists));
        TaffGenOptions o;
        o.channels = c.dataChannels;
        o.scans = c.scans;
        ASSERT_TRUE(TaffGenWriteData(o, dir.File("X.DAT")));
        Recording rec(dir.File("X.HDR"));
        EXPECT_EQ(rec.Value(TAFF_VALUE_CHANNELS), c.expected) << c.dataChannels << " x " << c.scans;
        if (c.expected == 16) {
            EXPECT_EQ(rec.Name(3), "D");
            EXPECT_EQ(rec.Name(4), "CH5");
        }
        if (rec) ExpectGeneratorSamples(rec, o, 33);
    }
}

TEST(DataFile, LongSamplesRoundHalfUpAndClamp) {
    const std::vector<int32_t> raw = {0,       127,      128,      -128,     -129,      383,       384,
                                      6400000, -6400000, 8388607,  -8388608, INT32_MAX, INT32_MIN, -385};
    const std::vector<int16_t> expected = {0,     0,      1,     0,      -1,     1,      2,
                                           25000, -25000, 32767, -32768, 32767, -32768, -2};
    TempDir dir;
    WriteFile(dir.File("L.HDR"), SimpleHeader(2, "A,B", "FILE_TYPE LONG\r\n"));
    WriteFile(dir.File("L.DAT"), Int32Bytes(raw));
    Recording rec(dir.File("L.HDR"));
    ASSERT_TRUE(rec);
    ASSERT_EQ(rec.Value(TAFF_VALUE_LENGTH), 7);
    std::vector<int16_t> block(14);
    ASSERT_EQ(TaffReadBlock(rec.get(), 0, 7, block.data()), 7);
    EXPECT_EQ(block, expected);
}

TEST(DataFile, BlocksBeyondTheEndAreZeroFilled) {
    TaffGenOptions o;
    o.channels = 3;
    o.scans = 50;
    TempDir dir;
    ASSERT_TRUE(WriteTaffRecording(o, dir.File("B.HDR")));
    Recording rec(dir.File("B.HDR"));
    ASSERT_TRUE(rec);
    std::vector<int16_t> block(3 * 20, int16_t{99});
    EXPECT_EQ(TaffReadBlock(rec.get(), 45, 20, block.data()), 5);
    EXPECT_EQ(block[14], TaffGenExpectedSample(o, 2, 49));
    EXPECT_EQ(block[15], 0);
    EXPECT_EQ(block[59], 0);
    std::fill(block.begin(), block.end(), int16_t{99});
    EXPECT_EQ(TaffReadBlock(rec.get(), 50, 20, block.data()), 0);
    EXPECT_EQ(block, std::vector<int16_t>(60, 0));
    EXPECT_EQ(TaffReadBlock(rec.get(), -1, 20, block.data()), 0);
    EXPECT_EQ(TaffReadBlock(rec.get(), 0, 0, block.data()), 0);
    EXPECT_EQ(TaffReadBlock(rec.get(), 0, 20, nullptr), 0);
    EXPECT_EQ(TaffReadBlock(nullptr, 0, 20, block.data()), 0);
    EXPECT_EQ(TaffGetValue(nullptr, TAFF_VALUE_CHANNELS, 0), 0);
    EXPECT_EQ(TaffClose(nullptr), nullptr);
}

TEST(DataFile, ManyChannels) {
    for (int channels : {33, 40, 1024}) {
        TaffGenOptions o;
        o.channels = channels;
        o.scans = 30;
        o.longSamples = channels == 40;
        TempDir dir;
        ASSERT_TRUE(WriteTaffRecording(o, dir.File("M.HDR")));
        Recording rec(dir.File("M.HDR"));
        ASSERT_TRUE(rec) << channels;
        EXPECT_EQ(rec.Name(channels - 1), TaffGenChannelName(channels - 1));
        ExpectGeneratorSamples(rec, o, 11);
    }
    TempDir dir;
    WriteFile(dir.File("M.HDR"), SimpleHeader(1025, "A", ""));
    WriteFile(dir.File("M.DAT"), std::string(1025 * 2 * 4, '\0'));
    EXPECT_FALSE(Recording(dir.File("M.HDR")));
}

TEST(DataFile, OffsetsBeyondFourGiB) {
    // Interlaced 16-bit, 4 channels: scan 536870912 starts exactly at 4 GiB.
    TempDir dir;
    const int64_t scans = 671088640;  // 5 GiB
    WriteFile(dir.File("BIG.HDR"), SimpleHeader(4, "A,B,C,D", "NUM_SAMPS " + std::to_string(scans) + "\r\n"));
    WriteFile(dir.File("BIG.DAT"), "");
    std::filesystem::resize_file(dir.File("BIG.DAT"), static_cast<uintmax_t>(scans * 8));
    Patch(dir.File("BIG.DAT"), int64_t{536870911} * 8, std::string("\x01\0\x02\0\x03\0\x04\0\x05\0\x06\0\x07\0\x08\0", 16));
    Patch(dir.File("BIG.DAT"), (scans - 1) * 8 + 6, std::string("\xff\x7f", 2));
    Recording rec(dir.File("BIG.HDR"));
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec.Value(TAFF_VALUE_LENGTH), scans);
    std::vector<int16_t> block(8);
    ASSERT_EQ(TaffReadBlock(rec.get(), 536870911, 2, block.data()), 2);
    EXPECT_EQ(block, (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(TaffReadBlock(rec.get(), static_cast<int32_t>(scans - 1), 2, block.data()), 1);
    EXPECT_EQ(block, (std::vector<int16_t>{0, 0, 0, 32767, 0, 0, 0, 0}));

    // Sequential 24-bit, 2 channels: the second channel starts at 2.8 GB.
    const int64_t perChannel = 700000000;
    WriteFile(dir.File("SEQ.HDR"), SimpleHeader(2, "A,B", "STORAGE_MODE SEQUENTIAL\r\nFILE_TYPE LONG\r\nNUM_SAMPS " +
                                                              std::to_string(perChannel) + "\r\n"));
    WriteFile(dir.File("SEQ.DAT"), "");
    std::filesystem::resize_file(dir.File("SEQ.DAT"), static_cast<uintmax_t>(perChannel * 8));
    Patch(dir.File("SEQ.DAT"), (perChannel + 600000000) * 4, Int32Bytes({256 * 1234}));
    Recording seq(dir.File("SEQ.HDR"));
    ASSERT_TRUE(seq);
    ASSERT_EQ(TaffReadBlock(seq.get(), 600000000, 1, block.data()), 1);
    EXPECT_EQ(block[1], 1234);

    taff::Layout layout;
    layout.channels = 16;
    layout.sampleBytes = 4;
    EXPECT_EQ(taff::SampleOffset(layout, 15, 100000000), int64_t{6400000060});
}

}  // namespace
