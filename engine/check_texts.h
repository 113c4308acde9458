// The night check's texts for people, in Japanese (the default) and in
// English (for research partners): the report's words, the names of the
// checks, levels, verdicts and kinds of signal, the findings' notes, and the
// forms of values, times and hours a technician reads. All texts are UTF-8;
// the window program shows them in its own code page. The check file (JSON)
// keeps its English keys and names: scripts read it.
#pragma once

#include <cstdint>
#include <string>

#include "engine/night_check.h"

enum class ReportLanguage : int32_t { Japanese = 0, English = 1 };

// "ja" or "en", letters in any case; false for anything else.
bool ParseReportLanguage(const std::string& text, ReportLanguage* language);
// Key ReportLanguage of section NIGHTCHECK: "en" writes the report in
// English; missing, empty or anything else, Japanese.
extern const char kReportLanguageKey[];
ReportLanguage LoadReportLanguage(const ProfileReader& profile);

// The report's own words.
enum class ReportWord : int32_t {
    Language,           // the page's lang attribute: "ja", "en"
    Title,              // "記録チェック"
    Recording,
    PatientId,
    FirstStartId,       // the mark after a first-start patient ID
    Start,
    LengthJudged,
    StoppedEarly,       // after the length of a check stopped before the end
    RuleSet,
    NightVerdict,
    Mains,
    MainsFromNight,
    MainsFromRecording,
    TheNight,           // the picture's heading
    Judged,             // the picture's key: judged time
    Channels,           // the table's heading
    Channel,
    Kind,
    Verdict,
    Usable,
    FindingCount,
    Findings,           // the findings' heading
    NoFindings,
    NotCheckable,       // "checks not possible: ..."
    FindingsOf,         // the fold's summary: "%d findings" (a printf form)
    Output,
    NoChannel,          // the rule's outcome for a kind without a channel
    HoursUnit,          // "時間", "h"
    ListSeparator,      // between items of a list: "、", ", "
    Count
};
const char* ReportWordOf(ReportWord word, ReportLanguage language);

// The names of the check's values for people ("平坦" / "flat", "不良" /
// "fail", "良好" / "pass", "気流" / "airflow"). A kind of signal the table
// does not know is given back as it is.
const char* CheckKindText(CheckKind kind, ReportLanguage language);
const char* CheckLevelText(CheckLevel level, ReportLanguage language);
const char* CheckVerdictWord(CheckVerdict verdict, ReportLanguage language);
std::string SignalKindText(const char* kind, ReportLanguage language);

// A finding's note for people: the engine's English note looked up in the
// table of translations; a note without an entry is given as it is.
std::string FindingNoteText(const char* note, ReportLanguage language);
// True where a finding's value text already names what its note says: a
// hum's note is the mains frequency, which its value text gives as "(50 Hz)".
// Lists that show the value beside the note leave such a note out.
bool ValueNamesNote(CheckKind kind, int32_t mainsHz);

// A finding's value with its unit, rounded as its unit is read: microvolts
// to 0.01 below 1, 0.1 below 100 and whole above ("0.04 uV", "5.7 uV rms",
// "850 uV"), percent to 0.1 below 10 and whole above ("0 %", "2.5 %",
// "48 %"), bpm whole, hertz and seconds to 0.1, a plain number to 0.01
// below 10, 0.1 below 100 and whole above (a whole number without
// decimals); trailing zeros of the fraction are dropped and a value that
// rounds to zero is "0". A hum
// finding names the mains frequency the check used ("5.7 uV rms (50 Hz)").
// A unit outside the vocabulary follows the number as it is. The same in
// both languages: units and numbers are read alike.
std::string FindingValueText(CheckKind kind, double value, const char* unit, int32_t mainsHz);

// A clock time of the night: `seconds` after the start at `startHour`,
// `startMinute`, `startSecond`, as "H:MM:SS" ("2:00:00", "22:17:05").
std::string NightClockText(int32_t startHour, int32_t startMinute, int32_t startSecond, double seconds);

// Hours to one decimal with the language's unit ("8.0 時間", "8.0 h").
std::string HoursText(double hours, ReportLanguage language);

// How the night's rule set judged the night, one part per kind it names:
// "EEG: 8.0 h >= 4 h", "EEG: 1.0 h < 4 h", "SpO2: no channel", parts
// joined by "; ". `unmetOnly`: only the kinds that fell short (the reasons
// a night fails). "" when the rule set cannot be read or names no kind.
std::string RuleOutcomeText(const NightCheckResult& result, ReportLanguage language, bool unmetOnly);
