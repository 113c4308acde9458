// The writer as a direct caller may drive it, beyond what the converter
// hands in: a data record at the size limit EDF readers accept and one past
// it, a run that ends without a single data record, patient widths near the
// integer limit and identification texts longer than their header field.
// Whatever the writer calls finished must open in EDFlib.
#include "tests/support/edf_reader.h"
#include "rec_test_util.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

const int64_t kEdfRecordLimit = 10 * 1024 * 1024;  // EDFlib's largest data record

// A setup driven by hand: one source rate, channels given by their output
// rate, patient fields as (width, key, text).
struct Direct {
    int32_t frameSeconds = 1;
    int32_t sampleRate = 100;
    int32_t lengthSamples = 100 * 3;
    std::vector<int32_t> rates{100};
    std::vector<TestPatientField> patient;
};

// Everything up to the channel table; the caller writes it.
RecHandle Begin(const std::string& path, const Direct& d) {
    RecHandle h = RecNew(path.c_str(), 4, 4);
    if (!RecCreateFile(h)) return h;
    RecBeginHeader(h);
    RecSetHeaderValue(h, 0, REC_HEADER_CHANNELS, static_cast<int32_t>(d.rates.size()));
    RecSetHeaderValue(h, 0, REC_HEADER_FRAME_SECONDS, d.frameSeconds);
    RecSetHeaderValue(h, 0, REC_HEADER_LENGTH_SAMPLES, d.lengthSamples);
    RecSetHeaderValue(h, 0, REC_HEADER_SAMPLE_RATE, d.sampleRate);
    const int32_t start[6] = {2024, 3, 7, 22, 15, 30};
    for (int i = 0; i < 6; ++i) RecSetHeaderValue(h, 0, REC_HEADER_YEAR + i, start[i]);
    RecEndHeader(h);
    uint16_t offset = 0;
    for (const TestPatientField& f : d.patient) offset = RecPutPatientText(h, 0, offset, f.width, f.key, f.text.c_str());
    RecEndPatient(h);
    for (size_t o = 0; o < d.rates.size(); ++o) {
        RecSetChannelText(h, 0, REC_CHANNEL_LABEL, static_cast<int>(o), "C3");
        RecSetChannelValue(h, 0, REC_CHANNEL_SOURCE_NUMBER, static_cast<int>(o), static_cast<int32_t>(o) + 1);
        RecSetChannelValue(h, 0, REC_CHANNEL_SIGNAL_TYPE, static_cast<int>(o), 4);
        RecSetChannelValue(h, 0, REC_CHANNEL_RATE, static_cast<int>(o), d.rates[o]);
    }
    return h;
}

// Hands every frame of the recording (the samples 0, 1, 2 ... of one
// source channel) to every channel, one frame per flush, and finishes.
int WriteAllAndFinish(RecHandle h, const Direct& d) {
    const int64_t perFrame = int64_t{d.sampleRate} * d.frameSeconds;
    std::vector<int16_t> frame(static_cast<size_t>(perFrame));
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<int16_t>(i % 1000);
    const int32_t total = RecGetHeaderValue(h, 0, REC_HEADER_TOTAL_FRAMES);
    for (int32_t f = 0; f < total; ++f) {
        for (size_t o = 0; o < d.rates.size(); ++o) RecWriteBlock(h, 0, 1, static_cast<int>(o), 2, frame.data());
        RecFlushBlock(h, 1);
    }
    return RecFinish(h);
}

std::string HeaderField(const std::string& path, size_t at, size_t width) { return ReadFile(path).substr(at, width); }

// Bytes of the annotation signal (the last signal) of the one record of
// `d`, from the header of a file of the same texts with the smallest
// channel rates (EDFlib does not show the annotation signal's size).
int64_t AnnotationBytes(Direct d) {
    for (int32_t& r : d.rates) r = 1;
    const std::string path = TestPath("probe.dat");
    RecHandle h = Begin(path, d);
    RecWriteChannels(h);
    WriteAllAndFinish(h, d);
    RecRelease(h);
    if (!EdfReader(path).ok()) return -1;
    const size_t signals = d.rates.size() + 1;
    const size_t samplesField = 256 + signals * 216 + (signals - 1) * 8;
    return 2 * std::stoll(HeaderField(path, samplesField, 8));
}

int Subfields(const std::string& field) {
    std::string text = field;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    int count = text.empty() ? 0 : 1;
    for (char c : text) count += c == ' ';
    return count;
}

TEST(Direct, DataRecordUpToTheReadersLimitIsWrittenOneBeyondIsRefused) {
    Direct d;
    d.sampleRate = 4000000;  // the most source samples a record may hold per channel
    d.lengthSamples = d.sampleRate;
    d.rates = {d.sampleRate, 1};
    const int64_t annotation = AnnotationBytes(d);
    ASSERT_GT(annotation, 0);
    // The second channel takes what is left to exactly the limit.
    d.rates[1] = static_cast<int32_t>((kEdfRecordLimit - annotation) / 2 - d.sampleRate);

    const std::string fits = TestPath("limit.dat");
    RecHandle h = Begin(fits, d);
    ASSERT_TRUE(RecWriteChannels(h));
    EXPECT_TRUE(WriteAllAndFinish(h, d));
    EXPECT_FALSE(RecHasFailed(h));
    RecRelease(h);
    {
        EdfReader edf(fits);
        ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
        EXPECT_EQ(edf.hdr().datarecords_in_file, 1);
    }
    EXPECT_EQ(static_cast<int64_t>(ReadFile(fits).size()), 256 * 4 + kEdfRecordLimit);

    // Two bytes more: refused where the layout becomes known; no header is
    // written and nothing calls the file finished.
    d.rates[1] += 1;
    const std::string over = TestPath("over.dat");
    h = Begin(over, d);
    EXPECT_EQ(RecWriteChannels(h), 0);
    EXPECT_TRUE(RecHasFailed(h));
    EXPECT_EQ(RecFinish(h), 0);
    RecRelease(h);
    EXPECT_TRUE(ReadFile(over).empty());
    EXPECT_FALSE(EdfReader(over).ok());
}

TEST(Direct, AddedAnnotationsBeyondTheRecordLimitAreLeftOutAndCounted) {
    // Samples that leave room for two of five TALs of 26 bytes ("+0.5" 0x15 "0.25" 0x14 text 0x14 0x00).
    Direct d;
    d.sampleRate = 4000000;
    d.lengthSamples = d.sampleRate;
    d.rates = {d.sampleRate, 1};
    const int64_t annotation = AnnotationBytes(d);
    ASSERT_GT(annotation, 0);
    d.rates[1] = static_cast<int32_t>((kEdfRecordLimit - annotation - 2 * 26) / 2 - d.sampleRate);
    const std::string path = TestPath("leftout.dat");
    RecHandle h = Begin(path, d);
    for (const char* text : {"Check: Cz flat", "Check: C4 flat", "Check: O1 flat", "Check: O2 flat", "Check: F3 flat"})
        EXPECT_EQ(RecAddAnnotation(h, 0.5, 0.25, text), 1);
    ASSERT_TRUE(RecWriteChannels(h));
    EXPECT_EQ(RecAnnotationsLeftOut(h), 3);
    EXPECT_TRUE(WriteAllAndFinish(h, d));
    RecRelease(h);
    EXPECT_EQ(static_cast<int64_t>(ReadFile(path).size()), 256 * 4 + kEdfRecordLimit);
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    std::vector<std::string> checks;
    for (const EdfAnnotation& a : edf.Annotations())
        if (a.text.compare(0, 6, "Check:") == 0) checks.push_back(a.text);
    EXPECT_EQ(checks, (std::vector<std::string>{"Check: Cz flat", "Check: C4 flat"}));
}

TEST(Direct, RunWithoutADataRecordIsNeverFinished) {
    // No frames at all (an empty recording), and frames the caller never hands.
    for (bool emptyRecording : {true, false}) {
        Direct d;
        if (emptyRecording) d.lengthSamples = 0;
        const std::string path = TestPath("norecords.dat");
        RecHandle h = Begin(path, d);
        ASSERT_TRUE(RecWriteChannels(h));
        EXPECT_EQ(RecGetHeaderValue(h, 0, REC_HEADER_TOTAL_FRAMES), emptyRecording ? 0 : 3);
        EXPECT_EQ(RecFlushBlock(h, 0), 1);  // nothing to write is no failure yet
        EXPECT_EQ(RecFinish(h), 0) << emptyRecording;
        EXPECT_TRUE(RecHasFailed(h));
        RecRelease(h);
        EXPECT_EQ(HeaderField(path, 236, 8), "-1      ");  // still marked unfinished
        EXPECT_FALSE(EdfReader(path).ok());
    }
    // One record is enough for a finished file.
    Direct one;
    one.lengthSamples = 100;
    const std::string path = TestPath("onerecord.dat");
    RecHandle h = Begin(path, one);
    ASSERT_TRUE(RecWriteChannels(h));
    EXPECT_EQ(WriteAllAndFinish(h, one), 1);
    EXPECT_FALSE(RecHasFailed(h));
    RecRelease(h);
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok());
    EXPECT_EQ(edf.hdr().datarecords_in_file, 1);
}

TEST(Direct, PatientWidthNearTheIntegerLimitChainsIn16Bits) {
    const std::string path = TestPath("width.dat");
    RecHandle h = RecNew(path.c_str(), 4, 4);
    ASSERT_TRUE(RecCreateFile(h));
    RecBeginHeader(h);
    RecEndHeader(h);
    EXPECT_EQ(RecPutPatientText(h, 0, 100, INT_MAX, REC_PATIENT_ID, "P1"), 99);  // (100 + 2^31 - 1) mod 2^16
    EXPECT_EQ(RecPutPatientText(h, 0, 65535, INT_MAX, REC_PATIENT_NAME, "N"), 65534);
    EXPECT_EQ(RecPutPatientText(h, 0, 65535, 1, REC_PATIENT_KANA, ""), 0);
    EXPECT_EQ(RecPutPatientText(h, 0, 7, INT_MIN, REC_PATIENT_SEX, "M"), 7);  // no width: nothing taken
    RecRelease(h);
}

TEST(Direct, LongIdAndTechnicianKeepEveryIdentificationSubfield) {
    Direct d;
    const std::string id(90, 'A'), name(60, 'N'), tech(90, 'T');
    d.patient = {{90, REC_PATIENT_ID, id},         {60, REC_PATIENT_NAME, name},
                 {10, REC_PATIENT_BIRTH_DATE, "1965.03.07"}, {4, REC_PATIENT_SEX, "F"},
                 {90, REC_PATIENT_TECHNICIAN, tech}};
    const std::string path = TestPath("longid.dat");
    RecHandle h = Begin(path, d);
    ASSERT_TRUE(RecWriteChannels(h));
    ASSERT_EQ(WriteAllAndFinish(h, d), 1);
    RecRelease(h);

    const std::string patient = HeaderField(path, 8, 80), recording = HeaderField(path, 88, 80);
    EXPECT_EQ(Subfields(patient), 4) << patient;
    EXPECT_EQ(Subfields(recording), 5) << recording;
    EXPECT_EQ(recording.compare(0, 22, "Startdate 07-MAR-2024 "), 0) << recording;
    EXPECT_EQ(recording.substr(recording.find_last_not_of(' ') - 1, 2), " X") << recording;
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    const edf_hdr_struct& hdr = edf.hdr();
    EXPECT_EQ(std::string(hdr.patientcode).substr(0, 20), std::string(20, 'A'));
    EXPECT_STREQ(hdr.gender, "Female");
    EXPECT_EQ(hdr.birthdate_year, 1965);
    EXPECT_EQ(hdr.birthdate_day, 7);
    EXPECT_EQ(std::string(hdr.patient_name).substr(0, 1), "N");
    EXPECT_EQ(std::string(hdr.technician).substr(0, 20), std::string(20, 'T'));
    EXPECT_EQ(hdr.startdate_year, 2024);
}

TEST(Direct, ShortTextsStayWholeBesideALongOne) {
    // Only the text that does not fit is cut: a long name leaves the ID whole.
    Direct d;
    d.patient = {{20, REC_PATIENT_ID, "ID-0042"}, {90, REC_PATIENT_NAME, std::string(90, 'N')},
                 {4, REC_PATIENT_SEX, "M"}, {32, REC_PATIENT_TECHNICIAN, "Sato"}};
    const std::string path = TestPath("longname.dat");
    RecHandle h = Begin(path, d);
    ASSERT_TRUE(RecWriteChannels(h));
    ASSERT_EQ(WriteAllAndFinish(h, d), 1);
    RecRelease(h);
    const std::string patient = HeaderField(path, 8, 80);
    EXPECT_EQ(patient.compare(0, 12, "ID-0042 M X "), 0) << patient;
    EXPECT_EQ(Subfields(patient), 4);
    EXPECT_EQ(patient.back(), 'N');  // the name fills the field to its end
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok());
    EXPECT_STREQ(edf.hdr().technician, "Sato");
}

}  // namespace
