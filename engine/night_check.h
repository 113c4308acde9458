// The night check: whether each channel a conversion writes is usable,
// judged in 30-second epochs on the values the PSG file will hold (the
// preview's EpochReader: montage, calibration, output rates), by rules chosen
// by the channel's signal type. Findings are stretches of one channel and one
// check; each written channel gets a summary (usable hours, verdict) and the
// night a verdict by a rule set.
//
// This header is the contract the window program, the batch and the report
// share. The rules, their thresholds and how a channel is recognised live in
// the implementation and are described in docs/night-check.md.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/montage_types.h"
#include "engine/source_info.h"

// A finding's weight. Stored and shown by name: "info", "warn", "fail".
enum class CheckLevel : int32_t { Info = 0, Warn = 1, Fail = 2 };

// The checks, by the names the check file and the window use.
enum class CheckKind : int32_t {
    Flat, Clipping, Hum, HfArtifact, Amplitude, NotItsType, Duplicate, EogInPhase, Ecg, Spo2, Position,
    Count
};

// "flat", "clipping", "hum", "hf_artifact", "amplitude", "not_its_type",
// "duplicate", "eog_in_phase", "ecg", "spo2", "position".
const char* CheckKindName(CheckKind kind);
// "info", "warn", "fail".
const char* CheckLevelName(CheckLevel level);

// A verdict: a channel's or the night's. Stored as "pass", "warn", "fail".
enum class CheckVerdict : int32_t { Pass = 0, Warn = 1, Fail = 2 };
const char* CheckVerdictName(CheckVerdict verdict);

// One stretch of one channel that one check flags.
struct CheckFinding {
    int32_t trace;          // the channel's place among the written channels, from 0
    CheckKind kind;
    CheckLevel level;
    double startSeconds;    // from the recording's start
    double endSeconds;
    double value;           // the measured value the finding rests on, in `unit`
    // The value's unit as the JSON and the texts write it ("uV", "%", "bpm",
    // "Hz", "s"; "" for a plain number or a share); a static text, never null
    // once the check made the finding.
    const char* unit;
    char label[kLabelSize]; // the channel's label as written
    // What the check saw, in a few words ("probe off", "ECG-like"); a
    // static text, never null once the check made the finding.
    const char* note;
    char other[kLabelSize]; // the other channel of a pair (duplicate, eog_in_phase); "" otherwise
};

// A written channel's summary.
struct ChannelSummary {
    int32_t trace;
    CheckVerdict verdict;
    double usableHours;     // hours of the channel no fail finding covers
    char label[kLabelSize];
    double hours;           // hours of the channel that were judged
    const char* kind;       // the kind of signal the check took it for ("EEG", "SpO2", "other")
    uint32_t notCheckable;  // bit (1 << CheckKind): the check could not be made (rate too low, no level table)
    // Bit (1 << CheckKind): a rule of the check was not judged, the channel
    // holding too little data for it (a rule over the whole night on a few
    // minutes); said once here, never as a finding.
    uint32_t notJudged;
};

// Which of a note's values is the worst of a stretch: the highest, the
// lowest, or the first (a value that is no measure of badness).
enum class CheckWorse : int32_t { Higher, Lower, First };

// One thing a check can say of a stretch: its note (a static English text
// the window and the reports translate, keyed by this text), the unit of
// its value and which value is the worst.
struct CheckNoteRow {
    const char* text;
    const char* unit;       // "uV", "uV rms", "%", "bpm", "Hz", "s" or "" (a plain number)
    CheckWorse worse;
};

// The table of checks: one row per check, in CheckKind order. A row names
// the check, the kinds of signal it applies to (bit per SignalClass of
// engine/check_thresholds.h), what it looks at and its notes. The product,
// the generator of test nights, the benchmark and the docs take the names
// and notes from here.
struct CheckJudgeContext;
struct CheckRow {
    CheckKind kind;
    const char* name;
    uint32_t classes;
    const char* what;                   // in a few English words: what the check looks at
    const CheckNoteRow* notes;
    int32_t noteCount;
    void (*judge)(CheckJudgeContext& context);
};
// The rows; `count` gets their number (CheckKind::Count).
const CheckRow* CheckRows(int32_t* count);
// The row of `kind`; null for no check.
const CheckRow* CheckRowOf(CheckKind kind);
// The row of the note `text` of `kind`; null when the check has no such note.
const CheckNoteRow* CheckNoteOf(CheckKind kind, const char* text);
// A value rounded as a technician reads it in `unit` (0.1 uV below 100 uV,
// whole percent from 10 %, 0.01 for a correlation...).
double RoundCheckValue(double value, const char* unit);

struct NightCheckResult {
    CheckVerdict verdict = CheckVerdict::Pass;
    std::string rule;                   // the rule set's text the night verdict used
    std::vector<ChannelSummary> channels;
    std::vector<CheckFinding> findings; // ordered by start, then trace
    bool complete = false;              // false: stopped before the end of the night
    double hours = 0;                   // the recording's length judged
    int32_t mainsHz = 0;                // the mains frequency the hum check used (0: none checkable)
    bool mainsFromNight = false;        // true: found from the night, not from the recording's hum setting
    std::string ruleOutcome;            // how the rule set judged the night, in words
};

// What the caller controls of a running check.
struct CheckControl {
    const std::atomic<bool>* stop = nullptr;    // set: the check returns at its next chunk
    // Called now and then with the share of the night done (0..1); may be null.
    void (*progress)(void* context, double done) = nullptr;
    void* context = nullptr;
    // Bit t set: trace t is checked; all ones checks every written channel.
    uint32_t traceMask = 0xFFFFFFFFu;
    // The threads that measure the night's channels side by side: 1 the
    // caller's own; more, threads of the check's own while the caller only
    // reads on; 0 takes the machine's cores; at most kCheckThreadsMost.
    // The findings are the same for any number.
    int32_t threads = 0;
    // True: the filters of two channels of one rate run side by side in one
    // register; false: each channel's alone (the same findings, slower).
    bool sideBySide = true;
};

// The most threads one check measures on.
const int32_t kCheckThreadsMost = 4;

// The night verdict's rule set, as the settings hold it (for example "EEG,
// SpO2, airflow >= 4 h"): the signal kinds that must each have at least
// `minimumHours` usable. Parsed from and written to one text.
struct CheckRuleSet {
    std::string text;
};
CheckRuleSet DefaultCheckRuleSet();

// Where the settings file keeps the rule set: key Rule of section
// NIGHTCHECK; the default when the key is missing or empty.
class ProfileReader;
extern const char kCheckRuleSection[];
extern const char kCheckRuleKey[];
// Key Annotations of the same section: 1 writes the check's warn and fail
// findings into the PSG file as annotations; missing or 0, not.
extern const char kCheckNotesKey[];
CheckRuleSet LoadCheckRuleSet(const ProfileReader& profile);

// A rule set read: the kinds of signal named (a bit per SignalClass of
// engine/check_thresholds.h) and the hours each needs. False when the text
// is no rule set ("EEG, SpO2, airflow >= 4 h", kinds by the names the
// thresholds table gives them, letters in any case; "" names no kind).
bool ParseCheckRuleSet(const CheckRuleSet& rules, uint32_t* kinds, double* minimumHours);

// Judges the night of `result` by `rules` from its channel summaries (each
// known by the kind it names): sets verdict, rule and ruleOutcome. Finish
// ends with it; a result put together from checks of some channels is
// judged again with it.
void JudgeNight(const CheckRuleSet& rules, NightCheckResult* result);

// The check fed with the written samples of a night in order, trace by
// trace, in pieces of any length: CheckNight reads them itself, a
// conversion feeds the samples it writes so the check needs no second pass
// over the data. The samples held stay flat (per trace the epoch being
// filled, and a few epochs cut and waiting to be measured, each in the
// buffer it was fed into); of the rules judged to the second only the runs
// of seconds a finding needs are kept, made as the seconds arrive; what
// grows with the night is a small record per epoch and trace (144 bytes
// each 30 s: 4.2 MiB on 8 hours of 32 channels). Traces of one rate that
// need the same filters are measured in pairs, their filters stepped side
// by side in one register, two pairs in one AVX register where the
// processor has it, each lane's arithmetic that of the trace alone.
// With more than one thread, the feeding thread only cuts each epoch once
// every trace holds it and queues it (waiting when four wait); a thread of
// the check's own measures the epochs in order, each pair of traces whole
// by one of `threads` threads, then the epoch's pairs of channels, so the
// result is the same for any number of threads; on one, the feeding
// thread measures each epoch as it cuts it. Finish waits for the epochs
// cut.
class NightChecker {
public:
    // `threads` as CheckControl's: 0 takes the machine's cores.
    // `sideBySide` as CheckControl's.
    NightChecker(const SourceInfo& source, const MontagePattern& pattern, uint32_t traceMask, int32_t threads = 0,
                 bool sideBySide = true);
    ~NightChecker();
    NightChecker(const NightChecker&) = delete;
    NightChecker& operator=(const NightChecker&) = delete;

    // The next `count` digital samples (as the file stores them) of trace
    // `trace` (its place among the written channels).
    void Feed(int32_t trace, const int16_t* digital, int64_t count);

    // A block of the recording as the conversion reads it: one run of
    // `runLength` source samples per recorder channel (ReadChannelRuns),
    // `frames` seconds of it, of which `validScans` scans lie inside the
    // recording. Reduced to each trace's output rate as the writer reduces it.
    void FeedRuns(const int16_t* runs, int64_t runLength, int32_t frames, int64_t validScans);

    // Judges what was fed and the night by `rules`.
    void Finish(const CheckRuleSet& rules, bool complete, NightCheckResult* out);

    struct State;

private:
    State* state_;
};

// Checks the night of the open recording `source` as a conversion with
// `pattern` writes it, through `reader` (a handle of the caller's own, so a
// check on a worker thread never shares a handle with a conversion). False
// when nothing could be read or the check was stopped; `out` then holds what
// was found so far with complete == false.
bool CheckNight(TaffHandle reader, const SourceInfo& source, const MontagePattern& pattern,
                const CheckRuleSet& rules, const CheckControl& control, NightCheckResult* out);
