// The night check's texts for people: values with their units and rounding,
// the words of both languages, the rule's outcome, and the report made of
// them. Japanese literals are u8: the texts are UTF-8 whatever the build's
// narrow character set.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "engine/app_settings.h"
#include "engine/check_report.h"
#include "engine/check_texts.h"
#include "engine/ini_file.h"
#include "engine/patient_info.h"
#include "engine/settings_load.h"
#include "textkit/sjis_text.h"

namespace {

const ReportLanguage kJa = ReportLanguage::Japanese, kEn = ReportLanguage::English;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CheckTexts, ValuesCarryTheirUnitRoundedAsItIsRead) {
    struct Case {
        CheckKind kind;
        double value;
        const char* unit;
        int mains;
        const char* text;
    } const cases[] = {
        // microvolts: 0.01 below 1, 0.1 below 100, whole above; no "-0"
        {CheckKind::Flat, 0.042, "uV", 0, "0.04 uV"},     {CheckKind::Flat, -0.0001, "uV", 0, "0 uV"},
        {CheckKind::Flat, 0.5, "uV", 0, "0.5 uV"},        {CheckKind::Amplitude, 99.96, "uV", 0, "100 uV"},
        {CheckKind::Amplitude, 850.4, "uV", 0, "850 uV"}, {CheckKind::HfArtifact, 23.25, "uV rms", 50, "23.3 uV rms"},
        // a hum names the mains frequency the check used, when it knows one
        {CheckKind::Hum, 5.664, "uV rms", 50, "5.7 uV rms (50 Hz)"}, {CheckKind::Hum, 5.664, "uV rms", 0, "5.7 uV rms"},
        // percent (shares and SpO2): 0.1 below 10, whole above
        {CheckKind::Spo2, 1.455e-14, "%", 0, "0 %"},      {CheckKind::Clipping, 2.46, "%", 0, "2.5 %"},
        {CheckKind::Spo2, 9.96, "%", 0, "10 %"},          {CheckKind::NotItsType, 47.6, "%", 0, "48 %"},
        // beats a minute whole; hertz and seconds to 0.1
        {CheckKind::Ecg, 192.6, "bpm", 0, "193 bpm"},     {CheckKind::Spo2, 12.04, "Hz", 0, "12 Hz"},
        {CheckKind::Duplicate, 2.25, "s", 0, "2.3 s"},
        // plain numbers (the unit not yet known, a correlation, a level)
        {CheckKind::Position, 1e4, "", 0, "10000"},        {CheckKind::EogInPhase, 0.9412, "", 0, "0.94"},
        {CheckKind::Ecg, 14.26, "", 0, "14.3"},            {CheckKind::Position, -2.0, nullptr, 0, "-2"},
        {CheckKind::Hum, 5.664, "", 50, "5.66 (50 Hz)"},
        // outside the vocabulary: the unit as it is; no number: "-"
        {CheckKind::Flat, 2.0, "mmHg", 0, "2 mmHg"},      {CheckKind::Flat, kNaN, "uV", 0, "-"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, FindingValueText(c.kind, c.value, c.unit, c.mains)) << CheckKindName(c.kind) << " " << c.value;
}

TEST(CheckTexts, NamesAndNotesInBothLanguages) {
    struct Case {
        std::string ja, en, wantJa, wantEn;
    } const cases[] = {
        {CheckKindText(CheckKind::Hum, kJa), CheckKindText(CheckKind::Hum, kEn), u8"電源ノイズ", "hum"},
        {CheckKindText(CheckKind::Position, kJa), CheckKindText(CheckKind::Position, kEn), u8"体位", "position"},
        {CheckLevelText(CheckLevel::Warn, kJa), CheckLevelText(CheckLevel::Warn, kEn), u8"注意", "warn"},
        {CheckVerdictWord(CheckVerdict::Pass, kJa), CheckVerdictWord(CheckVerdict::Pass, kEn), u8"良好", "pass"},
        {CheckVerdictWord(CheckVerdict::Fail, kJa), CheckVerdictWord(CheckVerdict::Fail, kEn), u8"不良", "fail"},
        {SignalKindText("airflow", kJa), SignalKindText("airflow", kEn), u8"気流", "airflow"},
        {SignalKindText("tilt", kJa), SignalKindText("tilt", kEn), "tilt", "tilt"},   // unknown: as it is
        {FindingNoteText("probe off", kJa), FindingNoteText("probe off", kEn), u8"プローブ外れ", "probe off"},
        {FindingNoteText("a new note", kJa), FindingNoteText("a new note", kEn), "a new note", "a new note"},
        {FindingNoteText(nullptr, kJa), FindingNoteText(nullptr, kEn), "", ""},
        {HoursText(7.96, kJa), HoursText(7.96, kEn), u8"8.0 時間", "8.0 h"},
        {ReportWordOf(ReportWord::Title, kJa), ReportWordOf(ReportWord::Title, kEn), u8"記録チェック", "Night check"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.wantJa, c.ja);
        EXPECT_EQ(c.wantEn, c.en);
    }
    // Every note the checks give has its Japanese text; only the mains
    // frequencies ("50 Hz") read the same in both.
    int32_t rows = 0;
    const CheckRow* row = CheckRows(&rows);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t n = 0; n < row[r].noteCount; ++n) {
            const std::string note = row[r].notes[n].text;
            if (note != "50 Hz" && note != "60 Hz") {
                EXPECT_NE(note, FindingNoteText(note.c_str(), kJa)) << note;
            }
        }
    for (int w = 0; w < int(ReportWord::Count); ++w) {
        EXPECT_STRNE("", ReportWordOf(ReportWord(w), kJa)) << w;
        EXPECT_STRNE("", ReportWordOf(ReportWord(w), kEn)) << w;
    }
    EXPECT_EQ("2:00:00", NightClockText(22, 0, 0, 4 * 3600));
    EXPECT_EQ("0:00:00", NightClockText(23, 59, 59, 1));
    // The report's language: the settings' key, "en" or else Japanese.
    const char* const texts[] = {"[NIGHTCHECK]\nReportLanguage=EN\n", "[NIGHTCHECK]\nReportLanguage=fr\n", ""};
    const ReportLanguage expected[] = {kEn, kJa, kJa};
    for (int i = 0; i < 3; ++i) {
        IniFile ini;
        ini.Parse(texts[i], strlen(texts[i]));
        EXPECT_EQ(expected[i], LoadReportLanguage(ini)) << texts[i];
    }
}

ChannelSummary Channel(int32_t trace, const char* label, const char* kind, double usable) {
    ChannelSummary c{};
    c.trace = trace;
    CopyText(c.label, sizeof c.label, label);
    c.kind = kind;
    c.usableHours = usable;
    c.hours = 8;
    c.verdict = usable < 4 ? CheckVerdict::Fail : CheckVerdict::Warn;
    return c;
}

CheckFinding Finding(int32_t trace, const char* label, CheckKind kind, double from, double value, const char* unit,
                     const char* note) {
    CheckFinding f{};
    f.trace = trace;
    f.kind = kind;
    f.level = kind == CheckKind::Hum ? CheckLevel::Warn : CheckLevel::Fail;
    f.startSeconds = from;
    f.endSeconds = from + (kind == CheckKind::Hum ? 30 : 7200);
    f.value = value;
    f.unit = unit;
    f.note = note;
    CopyText(f.label, sizeof f.label, label);
    return f;
}

// The rule's outcome: a kind short of its hours, a kind without a channel.
TEST(CheckTexts, TheRuleOutcomeNamesEachKind) {
    NightCheckResult r;
    r.rule = "EEG, SpO2, airflow >= 4 h";
    r.channels = {Channel(0, "C3-A2", "EEG", 1.04), Channel(1, "C4-A1", "EEG", 0.5), Channel(2, "Flow", "airflow", 8)};
    EXPECT_EQ("EEG: 1.0 h < 4 h; airflow: 8.0 h >= 4 h; SpO2: no channel", RuleOutcomeText(r, kEn, false));
    EXPECT_EQ(u8"EEG: 1.0 時間 < 4 時間; SpO2: チャンネルなし", RuleOutcomeText(r, kJa, true));
    r.rule = "not a rule";
    EXPECT_EQ("", RuleOutcomeText(r, kEn, false));
}

// The report of a night with a long list on one channel: every finding to
// the second, folded on the screen and printed whole; the recording below
// its archive and a first-start ID marked.
TEST(CheckTexts, TheReportListsEveryFindingInItsLanguage) {
    NightCheckResult r;
    r.rule = "EEG >= 4 h";
    r.complete = true;
    r.hours = 8;
    r.mainsHz = 50;
    r.channels = {Channel(0, "C3-A2", "EEG", 8), Channel(1, "SpO2", "SpO2", 2)};
    r.findings.push_back(Finding(1, "SpO2", CheckKind::Spo2, 4 * 3600, 0, "%", "probe off"));
    for (int k = 0; k < 23; ++k)
        r.findings.push_back(Finding(0, "C3-A2", CheckKind::Hum, 7025 + 60 * k, 5.664, "uV rms", "50 Hz"));
    CheckReportInfo info;
    info.recording = "/archive/P01/N02.HDR";
    info.root = "/archive";
    info.patientId = "000-0001";
    info.firstStartPatient = true;
    info.start[3] = 22;

    const std::string ja = CheckReportHtml(r, info);
    EXPECT_EQ(0u, ja.find(u8"<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">\n"
                          u8"<title>記録チェック: N02.HDR</title>"));
    EXPECT_NE(std::string::npos, ja.find(u8"<tr><td>記録</td><td>P01/N02.HDR</td></tr>"));
    EXPECT_NE(std::string::npos, ja.find(u8"000-0001 <span class=\"mark\">(初期値のまま"));
    EXPECT_NE(std::string::npos, ja.find(u8"不良</b> SpO2 2:00:00-4:00:00 0 % プローブ外れ</li>"));
    EXPECT_NE(std::string::npos, ja.find(u8"注意</b> 電源ノイズ 23:57:05-23:57:35 5.7 uV rms (50 Hz)</li>"));
    // The 23rd hum stretch twice: in the fold and in the printed list.
    const size_t first = ja.find("0:19:05-0:19:35");
    ASSERT_NE(std::string::npos, first);
    EXPECT_NE(std::string::npos, ja.find("0:19:05-0:19:35", first + 1));
    EXPECT_NE(std::string::npos, ja.find(u8"<details><summary>所見 23 件</summary>"));

    info.language = kEn;
    info.root = "";
    info.firstStartPatient = false;
    const std::string en = CheckReportHtml(r, info);
    EXPECT_EQ(0u, en.find("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                          "<title>Night check: N02.HDR</title>"));
    EXPECT_NE(std::string::npos, en.find("<tr><td>Recording</td><td>/archive/P01/N02.HDR</td></tr>"));
    EXPECT_NE(std::string::npos, en.find("fail</b> spo2 2:00:00-4:00:00 0 % probe off</li>"));
    EXPECT_EQ(std::string::npos, en.find("class=\"mark\""));
}

// What the report names of a run: a first-start patient is marked, the
// study code of a de-identified copy is not; a name ending in ソ (0x83 0x5C)
// is cut at its separator, not inside the character.
TEST(CheckTexts, TheReportNamesTheRecordingAndMarksAFirstStartPatient) {
    AppSettings settings{};
    SourceInfo source{};
    PatientInfo patient{};
    IniFile none;
    LoadPatientKeys(patient, none, kNoKeysFirstStart);
    CheckReportInfo info = MakeCheckReportInfo(settings, source, patient, "D:\\\x83\x5C\\N\x83\x5C.HDR", "");
    EXPECT_TRUE(info.firstStartPatient);
    EXPECT_NE(std::string::npos, CheckReportHtml(NightCheckResult(), info).find(u8"<title>記録チェック: Nソ.HDR</title>"));
    EXPECT_EQ("D:\\\x83\x5C\\N\x83\x5C.check.html", CheckReportPathFor("D:\\\x83\x5C\\N\x83\x5C.HDR"));
    EXPECT_EQ("D:\\\x83\x5C.D\\N.check.html", CheckReportPathFor("D:\\\x83\x5C.D\\N"));
    settings.identity.mode = kIdentityResearch;
    CopyText(settings.identity.studyCode, sizeof settings.identity.studyCode, "ST-01");
    info = MakeCheckReportInfo(settings, source, patient, "D:\\N.HDR", "D:\\N.DAT");
    EXPECT_FALSE(info.firstStartPatient);
    EXPECT_EQ("ST-01", info.patientId);
}

}  // namespace
