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
    double value;           // the measured value the finding rests on (its unit depends on the check)
    char label[kLabelSize]; // the channel's label as written
};

// A written channel's summary.
struct ChannelSummary {
    int32_t trace;
    CheckVerdict verdict;
    double usableHours;     // hours of the channel no fail finding covers
    char label[kLabelSize];
};

struct NightCheckResult {
    CheckVerdict verdict = CheckVerdict::Pass;
    std::string rule;                   // the rule set's text the night verdict used
    std::vector<ChannelSummary> channels;
    std::vector<CheckFinding> findings; // ordered by start, then trace
    bool complete = false;              // false: stopped before the end of the night
};

// What the caller controls of a running check.
struct CheckControl {
    const std::atomic<bool>* stop = nullptr;    // set: the check returns at its next chunk
    // Called now and then with the share of the night done (0..1); may be null.
    void (*progress)(void* context, double done) = nullptr;
    void* context = nullptr;
    // Bit t set: trace t is checked; all ones checks every written channel.
    uint32_t traceMask = 0xFFFFFFFFu;
};

// The night verdict's rule set, as the settings hold it (for example "EEG,
// SpO2, airflow >= 4 h"): the signal kinds that must each have at least
// `minimumHours` usable. Parsed from and written to one text.
struct CheckRuleSet {
    std::string text;
};
CheckRuleSet DefaultCheckRuleSet();

// Checks the night of the open recording `source` as a conversion with
// `pattern` writes it, through `reader` (a handle of the caller's own, so a
// check on a worker thread never shares a handle with a conversion). False
// when nothing could be read or the check was stopped; `out` then holds what
// was found so far with complete == false.
bool CheckNight(TaffHandle reader, const SourceInfo& source, const MontagePattern& pattern,
                const CheckRuleSet& rules, const CheckControl& control, NightCheckResult* out);
