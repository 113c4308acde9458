// The night check's words in the window program; see check_words.h.
#include "pagekit/check_words.h"

#include <cstring>

#include "engine/check_texts.h"
#include "pagekit/program.h"
#include "resources/resource_ids.h"

std::string KindText(CheckKind kind) {
    static const int kIds[] = {IDS_CHECK_KIND_FLAT,      IDS_CHECK_KIND_CLIPPING, IDS_CHECK_KIND_HUM,
                               IDS_CHECK_KIND_HF,        IDS_CHECK_KIND_AMPLITUDE, IDS_CHECK_KIND_TYPE,
                               IDS_CHECK_KIND_DUPLICATE, IDS_CHECK_KIND_EOG,      IDS_CHECK_KIND_ECG,
                               IDS_CHECK_KIND_SPO2,      IDS_CHECK_KIND_POSITION};
    static_assert(sizeof kIds / sizeof kIds[0] == size_t(CheckKind::Count), "a name for every check");
    const int k = int(kind);
    return k >= 0 && k < int(CheckKind::Count) ? ProgramText(kIds[k]) : "";
}

std::string LevelText(CheckLevel level) {
    static const int kIds[] = {IDS_CHECK_LEVEL_INFO, IDS_CHECK_LEVEL_WARN, IDS_CHECK_LEVEL_FAIL};
    const int l = int(level);
    return l >= 0 && l < 3 ? ProgramText(kIds[l]) : "";
}

std::string VerdictText(CheckVerdict verdict) {
    static const int kIds[] = {IDS_CHECK_VERDICT_PASS, IDS_CHECK_VERDICT_WARN, IDS_CHECK_VERDICT_FAIL};
    const int v = int(verdict);
    return v >= 0 && v < 3 ? ProgramText(kIds[v]) : "";
}

std::string SignalText(const char* kind) {
    static const struct {
        const char* name;
        int text;
    } kNamed[] = {{"other", IDS_CHECK_SIGNAL_OTHER}, {"airflow", IDS_CHECK_SIGNAL_AIRFLOW},
                  {"effort", IDS_CHECK_SIGNAL_EFFORT}, {"pulse", IDS_CHECK_SIGNAL_PULSE},
                  {"snore", IDS_CHECK_SIGNAL_SNORE}, {"position", IDS_CHECK_SIGNAL_POSITION}};
    if (!kind) return "";
    for (const auto& k : kNamed)
        if (strcmp(k.name, kind) == 0) return ProgramText(k.text);
    return kind;
}

std::string NoteText(const char* note) { return ShownText(FindingNoteText(note, ReportLanguage::Japanese)); }
