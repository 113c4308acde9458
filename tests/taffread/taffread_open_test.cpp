// Opening recordings: every variant the generator writes reads back sample
// for sample, and the header parser accepts what real recorders write
// (the example header, lowercase keywords, LF, spellings, early ends) while
// refusing headers that lack what a recording needs.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/taffread/taff_test_util.h"

namespace {

// long samples, sequential, CRLF, header extension, data extension
using Variant = std::tuple<bool, bool, bool, const char*, const char*>;

class GeneratedVariant : public ::testing::TestWithParam<Variant> {};

TEST_P(GeneratedVariant, OpensWithItsPropertiesAndReadsBackEverySample) {
    TaffGenOptions o;
    std::tie(o.longSamples, o.sequential, o.crlf, std::ignore, o.dataExtension) = GetParam();
    o.channels = 14;
    o.rate = 100;
    o.seconds = 31.37;
    o.year = 2013, o.month = 2, o.day = 9, o.hour = 7, o.minute = 5, o.second = 59;
    o.seed = 7;
    TempDir dir;
    const std::string header = dir.File(std::string("NIGHT002") + std::get<3>(GetParam()));
    ASSERT_TRUE(WriteTaffRecording(o, header));

    Recording rec(header);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec.Value(TAFF_VALUE_CHANNELS), 14);
    EXPECT_EQ(rec.Value(TAFF_VALUE_RATE), 100);
    EXPECT_EQ(rec.Value(TAFF_VALUE_LENGTH), 3137);
    EXPECT_EQ(rec.Value(TAFF_VALUE_SKIP_WORD), 0);
    EXPECT_EQ(rec.Value(TAFF_VALUE_YEAR), 2013);
    EXPECT_EQ(rec.Value(TAFF_VALUE_MONTH), 2);
    EXPECT_EQ(rec.Value(TAFF_VALUE_DAY), 9);
    EXPECT_EQ(rec.Value(TAFF_VALUE_HOUR), 7);
    EXPECT_EQ(rec.Value(TAFF_VALUE_MINUTE), 5);
    EXPECT_EQ(rec.Value(TAFF_VALUE_SECOND), 59);
    EXPECT_EQ(rec.Value(99), 0);
    for (int c = 0; c < 14; ++c) EXPECT_EQ(rec.Name(c), TaffGenChannelName(c));
    ExpectGeneratorSamples(rec, o, 1000);
}

INSTANTIATE_TEST_SUITE_P(AllVariants, GeneratedVariant,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(), ::testing::Bool(),
                                            ::testing::Values(".HDR", ".hdr"),
                                            ::testing::Values(".DAT", ".dat", ".Dat")));

TEST(GeneratedRecording, SixteenChannelsInMinuteBlocks) {
    TaffGenOptions o;
    o.seconds = 600;
    TempDir dir;
    ASSERT_TRUE(WriteTaffRecording(o, dir.File("NIGHT001.HDR")));
    Recording rec(dir.File("NIGHT001.HDR"));
    ASSERT_TRUE(rec);
    ExpectGeneratorSamples(rec, o, 60 * 200);
}

// Writes `header` beside a data file of `channels` x `scans` 16-bit samples
// from the generator and opens it.
struct HandWritten {
    TempDir dir;
    TaffGenOptions data;
    std::string path;
    HandWritten(const std::string& header, int channels, int64_t scans) {
        data.channels = channels;
        data.scans = scans;
        path = dir.File("NIGHT003.HDR");
        WriteFile(path, header);
        EXPECT_TRUE(TaffGenWriteData(data, dir.File("NIGHT003.DAT")));
    }
};

const char kExampleHeader[] =
    "DATASET NIGHT003\r\nVERSION 1\r\n"
    "SERIES CH1_C3-A2,CH2_C4-A1,CH3_O1-A2,CH4_O2-A1,CH5_LOC,CH6_ROC,CH7_Chin,CH8_ECG \r\n"
    "DATE 03-14-2024\r\nTIME 22:15:04.00\r\nRATE 200\r\nVERT_UNITS V,V,V,V,V,V,V,V \r\n"
    "HORZ_UNITS Sec\r\nCOMMENT overnight study\r\nNUM_SERIES 8\r\nSTORAGE_MODE INTERLACED\r\n"
    "FILE_TYPE INTEGER\r\n"
    "SLOPE 4.000000e-005,4.000000e-005,4.000000e-005,4.000000e-005,2.000000e-005,2.000000e-005,"
    "2.000000e-004,2.000000e-004 \r\nX_OFFSET 0.0\r\n"
    "Y_OFFSET 0.000000e+000,0.000000e+000,0.000000e+000,0.000000e+000,0.000000e+000,0.000000e+000,"
    "0.000000e+000,0.000000e+000 \r\nNUM_SAMPS 360000\r\nDATA\r\nDEVICE RECORDER\r\n"
    "CH1_1 DC_AMP,RANGE=1V,FILTER=ON\r\nID_NO 3\r\nTIME 20240314221504,20240314224504\r\n"
    "REC_MODE PCCARD \r\nID_END\r\nMEMO_LENGTH 15,0,0,0,0,0,0,0\r\nMEMO overnight study\r\n";

TEST(HeaderTolerance, ExampleHeaderVerbatim) {
    HandWritten f(kExampleHeader, 8, 360000);
    Recording rec(f.path);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec.Value(TAFF_VALUE_CHANNELS), 8);
    EXPECT_EQ(rec.Value(TAFF_VALUE_RATE), 200);
    EXPECT_EQ(rec.Value(TAFF_VALUE_LENGTH), 360000);
    EXPECT_EQ(rec.Value(TAFF_VALUE_YEAR), 2024);
    EXPECT_EQ(rec.Value(TAFF_VALUE_MONTH), 3);
    EXPECT_EQ(rec.Value(TAFF_VALUE_DAY), 14);
    EXPECT_EQ(rec.Value(TAFF_VALUE_HOUR), 22);
    EXPECT_EQ(rec.Value(TAFF_VALUE_MINUTE), 15);
    EXPECT_EQ(rec.Value(TAFF_VALUE_SECOND), 4);
    EXPECT_EQ(rec.Name(0), "C3-A2");
    EXPECT_EQ(rec.Name(7), "ECG");
    int16_t last[8];
    ASSERT_EQ(TaffReadBlock(rec.get(), 359999, 1, last), 1);
    EXPECT_EQ(last[7], TaffGenExpectedSample(f.data, 7, 359999));
}

// A minimal header with the given lines between the common part's start and DATA.
std::string Header(const std::string& series, const std::string& date, const std::string& time,
                   const std::string& rate, const std::string& numSeries, const std::string& extra = "") {
    return "DATASET THISIS~1\nVERSION 1\nSERIES " + series + "\nDATE " + date + "\nTIME " + time +
           "\nRATE " + rate + "\nNUM_SERIES " + numSeries + "\n" + extra + "DATA\n";
}

TEST(HeaderTolerance, LowercaseKeywordsLfBlankLinesSpacesAndNoRecorderPart) {
    HandWritten f("dataset x\n\n  series CH1_A, CH2_B  \nDate 02-09-2013  \n\ntime 18:45:24\r\nrate 2.005\n"
                  "vert_units V,V\nnum_series 2\nstorage_mode interlaced\nfile_type integer\n"
                  "SLOPE 8.000000e-005, 2.000000e-04\nY_OFFSET 0.00008000,2.000\nNUM_SAMPS 50\n"
                  "SOMETHING_NEW 1,2,3\ndata\n\n   ",
                  2, 50);
    Recording rec(f.path);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec.Value(TAFF_VALUE_RATE), 2);
    EXPECT_EQ(rec.Value(TAFF_VALUE_MONTH), 2);
    EXPECT_EQ(rec.Value(TAFF_VALUE_DAY), 9);
    EXPECT_EQ(rec.Value(TAFF_VALUE_SECOND), 24);
    EXPECT_EQ(rec.Name(1), "B");
}

TEST(HeaderTolerance, HeaderEndingEarlyUsesTheDataSize) {
    // No NUM_SAMPS and no DATA: the length is what the data file holds.
    HandWritten f("SERIES CH1_A,CH2_B\nDATE 01-31-2020\nTIME 00:00:00\nRATE 199.6\nNUM_SERIES 2", 2, 77);
    Recording rec(f.path);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec.Value(TAFF_VALUE_RATE), 200);
    EXPECT_EQ(rec.Value(TAFF_VALUE_LENGTH), 77);
}

TEST(HeaderTolerance, OnlyTheCommonPartCounts) {
    // The TIME after DATA is the recorder's start and stop stamp, not a time of day.
    HandWritten late("SERIES A\nDATE 01-01-2020\nRATE 100\nNUM_SERIES 1\nDATA\nTIME 20200101000000,20200101010000\n",
                     1, 10);
    EXPECT_FALSE(Recording(late.path));
    HandWritten f(Header("A", "01-01-2020", "10:11:12", "100", "1") + "TIME 20200101000000,20200101010000\n"
                      "NUM_SERIES 5\nFILE_TYPE LONG\n",
                  1, 10);
    Recording rec(f.path);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec.Value(TAFF_VALUE_HOUR), 10);
    EXPECT_EQ(rec.Value(TAFF_VALUE_CHANNELS), 1);
    EXPECT_EQ(rec.Value(TAFF_VALUE_LENGTH), 10);
}

TEST(HeaderTolerance, ChannelNames) {
    HandWritten f(Header("CH1_C3-A2,CH2_,,EMG,CH10_Leg L,ch6_x,CH_y,CH7", "01-01-2020", "0:0:0", "1", "9"), 9, 4);
    Recording rec(f.path);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec.Name(0), "C3-A2");
    EXPECT_EQ(rec.Name(1), "CH2");     // nothing after the prefix
    EXPECT_EQ(rec.Name(2), "CH3");     // empty item
    EXPECT_EQ(rec.Name(3), "EMG");     // no prefix
    EXPECT_EQ(rec.Name(4), "Leg L");
    EXPECT_EQ(rec.Name(5), "x");
    EXPECT_EQ(rec.Name(6), "CH_y");
    EXPECT_EQ(rec.Name(7), "CH7");
    EXPECT_EQ(rec.Name(8), "CH9");     // beyond the list
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(TaffGetText(rec.get(), TAFF_TEXT_CHANNEL_NAME, 0, small, 4), 1);
    EXPECT_STREQ(small, "C3-");
    EXPECT_EQ(TaffGetText(rec.get(), TAFF_TEXT_CHANNEL_NAME, 0, small, 1), 1);
    EXPECT_STREQ(small, "");
    small[0] = 'x';
    EXPECT_EQ(TaffGetText(rec.get(), TAFF_TEXT_CHANNEL_NAME, 9, small, 4), 0);
    EXPECT_EQ(small[0], '\0');
    EXPECT_EQ(TaffGetText(rec.get(), 3, 0, small, 4), 0);
    EXPECT_EQ(TaffGetText(rec.get(), TAFF_TEXT_CHANNEL_NAME, 0, nullptr, 4), 0);
    EXPECT_EQ(TaffGetText(rec.get(), TAFF_TEXT_CHANNEL_NAME, 0, small, 0), 0);
    EXPECT_EQ(TaffGetText(nullptr, TAFF_TEXT_CHANNEL_NAME, 0, small, 4), 0);
}

TEST(HeaderTolerance, RefusesWhatIsNotARecording) {
    const std::string ok = "A,B";
    const struct {
        std::string header;
        const char* why;
    } cases[] = {
        {Header(ok, "01-01-2020", "00:00:00", "0", "2"), "RATE 0"},
        {Header(ok, "01-01-2020", "00:00:00", "0.4", "2"), "RATE rounds to 0"},
        {Header(ok, "01-01-2020", "00:00:00", "-200", "2"), "negative RATE"},
        {Header(ok, "01-01-2020", "00:00:00", "fast", "2"), "RATE not a number"},
        {Header(ok, "01-01-2020", "00:00:00", "1e400", "2"), "RATE overflows"},
        {Header(ok, "01-01-2020", "00:00:00", "200", "0"), "no channels"},
        {Header(ok, "01-01-2020", "00:00:00", "200", "99999999999999999999"), "huge NUM_SERIES"},
        {Header(ok, "13-01-2020", "00:00:00", "200", "2"), "month 13"},
        {Header(ok, "02-30-2020", "00:00:00", "200", "2"), "30 February"},
        {Header(ok, "2020-01-01", "00:00:00", "200", "2"), "year first"},
        {Header(ok, "01-01-2020", "24:00:00", "200", "2"), "hour 24"},
        {Header(ok, "01-01-2020", "00:00:00", "200", "2", "FILE_TYPE FLOAT\n"), "unknown sample type"},
        {Header(ok, "01-01-2020", "00:00:00", "200", "2", "STORAGE_MODE BLOCKED\n"), "unknown storage"},
        {Header(ok, "01-01-2020", "00:00:00", "200", "2", "NUM_SAMPS -4\n"), "negative NUM_SAMPS"},
        {Header(ok, "01-01-2020", "00:00:00", "200", "2", "NUM_SAMPS 0\n"), "empty recording"},
        {"DATE 01-01-2020\nTIME 00:00:00\nRATE 200\nNUM_SERIES 2\nDATA\n", "no SERIES"},
        {"SERIES A,B\nDATE 01-01-2020\nTIME 00:00:00\nNUM_SERIES 2\nDATA\n", "no RATE"},
        {"SERIES A,B\nDATE 01-01-2020\nTIME 00:00:00\nRATE 200\nDATA\nNUM_SERIES 2\n", "NUM_SERIES after DATA"},
        {std::string("SERIES A,B\nDATE 01-01-2020\nTIME 00:00:00\nRATE 2") + '\0' + "\nNUM_SERIES 2\nDATA\n",
         "zero byte"},
    };
    for (const auto& c : cases) {
        HandWritten f(c.header, 2, 100);
        EXPECT_FALSE(Recording(f.path)) << c.why;
    }
}

}  // namespace
