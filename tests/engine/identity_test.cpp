// The identity options through real conversions read back with EDFlib and
// searched byte for byte: the de-identified copy carries the study code and
// nothing of the patient's name, birth date, staff, medication or comments
// (in Shift-JIS, UTF-8 or ASCII) nor the source file's name, the age and
// sex only when ticked, and a
// start moved to 1985-01-01 with its time of day; the full identity is left
// as it was. Also the option keys of the settings file read back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert_test_support.h"
#include "engine/identity_rules.h"
#include "engine/ini_file.h"
#include "textkit/sjis_text.h"

namespace {

// Narrow literals are Shift-JIS; u8 literals are the UTF-8 the annotations use.
struct Secret { const char* sjis; std::string utf8; };
const Secret kSecrets[] = {
    {"佐藤花子", u8"佐藤花子"}, {"さとうはなこ", u8"さとうはなこ"}, {"山田一郎", u8"山田一郎"},
    {"鈴木ｹﾝｲﾁ", u8"鈴木ｹﾝｲﾁ"}, {"高橋", u8"高橋"}, {"ゾルピデム", u8"ゾルピデム"},
    {"いびき多い", u8"いびき多い"}, {"精神神経科", u8"精神神経科"}};
// ASCII texts that must not reach a de-identified file.
const char* const kAsciiSecrets[] = {"Hanako", "Sato", "A-0815", "Dr Kimura", "Night nurse Ito",
                                     "1972.11.05", "05-NOV-1972", "1972-11-05", "CPAP trial",
                                     "Bed 4 snored", "Nishi Clinic"};

void FillPatient(PatientInfo& p) {
    CopyText(p.id, sizeof p.id, "A-0815");
    CopyText(p.name, sizeof p.name, "Hanako Sato");
    CopyText(p.kana, sizeof p.kana, "さとうはなこ");
    CopyText(p.sex, sizeof p.sex, "F");
    p.birthYear = 1972, p.birthMonth = 11, p.birthDay = 5;
    p.ageYears = 52, p.ageMonths = 3;
    p.height = 1704, p.weight = 65000;
    CopyText(p.hospital, sizeof p.hospital, "Nishi Clinic");
    CopyText(p.department, sizeof p.department, "精神神経科");
    CopyText(p.requestingDoctor, sizeof p.requestingDoctor, "Dr Kimura");
    CopyText(p.technician, sizeof p.technician, "Night nurse Ito");
    CopyText(p.readingDoctor, sizeof p.readingDoctor, "高橋");
    CopyText(p.medication, sizeof p.medication, "ゾルピデム 5mg");
    CopyText(p.comments[0], kCommentSize, "いびき多い");
    CopyText(p.comments[1], kCommentSize, "佐藤花子 山田一郎 鈴木ｹﾝｲﾁ");
    CopyText(p.comments[4], kCommentSize, "CPAP trial");
}

struct Converted {
    std::string path, bytes;
};

// Converts a 10-second recording (start 2024-03-14 22:15:04) of the filled
// patient with `identity` and the recording comment "Bed 4 snored".
Converted Convert(const TempDir& dir, const std::string& name, const IdentityOptions& identity) {
    StateOwner s;
    const std::string out = dir.File(name + ".DAT");
    TaffGenOptions options;
    options.channels = 3;
    options.scans = 200 * 10;
    OpenRecording(*s, options, dir.File(name + ".HDR"), out);
    FillPatient(s->patient);
    CopyText(s->conv.recordingComment, sizeof s->conv.recordingComment, "Bed 4 snored");
    s->settings.identity = identity;
    const RunResult run = RunConversion(*s);
    EXPECT_EQ(kHeaderWritten, run.refusal);
    EXPECT_EQ(kRunCompleted, run.end);
    return {out, ReadFile(out)};
}

IdentityOptions Research(const char* code, bool age, bool sex, bool shift) {
    IdentityOptions o = {};
    o.mode = kIdentityResearch;
    CopyText(o.studyCode, sizeof o.studyCode, code);
    o.keepAge = age, o.keepSex = sex, o.replaceStartDate = shift;
    return o;
}

bool Contains(const std::string& bytes, const std::string& piece) { return bytes.find(piece) != std::string::npos; }

bool HasText(const std::vector<std::string>& texts, const std::string& prefix) {
    for (const std::string& t : texts)
        if (t.rfind(prefix, 0) == 0) return true;
    return false;
}

TEST(ResearchCopy, CarriesTheStudyCodeAndNoTraceOfThePerson) {
    TempDir dir;
    const Converted full = Convert(dir, "FULL", IdentityOptions{});
    const Converted copy = Convert(dir, "COPY", Research("STUDY-17", false, false, false));

    // The full identity still carries everything: the search below would
    // find the texts if they were written.
    EXPECT_TRUE(Contains(full.bytes, "Hanako_Sato"));
    EXPECT_TRUE(Contains(full.bytes, kSecrets[0].utf8));
    EXPECT_TRUE(Contains(full.bytes, "Bed 4 snored"));

    EdfReader edf(copy.path);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    EXPECT_STREQ("STUDY-17", edf.hdr().patientcode);
    EXPECT_STREQ("", edf.hdr().gender);
    EXPECT_STREQ("", edf.hdr().birthdate);       // EDFlib reads an unknown "X" as empty
    EXPECT_STREQ("X", edf.hdr().patient_name);
    EXPECT_STREQ("", edf.hdr().technician);
    EXPECT_EQ(std::string("STUDY-17 X X X "), std::string(copy.bytes, 8, 15));
    EXPECT_EQ(std::string("Startdate 14-MAR-2024 X X X "), std::string(copy.bytes, 88, 28));
    EXPECT_EQ(2024, edf.hdr().startdate_year);   // no shift asked

    for (const Secret& s : kSecrets) {
        EXPECT_FALSE(Contains(copy.bytes, s.sjis)) << s.utf8;
        EXPECT_FALSE(Contains(copy.bytes, s.utf8)) << s.utf8;
    }
    for (const char* s : kAsciiSecrets) EXPECT_FALSE(Contains(copy.bytes, s)) << s;
    const std::vector<std::string> texts = edf.AnnotationTexts();
    EXPECT_TRUE(HasText(texts, "Patient ID: STUDY-17"));
    for (const char* dropped : {"Age", "Height", "Weight", "Facility", "Comment", "Recording comment",
                                "Source recording"})
        EXPECT_FALSE(HasText(texts, dropped)) << dropped;
    EXPECT_FALSE(Contains(copy.bytes, "COPY.HDR"));    // a file name may name the patient
    EXPECT_TRUE(HasText(texts, "Converter: "));        // the converter and version stay
    EXPECT_TRUE(Contains(full.bytes, "FULL.HDR"));
    EXPECT_TRUE(HasText(texts, "Ch1: label="));   // the montage stays
}

TEST(ResearchCopy, AgeSexAndStartAsTicked) {
    TempDir dir;
    struct Case {
        bool age, sex, shift;
        const char* gender;         // as EDFlib reads it
        int year, month, day;
    } cases[] = {
        {false, false, false, "", 2024, 3, 14},
        {true, false, true, "", 1985, 1, 1},
        {false, true, true, "Female", 1985, 1, 1},
        {true, true, false, "Female", 2024, 3, 14},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "C" + std::to_string(n++);
        const Converted copy = Convert(dir, name, Research("", c.age, c.sex, c.shift));
        EdfReader edf(copy.path);
        ASSERT_TRUE(edf.ok()) << name;
        EXPECT_STREQ(c.gender, edf.hdr().gender) << name;
        EXPECT_EQ(std::string("X "), std::string(copy.bytes, 8, 2)) << name;   // no study code: unknown
        const std::vector<std::string> texts = edf.AnnotationTexts();
        EXPECT_EQ(c.age, HasText(texts, "Age: 52Y")) << name;
        EXPECT_FALSE(HasText(texts, "Age: 52Y03M")) << name;   // whole years only
        EXPECT_EQ(c.year, edf.hdr().startdate_year) << name;
        EXPECT_EQ(c.month, edf.hdr().startdate_month) << name;
        EXPECT_EQ(c.day, edf.hdr().startdate_day) << name;
        EXPECT_EQ(22, edf.hdr().starttime_hour) << name;      // the time of day stays
        EXPECT_EQ(15, edf.hdr().starttime_minute) << name;
        EXPECT_EQ(4, edf.hdr().starttime_second) << name;
        EXPECT_EQ(c.shift, Contains(copy.bytes, "Startdate 01-JAN-1985")) << name;
        EXPECT_FALSE(Contains(copy.bytes, "Recording start as given")) << name;
    }
}

TEST(OptionKeys, StoredTextsReadBackAndMissingKeysKeepTodaysBehaviour) {
    struct Case {
        const char* ini;
        uint16_t mode, keepAge, keepSex, shift;
        const char* code;
    } cases[] = {
        {"[SYSTEM]\nMaxCh=16\n", kIdentityFull, 0, 0, 0, ""},
        {"[SYSTEM]\nIdentity=1\nStudyCode=S-9\nKeepAge=1\nShiftStart=1\nAskUnregistered=1\n", kIdentityResearch, 1,
         0, 1, "S-9"},
        // A damaged choice never falls back to writing names.
        {"[SYSTEM]\nIdentity=7\nKeepSex=-1\n", kIdentityResearch, 0, 1, 0, ""},
        {"[SYSTEM]\nStudyCode=ABCDEFGHIJKLMNOPQRSTUVWXYZ\n", kIdentityFull, 0, 0, 0, "ABCDEFGHIJKLMNOPQRS"},
    };
    for (const Case& c : cases) {
        IniFile ini;
        ini.Parse(c.ini, strlen(c.ini));
        AppSettings s = {};
        LoadOptionKeys(s, ini);
        EXPECT_EQ(c.mode, s.identity.mode) << c.ini;
        EXPECT_EQ(c.keepAge, s.identity.keepAge) << c.ini;
        EXPECT_EQ(c.keepSex, s.identity.keepSex) << c.ini;
        EXPECT_EQ(c.shift, s.identity.replaceStartDate) << c.ini;
        EXPECT_STREQ(c.code, s.identity.studyCode) << c.ini;

        // What is stored reads back the same.
        std::string text = "[SYSTEM]\n";
        for (const auto& kv : OptionKeyTexts(s)) text += kv.first + "=" + kv.second + "\n";
        IniFile again;
        again.Parse(text.data(), text.size());
        AppSettings back = {};
        LoadOptionKeys(back, again);
        EXPECT_EQ(OptionKeyTexts(s), OptionKeyTexts(back)) << c.ini;
    }
}

}  // namespace
