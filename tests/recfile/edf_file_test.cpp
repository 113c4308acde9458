// Reads PSG files written by the writer back with EDFlib and checks the
// header fields, the annotations (UTF-8 from Shift-JIS) and the header
// bytes themselves.
#include "tests/support/edf_reader.h"
#include "rec_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool HasAnnotation(const std::vector<EdfAnnotation>& all, const std::string& text) {
    return std::any_of(all.begin(), all.end(),
                       [&](const EdfAnnotation& a) { return a.text == text && a.onset == 0; });
}

std::string Pad(const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ');
}

TEST(EdfFile, ReadsBackHeaderSignalsAndSamples) {
    std::string path = TestPath("roundtrip.dat");
    TestRun run = DefaultRun();
    TestResult r = WriteRun(path, run);
    ASSERT_TRUE(r.created && r.channelsWritten && r.flushesOk && r.finished);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.totalFrames, 130);

    EdfReader edf(path);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    const edf_hdr_struct& h = edf.hdr();
    EXPECT_EQ(h.filetype, EDFLIB_FILETYPE_EDFPLUS);
    ASSERT_EQ(h.edfsignals, 3);
    EXPECT_EQ(h.datarecords_in_file, 130);
    EXPECT_EQ(h.datarecord_duration, EDFLIB_TIME_DIMENSION);
    EXPECT_EQ(edf.Label(0), "EEG C3-A2");
    EXPECT_EQ(edf.Label(1), "EOG Ch2");
    EXPECT_EQ(edf.Label(2), "Position");
    EXPECT_EQ(h.signalparam[0].smp_in_datarecord, 200);
    EXPECT_EQ(h.signalparam[1].smp_in_datarecord, 100);
    EXPECT_EQ(h.signalparam[2].smp_in_datarecord, 50);
    EXPECT_DOUBLE_EQ(h.signalparam[0].phys_min, -3276.8);
    EXPECT_DOUBLE_EQ(h.signalparam[0].phys_max, 3276.7);
    EXPECT_EQ(std::string(h.signalparam[0].prefilter).find("HP:0.5Hz LP:100Hz N:50Hz "), 0u);
    EXPECT_EQ(std::string(h.signalparam[2].prefilter).find("HP:DC N:50Hz "), 0u);
    EXPECT_EQ(std::string(h.signalparam[1].transducer).find("src=2 type=5 sens=1000 tc=300 flags=2 "), 0u);
    EXPECT_EQ(h.startdate_year, 2024);
    EXPECT_EQ(h.startdate_month, 3);
    EXPECT_EQ(h.startdate_day, 7);
    EXPECT_EQ(h.starttime_hour * 3600 + h.starttime_minute * 60 + h.starttime_second, 22 * 3600 + 15 * 60 + 30);
    EXPECT_STREQ(h.gender, "Male");
    EXPECT_EQ(h.birthdate_year, 1965);
    EXPECT_EQ(std::string(h.technician), "Sato");

    // Full-rate samples are copied; the last record comes from the partial last block.
    std::vector<int> eeg = edf.Digital(0, 129 * 200, 200);
    ASSERT_EQ(eeg.size(), 200u);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(eeg[i], run.sample(1, 129 * 200 + i)) << i;
    EXPECT_TRUE(edf.Digital(0, 130 * 200, 1).empty());
}

TEST(EdfFile, KeepsTextsInUtf8Annotations) {
    std::string path = TestPath("annotations.dat");
    ASSERT_TRUE(WriteRun(path, DefaultRun()).finished);
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok());
    std::vector<EdfAnnotation> all = edf.Annotations();
    for (const char* text :
         {u8"Patient ID: ID 001", u8"Patient name: 山田 太郎", u8"Patient kana: ﾔﾏﾀﾞ ﾀﾛｳ",
          u8"Age: 45Y03M", u8"Height: 170.5 cm", u8"Weight: 65 kg", u8"Facility: Sleep Lab",
          u8"Requesting doctor: Dr A", u8"Technician: Sato", u8"Comment 1: line1 line2",
          u8"Comment 5: last", u8"Recording comment: Night 1 手術",
          u8"Ch2: label=左眼; unit=uV; calEU=100; calVU=1000; offsetCAL=0; offsetAD=0",
          u8"Ch4 position levels: 3", u8"Ch4 position level 2: centre=0; width=5000; label=右",
          u8"Ch4 position level 3: centre=20000; width=5000; label=Left"})
        EXPECT_TRUE(HasAnnotation(all, text)) << text;
    for (const EdfAnnotation& a : all) {
        EXPECT_EQ(a.text.find("Department"), std::string::npos);  // empty fields are left out
        EXPECT_EQ(a.text.find("Comment 2"), std::string::npos);
    }
}

TEST(EdfFile, HeaderBytesAreTheExpectedAscii) {
    std::string path = TestPath("header.dat");
    ASSERT_TRUE(WriteRun(path, DefaultRun()).finished);
    std::string bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), 1280u);
    std::string main = "0       " + Pad("ID_001 M 07-MAR-1965 X", 80) +
                       Pad("Startdate 07-MAR-2024 X Sato X", 80) + "07.03.2422.15.301280    " +
                       Pad("EDF+C", 44) + "130     1       4   ";
    EXPECT_EQ(bytes.substr(0, 256), main);
    EXPECT_EQ(bytes.substr(256, 48), Pad("EEG C3-A2", 16) + Pad("EOG Ch2", 16) + Pad("Position", 16));
    EXPECT_EQ(bytes.substr(256 + 64 + 4 * 80, 32), Pad("uV", 8) + Pad("uV", 8) + Pad("", 16));
    EXPECT_EQ(bytes.substr(256 + 64 + 4 * 80 + 4 * 8, 32), "-3276.8 -3276.8 -32768  -1      ");
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.begin() + 1280,
                            [](char c) { return c >= 32 && c <= 126; }));
    // Records of 200 + 100 + 50 samples plus the annotation signal, nothing more.
    int annotationSamples = std::stoi(bytes.substr(256 + 64 + 4 * 80 + 5 * 4 * 8 + 4 * 80 + 3 * 8, 8));
    EXPECT_EQ(bytes.size(), 1280u + 130u * (2u * (350 + annotationSamples)));
}

TEST(EdfFile, StartOutsideTheEdfDateRangeIsMarkedUnknown) {
    struct Case {
        int32_t start[6];
        const char* dateTime;
        const char* recording;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0}, "01.01.8500.00.00", "Startdate X X Sato X"},
        {{2090, 5, 1, 10, 0, 0}, "01.01.8510.00.00", "Startdate X X Sato X"},
        {{2023, 2, 29, 25, 0, 0}, "01.01.8500.00.00", "Startdate X X Sato X"},
        {{2024, 2, 29, 23, 59, 59}, "29.02.2423.59.59", "Startdate 29-FEB-2024 X Sato X"},
        {{1985, 1, 1, 0, 0, 0}, "01.01.8500.00.00", "Startdate 01-JAN-1985 X Sato X"},
        {{2084, 12, 31, 0, 0, 0}, "31.12.8400.00.00", "Startdate 31-DEC-2084 X Sato X"},
    };
    for (const Case& c : cases) {
        TestRun run = DefaultRun();
        std::copy(c.start, c.start + 6, run.start);
        std::string path = TestPath("start.dat");
        ASSERT_TRUE(WriteRun(path, run).finished);
        std::string bytes = ReadFile(path);
        EXPECT_EQ(bytes.substr(168, 16), c.dateTime);
        EXPECT_EQ(bytes.substr(88, 80), Pad(c.recording, 80));
        EdfReader edf(path);
        EXPECT_TRUE(edf.ok()) << c.dateTime;
    }
    TestRun run = DefaultRun();
    std::fill(run.start, run.start + 6, 0);
    std::string path = TestPath("start0.dat");
    ASSERT_TRUE(WriteRun(path, run).finished);
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok());
    EXPECT_TRUE(HasAnnotation(edf.Annotations(), "Recording start as given: 0-0-0 0:0:0"));
}

}  // namespace
