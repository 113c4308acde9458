// The night check's texts for people; see check_texts.h. Every text of both
// languages is in the tables below (u8 literals: UTF-8 whatever the
// build's narrow character set).
#include "engine/check_texts.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/check_thresholds.h"
#include "engine/profile_reader.h"

namespace {

// Japanese, English.
struct TextPair {
    const char* ja;
    const char* en;
};

const char* Pick(const TextPair& pair, ReportLanguage language) {
    return language == ReportLanguage::English ? pair.en : pair.ja;
}

// In ReportWord order.
const TextPair kWords[] = {
    {u8"ja", u8"en"},
    {u8"記録チェック", u8"Night check"},
    {u8"記録", u8"Recording"},
    {u8"患者ID", u8"Patient ID"},
    {u8"(初期値のまま: 患者情報が入力されていません)", u8"(the first-start ID: no patient was entered)"},
    {u8"記録開始", u8"Start"},
    {u8"判定した長さ", u8"Length judged"},
    {u8"(チェックは最後まで終わっていません)", u8"(check stopped before the end)"},
    {u8"判定基準", u8"Rule set"},
    {u8"総合判定", u8"Night verdict"},
    {u8"電源周波数", u8"Mains"},
    {u8"記録から検出", u8"found from the night"},
    {u8"記録のハムフィルタ設定", u8"the recording's hum setting"},
    {u8"一晩の概観", u8"The night"},
    {u8"判定した時間", u8"judged"},
    {u8"チャンネル", u8"Channels"},
    {u8"チャンネル", u8"Channel"},
    {u8"種類", u8"Kind"},
    {u8"判定", u8"Verdict"},
    {u8"使用可能", u8"Usable"},
    {u8"所見", u8"Findings"},
    {u8"所見", u8"Findings"},
    {u8"なし", u8"none"},
    {u8"判定できないチェック", u8"not checkable"},
    {u8"所見 %d 件", u8"%d findings"},
    {u8"出力", u8"Output"},
    {u8"チャンネルなし", u8"no channel"},
    {u8"時間", u8"h"},
    {u8"、", u8", "},
};
static_assert(sizeof kWords / sizeof kWords[0] == size_t(ReportWord::Count), "a text for every word");

// In CheckKind order.
const TextPair kKinds[] = {
    {u8"平坦", u8"flat"},
    {u8"振り切れ", u8"clipping"},
    {u8"電源ノイズ", u8"hum"},
    {u8"高周波ノイズ", u8"hf_artifact"},
    {u8"振幅過大", u8"amplitude"},
    {u8"信号の種類違い", u8"not_its_type"},
    {u8"重複", u8"duplicate"},
    {u8"眼球運動の同相", u8"eog_in_phase"},
    {u8"心電図", u8"ecg"},
    {u8"SpO2", u8"spo2"},
    {u8"体位", u8"position"},
};
static_assert(sizeof kKinds / sizeof kKinds[0] == size_t(CheckKind::Count), "a text for every check");

const TextPair kLevels[] = {{u8"情報", u8"info"}, {u8"注意", u8"warn"}, {u8"不良", u8"fail"}};
const TextPair kVerdicts[] = {{u8"良好", u8"pass"}, {u8"注意あり", u8"warn"}, {u8"不良", u8"fail"}};

// The kinds of signal by the names the thresholds table gives them.
struct KindText {
    const char* name;
    TextPair text;
};
const KindText kSignalKinds[] = {
    {"EEG", {u8"EEG", u8"EEG"}},         {"EOG", {u8"EOG", u8"EOG"}},
    {"EMG", {u8"EMG", u8"EMG"}},         {"ECG", {u8"ECG", u8"ECG"}},
    {"airflow", {u8"気流", u8"airflow"}}, {"effort", {u8"呼吸努力", u8"effort"}},
    {"SpO2", {u8"SpO2", u8"SpO2"}},      {"pulse", {u8"脈拍", u8"pulse"}},
    {"snore", {u8"いびき", u8"snore"}},  {"position", {u8"体位", u8"position"}},
    {"other", {u8"その他", u8"other"}},
};

// The findings' notes: the engine's English note and its Japanese words.
// A note missing here is shown in English; add its row when the check
// gains a note.
struct NoteText {
    const char* english;
    const char* japanese;
};
const NoteText kNotes[] = {
    {"one value", u8"値が一定"},
    {"no variation", u8"変動なし"},
    {"held at one value", u8"長時間ひとつの値のまま"},
    {"at the converter's limits", u8"AD変換の上限・下限に達している"},
    {"muscle or electrode noise", u8"筋電または電極のノイズ"},
    {"beyond the type's range", u8"この種類の信号の範囲を超えている"},
    {"ECG-like", u8"心電図に似ている"},
    {"no EEG-band activity", u8"脳波帯域の活動がない"},
    {"no breathing-band activity", u8"呼吸帯域の活動がない"},
    {"SpO2 not in percent", u8"SpO2が%の値でない"},
    {"same signal", u8"同じ信号"},
    {"eyes in phase", u8"左右の眼電図が同相"},
    {"no detectable beats", u8"心拍を検出できない"},
    {"rate below 30 bpm", u8"心拍数が30 bpm未満"},
    {"rate above 180 bpm", u8"心拍数が180 bpm超"},
    {"inverted", u8"極性が逆"},
    {"probe off", u8"プローブ外れ"},
    {"pulse below 30 bpm", u8"脈拍数が30 bpm未満"},
    {"pulse above 200 bpm", u8"脈拍数が200 bpm超"},
    {"impossible jump", u8"ありえない急変"},
    {"value in no level", u8"どの体位にも当たらない値"},
    {"never changes", u8"一晩中変化しない"},
};

// `value` rounded to `decimals` as text, trailing zeros of the fraction
// dropped, zero as "0".
std::string Rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double r = std::round(value * scale) / scale;
    if (r == 0) return "0";
    char text[64];
    snprintf(text, sizeof text, "%.*f", decimals, r);
    if (strchr(text, '.')) {
        size_t n = strlen(text);
        while (text[n - 1] == '0') text[--n] = '\0';
        if (text[n - 1] == '.') text[n - 1] = '\0';
    }
    return text;
}

// Decimals by size: below `first` `many`, below `second` one, above none.
int DecimalsBySize(double value, double first, int many, double second) {
    const double a = std::fabs(value);
    return a < first ? many : a < second ? 1 : 0;
}

std::string HoursNumber(double hours) {
    char text[48];
    snprintf(text, sizeof text, "%.1f", std::isfinite(hours) ? hours : 0.0);
    return text;
}

}  // namespace

bool ParseReportLanguage(const std::string& text, ReportLanguage* language) {
    std::string folded;
    for (char c : text) folded += char(tolower(static_cast<unsigned char>(c)));
    if (folded == "ja") *language = ReportLanguage::Japanese;
    else if (folded == "en") *language = ReportLanguage::English;
    else return false;
    return true;
}

const char kReportLanguageKey[] = "ReportLanguage";

ReportLanguage LoadReportLanguage(const ProfileReader& profile) {
    char text[16] = "";
    profile.ReadText(kCheckRuleSection, kReportLanguageKey, "", text, sizeof text);
    ReportLanguage language = ReportLanguage::Japanese;
    return ParseReportLanguage(text, &language) ? language : ReportLanguage::Japanese;
}

const char* ReportWordOf(ReportWord word, ReportLanguage language) {
    const int w = int(word);
    return w >= 0 && w < int(ReportWord::Count) ? Pick(kWords[w], language) : "";
}

const char* CheckKindText(CheckKind kind, ReportLanguage language) {
    const int k = int(kind);
    return k >= 0 && k < int(CheckKind::Count) ? Pick(kKinds[k], language) : "";
}

const char* CheckLevelText(CheckLevel level, ReportLanguage language) {
    const int l = int(level);
    return l >= 0 && l < 3 ? Pick(kLevels[l], language) : "";
}

const char* CheckVerdictWord(CheckVerdict verdict, ReportLanguage language) {
    const int v = int(verdict);
    return v >= 0 && v < 3 ? Pick(kVerdicts[v], language) : "";
}

std::string SignalKindText(const char* kind, ReportLanguage language) {
    if (!kind) return "";
    for (const KindText& k : kSignalKinds)
        if (strcmp(k.name, kind) == 0) return Pick(k.text, language);
    return kind;
}

std::string FindingNoteText(const char* note, ReportLanguage language) {
    if (!note) return "";
    if (language == ReportLanguage::Japanese)
        for (const NoteText& n : kNotes)
            if (strcmp(n.english, note) == 0) return n.japanese;
    return note;
}

bool ValueNamesNote(CheckKind kind, int32_t mainsHz) { return kind == CheckKind::Hum && mainsHz > 0; }

std::string FindingValueText(CheckKind kind, double value, const char* unit, int32_t mainsHz) {
    if (!std::isfinite(value)) return "-";
    const std::string u = unit ? unit : "";
    std::string number;
    if (u == "uV" || u == "uV rms") number = Rounded(value, DecimalsBySize(value, 1, 2, 100));
    else if (u == "%") number = Rounded(value, DecimalsBySize(value, 10, 1, 10));
    else if (u == "bpm") number = Rounded(value, 0);
    else if (u == "Hz" || u == "s") number = Rounded(value, 1);
    else if (value == std::floor(value) && std::fabs(value) < 1e15) number = Rounded(value, 0);
    else number = Rounded(value, DecimalsBySize(value, 10, 2, 100));
    std::string text = u.empty() ? number : number + " " + u;
    if (kind == CheckKind::Hum && mainsHz > 0) text += " (" + std::to_string(mainsHz) + " Hz)";
    return text;
}

std::string NightClockText(int32_t startHour, int32_t startMinute, int32_t startSecond, double seconds) {
    const double at = std::isfinite(seconds) ? seconds : 0.0;
    const int64_t of = int64_t{startHour} * 3600 + int64_t{startMinute} * 60 + startSecond + int64_t(std::floor(at));
    const int64_t t = ((of % 86400) + 86400) % 86400;
    char text[24];
    snprintf(text, sizeof text, "%d:%02d:%02d", int(t / 3600), int(t / 60 % 60), int(t % 60));
    return text;
}

std::string HoursText(double hours, ReportLanguage language) {
    const char* unit = ReportWordOf(ReportWord::HoursUnit, language);
    return HoursNumber(hours) + " " + unit;
}

std::string RuleOutcomeText(const NightCheckResult& result, ReportLanguage language, bool unmetOnly) {
    uint32_t kinds = 0;
    double hours = 0;
    if (!ParseCheckRuleSet(CheckRuleSet{result.rule}, &kinds, &hours)) return "";
    char need[48];
    snprintf(need, sizeof need, "%g %s", hours, ReportWordOf(ReportWord::HoursUnit, language));
    std::string text;
    for (int c = 0; c < int(SignalClass::Count); ++c) {
        if (!((kinds >> c) & 1u)) continue;
        double best = -1;
        for (const ChannelSummary& ch : result.channels)
            if (ch.kind && strcmp(ch.kind, kClassThresholds[c].name) == 0 && ch.usableHours > best)
                best = ch.usableHours;
        const bool met = best >= 0 && best >= hours;
        if (unmetOnly && met) continue;
        std::string part = SignalKindText(kClassThresholds[c].name, language) + ": ";
        if (best < 0) part += ReportWordOf(ReportWord::NoChannel, language);
        else part += HoursText(best, language) + (met ? " >= " : " < ") + need;
        text += (text.empty() ? "" : "; ") + part;
    }
    return text;
}
