// The night check's texts for people: values with their units and rounding,
// the words of both languages, the rule's outcome, and the report made of
// them (every finding to the second, the recording below its archive, a
// first-start ID marked, a long list folded). Japanese literals are u8:
// the texts are UTF-8 whatever the build's narrow character set.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "engine/check_report.h"
#include "engine/check_texts.h"
#include "engine/app_settings.h"
#include "engine/ini_file.h"
#include "engine/patient_info.h"
#include "engine/settings_load.h"
#include "textkit/sjis_text.h"

namespace {

const ReportLanguage kJa = ReportLanguage::Japanese, kEn = ReportLanguage::English;

TEST(CheckTexts, ValuesCarryTheirUnitRoundedAsItIsRead) {
    struct Case {
        CheckKind kind;
        double value;
        const char* unit;
        int mains;
        const char* text;
    } const cases[] = {
        // microvolts: 0.01 below 1, 0.1 below 100, whole above
        {CheckKind::Flat, 0.0, "uV", 0, "0 uV"},
        {CheckKind::Flat, 0.042, "uV", 0, "0.04 uV"},
        {CheckKind::Flat, 0.004, "uV", 0, "0 uV"},
        {CheckKind::Flat, -0.0001, "uV", 0, "0 uV"},       // no "-0"
        {CheckKind::Amplitude, 850.4, "uV", 0, "850 uV"},
        {CheckKind::Amplitude, 99.96, "uV", 0, "100 uV"},
        {CheckKind::Hum, 5.664, "uV rms", 50, "5.7 uV rms (50 Hz)"},
        {CheckKind::Hum, 12.0, "uV rms", 60, "12 uV rms (60 Hz)"},
        {CheckKind::Hum, 5.664, "uV rms", 0, "5.7 uV rms"},  // no mains known
        {CheckKind::HfArtifact, 23.25, "uV rms", 50, "23.3 uV rms"},
        // percent: 0.1 below 10, whole above; shares and SpO2 alike
        {CheckKind::Spo2, 1.455e-14, "%", 0, "0 %"},
        {CheckKind::Spo2, 0.0, "%", 0, "0 %"},
        {CheckKind::Clipping, 2.46, "%", 0, "2.5 %"},
        {CheckKind::Clipping, 3.0, "%", 0, "3 %"},
        {CheckKind::NotItsType, 47.6, "%", 0, "48 %"},
        {CheckKind::Spo2, 9.96, "%", 0, "10 %"},
        // beats a minute whole; hertz and seconds to 0.1
        {CheckKind::Ecg, 192.6, "bpm", 0, "193 bpm"},
        {CheckKind::NotItsType, 71.5, "bpm", 0, "72 bpm"},
        {CheckKind::Spo2, 12.04, "Hz", 0, "12 Hz"},
        {CheckKind::Duplicate, 30.0, "s", 0, "30 s"},
        {CheckKind::Duplicate, 2.25, "s", 0, "2.3 s"},
        // plain numbers: whole numbers whole, else 0.01 / 0.1 / whole
        {CheckKind::Position, 1e4, "", 0, "10000"},
        {CheckKind::Position, 3.0, "", 0, "3"},
        {CheckKind::EogInPhase, 0.9412, "", 0, "0.94"},
        {CheckKind::Duplicate, 0.0312, "", 0, "0.03"},
        {CheckKind::Ecg, 4.5, "", 0, "4.5"},          // trailing zeros dropped
        {CheckKind::Flat, 0.5, "uV", 0, "0.5 uV"},
        {CheckKind::Ecg, 14.26, "", 0, "14.3"},
        {CheckKind::Position, -2.0, "", 0, "-2"},
        {CheckKind::Flat, 1.455e-14, "", 0, "0"},
        {CheckKind::Hum, 5.664, "", 50, "5.66 (50 Hz)"},
        {CheckKind::Flat, 0.5, nullptr, 0, "0.5"},
        // outside the vocabulary: the unit follows as it is; no number: "-"
        {CheckKind::Flat, 2.0, "mmHg", 0, "2 mmHg"},
        {CheckKind::Flat, std::numeric_limits<double>::quiet_NaN(), "uV", 0, "-"},
        {CheckKind::Flat, std::numeric_limits<double>::infinity(), "%", 0, "-"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, FindingValueText(c.kind, c.value, c.unit, c.mains))
            << CheckKindName(c.kind) << " " << c.value << " " << (c.unit ? c.unit : "(null)");
}

TEST(CheckTexts, NamesAndNotesInBothLanguages) {
    struct Case {
        std::string ja, en;
    } const cases[] = {
        {CheckKindText(CheckKind::Flat, kJa), CheckKindText(CheckKind::Flat, kEn)},
        {CheckKindText(CheckKind::Hum, kJa), CheckKindText(CheckKind::Hum, kEn)},
        {CheckKindText(CheckKind::Position, kJa), CheckKindText(CheckKind::Position, kEn)},
        {CheckLevelText(CheckLevel::Warn, kJa), CheckLevelText(CheckLevel::Warn, kEn)},
        {CheckVerdictWord(CheckVerdict::Pass, kJa), CheckVerdictWord(CheckVerdict::Pass, kEn)},
        {CheckVerdictWord(CheckVerdict::Warn, kJa), CheckVerdictWord(CheckVerdict::Warn, kEn)},
        {CheckVerdictWord(CheckVerdict::Fail, kJa), CheckVerdictWord(CheckVerdict::Fail, kEn)},
        {SignalKindText("airflow", kJa), SignalKindText("airflow", kEn)},
        {SignalKindText("EEG", kJa), SignalKindText("EEG", kEn)},
        {SignalKindText("tilt", kJa), SignalKindText("tilt", kEn)},   // unknown: as it is
        {FindingNoteText("probe off", kJa), FindingNoteText("probe off", kEn)},
        {FindingNoteText("ECG-like", kJa), FindingNoteText("ECG-like", kEn)},
        {FindingNoteText("a note added later", kJa), FindingNoteText("a note added later", kEn)},
        {FindingNoteText(nullptr, kJa), FindingNoteText(nullptr, kEn)},
        {HoursText(7.96, kJa), HoursText(7.96, kEn)},
        {ReportWordOf(ReportWord::Title, kJa), ReportWordOf(ReportWord::Title, kEn)},
        {ReportWordOf(ReportWord::Language, kJa), ReportWordOf(ReportWord::Language, kEn)},
    };
    const Case expected[] = {
        {u8"平坦", "flat"},
        {u8"電源ノイズ", "hum"},
        {u8"体位", "position"},
        {u8"注意", "warn"},
        {u8"良好", "pass"},
        {u8"注意あり", "warn"},
        {u8"不良", "fail"},
        {u8"気流", "airflow"},
        {"EEG", "EEG"},
        {"tilt", "tilt"},
        {u8"プローブ外れ", "probe off"},
        {u8"心電図に似ている", "ECG-like"},
        {"a note added later", "a note added later"},
        {"", ""},
        {u8"8.0 時間", "8.0 h"},
        {u8"記録チェック", "Night check"},
        {"ja", "en"},
    };
    static_assert(sizeof cases / sizeof cases[0] == sizeof expected / sizeof expected[0], "one answer per case");
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        EXPECT_EQ(expected[i].ja, cases[i].ja) << i;
        EXPECT_EQ(expected[i].en, cases[i].en) << i;
    }
    // Every word has a text in both languages.
    for (int w = 0; w < int(ReportWord::Count); ++w) {
        EXPECT_STRNE("", ReportWordOf(ReportWord(w), kJa)) << w;
        EXPECT_STRNE("", ReportWordOf(ReportWord(w), kEn)) << w;
    }
    EXPECT_EQ("2:00:00", NightClockText(22, 0, 0, 4 * 3600));
    EXPECT_EQ("22:17:05", NightClockText(22, 15, 4, 121.9));
    EXPECT_EQ("0:00:00", NightClockText(23, 59, 59, 1));
}

TEST(CheckTexts, TheLanguageComesFromTheSettings) {
    ReportLanguage language = kJa;
    EXPECT_TRUE(ParseReportLanguage("EN", &language));
    EXPECT_EQ(kEn, language);
    EXPECT_TRUE(ParseReportLanguage("ja", &language));
    EXPECT_EQ(kJa, language);
    EXPECT_FALSE(ParseReportLanguage("english", &language));
    const char* const texts[] = {"[NIGHTCHECK]\nReportLanguage=en\n", "[NIGHTCHECK]\nReportLanguage=fr\n", ""};
    const ReportLanguage expected[] = {kEn, kJa, kJa};
    for (int i = 0; i < 3; ++i) {
        IniFile ini;
        ini.Parse(texts[i], strlen(texts[i]));
        EXPECT_EQ(expected[i], LoadReportLanguage(ini)) << texts[i];
    }
}

ChannelSummary Channel(int32_t trace, const char* label, const char* kind, double usable, CheckVerdict v) {
    ChannelSummary c{};
    c.trace = trace;
    CopyText(c.label, sizeof c.label, label);
    c.kind = kind;
    c.usableHours = usable;
    c.hours = 8;
    c.verdict = v;
    return c;
}

CheckFinding Finding(int32_t trace, const char* label, CheckKind kind, CheckLevel level, double from, double to,
                     double value, const char* unit, const char* note) {
    CheckFinding f{};
    f.trace = trace;
    f.kind = kind;
    f.level = level;
    f.startSeconds = from;
    f.endSeconds = to;
    f.value = value;
    f.unit = unit;
    f.note = note;
    CopyText(f.label, sizeof f.label, label);
    return f;
}

// A night with the rule's outcome in both languages: a kind short of its
// hours, a kind without a channel.
TEST(CheckTexts, TheRuleOutcomeNamesEachKind) {
    NightCheckResult r;
    r.rule = "EEG, SpO2, airflow >= 4 h";
    r.channels = {Channel(0, "C3-A2", "EEG", 1.04, CheckVerdict::Fail), Channel(1, "C4-A1", "EEG", 0.5, CheckVerdict::Fail),
                  Channel(2, "Flow", "airflow", 8, CheckVerdict::Pass)};
    EXPECT_EQ("EEG: 1.0 h < 4 h; airflow: 8.0 h >= 4 h; SpO2: no channel", RuleOutcomeText(r, kEn, false));
    EXPECT_EQ("EEG: 1.0 h < 4 h; SpO2: no channel", RuleOutcomeText(r, kEn, true));
    EXPECT_EQ(u8"EEG: 1.0 時間 < 4 時間; SpO2: チャンネルなし", RuleOutcomeText(r, kJa, true));
    r.channels.clear();
    r.rule = "EEG >= 2.5 h";
    EXPECT_EQ("EEG: no channel", RuleOutcomeText(r, kEn, true));
    r.rule = "not a rule";
    EXPECT_EQ("", RuleOutcomeText(r, kEn, false));
}

// The report of a night with a long list on one channel: every finding to
// the second (none left out), folded on the screen and printed whole.
TEST(CheckTexts, TheReportListsEveryFindingInItsLanguage) {
    NightCheckResult r;
    r.rule = "EEG >= 4 h";
    r.complete = true;
    r.hours = 8;
    r.mainsHz = 50;
    r.verdict = CheckVerdict::Warn;
    r.channels = {Channel(0, "C3-A2", "EEG", 8, CheckVerdict::Warn), Channel(1, "SpO2", "SpO2", 6, CheckVerdict::Fail)};
    r.findings.push_back(Finding(1, "SpO2", CheckKind::Spo2, CheckLevel::Fail, 4 * 3600, 6 * 3600,
                                 0, "%", "probe off"));
    for (int k = 0; k < 23; ++k)
        r.findings.push_back(Finding(0, "C3-A2", CheckKind::Hum, CheckLevel::Warn, 7025 + 60 * k, 7055 + 60 * k, 5.664,
                                     "uV rms", "50 Hz"));
    CheckReportInfo info;
    info.recording = "/archive/P01/N02.HDR";
    info.root = "/archive";
    info.patientId = "000-0001";
    info.firstStartPatient = true;
    const int start[6] = {2026, 12, 7, 22, 0, 0};
    for (int i = 0; i < 6; ++i) info.start[i] = start[i];

    const std::string ja = CheckReportHtml(r, info);
    EXPECT_EQ(0u, ja.find(u8"<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">\n"
                          u8"<title>記録チェック: N02.HDR</title>"));
    EXPECT_NE(std::string::npos, ja.find(u8"<h1>記録チェック</h1>"));
    EXPECT_NE(std::string::npos, ja.find(u8"<tr><td>記録</td><td>P01/N02.HDR</td></tr>"));
    EXPECT_NE(std::string::npos, ja.find(u8"000-0001 <span class=\"mark\">(初期値のまま"));
    EXPECT_NE(std::string::npos, ja.find(u8"不良</b> SpO2 2:00:00-4:00:00 0 % プローブ外れ</li>"));
    EXPECT_NE(std::string::npos, ja.find(u8"注意</b> 電源ノイズ 23:57:05-23:57:35 5.7 uV rms (50 Hz) 50 Hz</li>"));
    // The 23rd hum stretch is there, twice: in the fold and in the printed list.
    const std::string last = "0:19:05-0:19:35";
    const size_t first = ja.find(last);
    ASSERT_NE(std::string::npos, first);
    EXPECT_NE(std::string::npos, ja.find(last, first + 1));
    EXPECT_NE(std::string::npos, ja.find(u8"<details><summary>所見 23 件</summary>"));
    EXPECT_EQ(std::string::npos, ja.find("more"));

    info.language = kEn;
    info.root = "";
    info.firstStartPatient = false;
    const std::string en = CheckReportHtml(r, info);
    EXPECT_EQ(0u, en.find("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                          "<title>Night check: N02.HDR</title>"));
    EXPECT_NE(std::string::npos, en.find("<tr><td>Recording</td><td>/archive/P01/N02.HDR</td></tr>"));
    EXPECT_NE(std::string::npos, en.find("fail</b> spo2 2:00:00-4:00:00 0 % probe off</li>"));
    EXPECT_NE(std::string::npos, en.find("<details><summary>23 findings</summary>"));
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
    ASSERT_TRUE(IsFirstStartPatient(patient));
    CheckReportInfo info = MakeCheckReportInfo(settings, source, patient, "D:\\\x83\x5C\\N\x83\x5C.HDR", "");
    EXPECT_TRUE(info.firstStartPatient);
    const std::string html = CheckReportHtml(NightCheckResult(), info);
    EXPECT_NE(std::string::npos, html.find(u8"<title>記録チェック: Nソ.HDR</title>")) << html.substr(0, 200);
    EXPECT_NE(std::string::npos, html.find(u8"(初期値のまま"));
    EXPECT_EQ("D:\\\x83\x5C\\N\x83\x5C.check.html", CheckReportPathFor("D:\\\x83\x5C\\N\x83\x5C.HDR"));
    EXPECT_EQ("D:\\\x83\x5C.D\\N.check.html", CheckReportPathFor("D:\\\x83\x5C.D\\N"));

    settings.identity.mode = kIdentityResearch;
    CopyText(settings.identity.studyCode, sizeof settings.identity.studyCode, "ST-01");
    info = MakeCheckReportInfo(settings, source, patient, "D:\\N.HDR", "D:\\N.DAT");
    EXPECT_FALSE(info.firstStartPatient);
    EXPECT_EQ("ST-01", info.patientId);
}

}  // namespace
