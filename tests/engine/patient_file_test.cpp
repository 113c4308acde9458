// The patient details the patient page collects, converted into a PSG file
// and read back with EDFlib: the patient identification of the header (ID,
// sex, birth date, name) and the complete Japanese texts in the annotations,
// including the medication and the five comments, filled to their fields'
// capacity the way the page cuts them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "convert_test_support.h"
#include "engine/settings_load.h"
#include "engine/version.h"
#include "textkit/sjis_text.h"

namespace {

// Narrow literals are Shift-JIS; u8 literals are the UTF-8 the file holds.
struct Text { const char* sjis; std::string utf8; };

const Text kName = {"佐藤花子", u8"佐藤花子"};
const Text kKana = {"さとうはなこ", u8"さとうはなこ"};
const Text kDepartment = {"精神神経科", u8"精神神経科"};
const Text kRequesting = {"山田一郎", u8"山田一郎"};
const Text kTechnician = {"鈴木ｹﾝｲﾁ", u8"鈴木ｹﾝｲﾁ"};
const Text kReading = {"高橋", u8"高橋"};
const Text kMedication = {"ゾルピデム 5mg 就寝前", u8"ゾルピデム 5mg 就寝前"};

// The operator typed more than a field holds: the page keeps what fits,
// whole characters only.
std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

bool Has(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

void FillPatient(PatientInfo& p) {
    CopyText(p.id, sizeof p.id, "A-0815");
    CopyText(p.name, sizeof p.name, kName.sjis);
    CopyText(p.kana, sizeof p.kana, kKana.sjis);
    CopyText(p.sex, sizeof p.sex, "F");
    p.birthYear = 1972, p.birthMonth = 11, p.birthDay = 5;
    p.ageYears = 52, p.ageMonths = 3;
    p.height = 1704, p.weight = 65000;
    CopyText(p.hospital, sizeof p.hospital, "Sleep Center");
    CopyText(p.department, sizeof p.department, kDepartment.sjis);
    CopyText(p.requestingDoctor, sizeof p.requestingDoctor, kRequesting.sjis);
    CopyText(p.technician, sizeof p.technician, kTechnician.sjis);
    CopyText(p.readingDoctor, sizeof p.readingDoctor, kReading.sjis);
    CopyText(p.medication, sizeof p.medication, kMedication.sjis);
    // Comment 1 typed far too long: 63 whole "睡" fit in 127 bytes.
    CopyText(p.comments[0], kCommentSize, Repeat("睡", 100).c_str());
    CopyText(p.comments[1], kCommentSize, "いびき多い");
    // Comment 3 stays empty; 4 and 5 mix single- and double-byte text.
    CopyText(p.comments[3], kCommentSize, "CPAP 8cmH2O 使用");
    CopyText(p.comments[4], kCommentSize, ("x" + Repeat("夜", 70)).c_str());
}

TEST(PatientFile, PageDetailsReachTheHeaderAndTheAnnotations) {
    TempDir dir;
    StateOwner s;
    const std::string out = dir.File("patient.DAT");
    TaffGenOptions options;
    options.channels = 4;
    options.rate = 200;
    options.scans = 200 * 90;
    OpenRecording(*s, options, dir.File("P.HDR"), out);
    FillPatient(s->patient);
    EXPECT_EQ(126u, strlen(s->patient.comments[0]));
    EXPECT_EQ(1u + 2 * 63, strlen(s->patient.comments[4]));

    const RunResult run = RunConversion(*s);
    ASSERT_EQ(kHeaderWritten, run.refusal);
    ASSERT_EQ(kRunCompleted, run.end);

    EdfReader edf(out);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    // Patient identification: the code, sex and birth date as given; a name
    // that is not ASCII is "X" there and complete in the annotations.
    EXPECT_STREQ("A-0815", edf.hdr().patientcode);
    EXPECT_STREQ("Female", edf.hdr().gender);
    EXPECT_EQ(1972, edf.hdr().birthdate_year);
    EXPECT_EQ(11, edf.hdr().birthdate_month);
    EXPECT_EQ(5, edf.hdr().birthdate_day);
    EXPECT_STREQ("X", edf.hdr().patient_name);

    const std::vector<std::string> texts = edf.AnnotationTexts();
    const std::string expected[] = {
        "Patient ID: A-0815",
        u8"Patient name: " + kName.utf8,
        u8"Patient kana: " + kKana.utf8,
        "Age: 52Y03M",
        "Facility: Sleep Center",
        "Department: " + kDepartment.utf8,
        "Requesting doctor: " + kRequesting.utf8,
        "Technician: " + kTechnician.utf8,
        "Reading doctor: " + kReading.utf8,
        "Medication: " + kMedication.utf8,
        "Height: 170.4 cm",
        "Weight: 65 kg",
        "Comment 1: " + Repeat(u8"睡", 63),
        u8"Comment 2: いびき多い",
        u8"Comment 4: CPAP 8cmH2O 使用",
        "Comment 5: x" + Repeat(u8"夜", 63),
    };
    for (const std::string& text : expected) EXPECT_TRUE(Has(texts, text)) << text;
    for (const std::string& text : texts) EXPECT_NE(0u, text.rfind("Comment 3", 0)) << "empty comment written";
}

TEST(PatientFile, MaleAndUnknownSexAndAnAsciiName) {
    TempDir dir;
    for (const char* sex : {"M", "0"}) {
        StateOwner s;
        const std::string out = dir.File(std::string("sex") + sex + ".DAT");
        TaffGenOptions options;
        options.channels = 2;
        options.scans = 200 * 10;
        OpenRecording(*s, options, dir.File(std::string("S") + sex + ".HDR"), out);
        PatientInfo& p = s->patient;
        CopyText(p.id, sizeof p.id, "000-0001");
        CopyText(p.name, sizeof p.name, "Ichiro Suzuki");
        CopyText(p.sex, sizeof p.sex, sex);
        p.birthYear = 1950, p.birthMonth = 1, p.birthDay = 1;
        ASSERT_EQ(kRunCompleted, RunConversion(*s).end);
        EdfReader edf(out);
        ASSERT_TRUE(edf.ok());
        EXPECT_STREQ(sex[0] == 'M' ? "Male" : "", edf.hdr().gender) << sex;
        EXPECT_STREQ("000-0001", edf.hdr().patientcode);
        EXPECT_STREQ("Ichiro Suzuki", edf.hdr().patient_name);   // written Ichiro_Suzuki
        EXPECT_EQ(1950, edf.hdr().birthdate_year);
    }
}

// A patient of whom nothing is known (the batch converter without a patient
// file) is written as unknown: "X" subfields, and no made-up age, height or
// weight. Every file names its recording and the converter that wrote it.
TEST(PatientFile, UnknownPatientIsWrittenAsUnknownAndTheFileNamesItsSource) {
    TempDir dir;
    StateOwner s;
    const std::string out = dir.File("unknown.DAT");
    TaffGenOptions options;
    options.channels = 2;
    options.scans = 200 * 10;
    OpenRecording(*s, options, dir.File("NIGHT7.HDR"), out);
    SetUnknownPatient(s->patient);
    EXPECT_FALSE(IsFirstStartPatient(s->patient));
    ASSERT_EQ(kRunCompleted, RunConversion(*s).end);
    EdfReader edf(out);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    // Every subfield "X": EDFlib reads the code and the birth date as unknown.
    EXPECT_STREQ("", edf.hdr().patientcode);
    EXPECT_STREQ("", edf.hdr().gender);
    EXPECT_EQ(0, edf.hdr().birthdate_year);
    std::ifstream file(out, std::ios::binary);
    char identity[8] = "";
    file.seekg(8);
    file.read(identity, 7);
    EXPECT_EQ("X X X X", std::string(identity, 7));
    const std::vector<std::string> texts = edf.AnnotationTexts();
    for (const std::string& text : texts)
        for (const char* made : {"Age:", "Height:", "Weight:", "Patient ID:", "Patient name:"})
            EXPECT_NE(0u, text.rfind(made, 0)) << text;
    EXPECT_TRUE(Has(texts, "Source recording: NIGHT7.HDR"));
    EXPECT_TRUE(Has(texts, "Converter: " CONVERTER_NAME " " CONVERTER_VERSION_TEXT));
}

TEST(PatientFile, FirstStartPatientIsRecognised) {
    PatientInfo p{};
    CopyText(p.id, sizeof p.id, "000-0001");
    CopyText(p.name, sizeof p.name, "新規");
    EXPECT_TRUE(IsFirstStartPatient(p));
    CopyText(p.name, sizeof p.name, "Ichiro Suzuki");   // a real name typed, the ID untouched
    EXPECT_FALSE(IsFirstStartPatient(p));
}

}  // namespace
