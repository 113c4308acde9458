// The night check held against what was laid into a night: runs the check
// on a recording through the program's own open code and montage, and
// scores each fault of the ground truth (found, when findings of its kind on
// its channel cover at least half its stretch) and the findings no fault
// explains. Shared by the native test and bench_check.
#pragma once

#include <string>
#include <vector>

#include "engine/night_check.h"
#include "tools/taffgen/taffgen.h"

// Opens the recording at `header` with the program's open code, gives it
// `pattern` and checks the whole night with `rules`. False (with a reason)
// when it cannot be opened or read.
bool CheckRecording(const std::string& header, const MontagePattern& pattern, const CheckRuleSet& rules,
                    NightCheckResult* out, std::string* error);

// Writes the generated night at `header` and checks it with its own montage
// (TaffGenMontage).
bool CheckGeneratedNight(const TaffGenOptions& options, const std::string& header, const CheckRuleSet& rules,
                         NightCheckResult* out, std::string* error);

// The share (0..1) of the fault's stretch that findings of its kind cover on
// its channel, at `rate` samples per second; for a pair check (duplicate,
// eog_in_phase) a finding that names the channel as the other of the pair
// counts too. `labels` are the channels' labels as written, by number from 0.
double FaultCoverage(const TaffGenFault& fault, int rate, const std::vector<std::string>& labels,
                     const NightCheckResult& result);

// Whether the check found the fault: coverage of at least one half.
bool FaultFound(const TaffGenFault& fault, int rate, const std::vector<std::string>& labels,
                const NightCheckResult& result);

// How the findings of the fault's kind on its channel (or pair) meet its
// stretch: the share they cover, and the span from the first one's start
// to the last one's end of those that overlap it (`any` false: none does).
struct FaultMatch {
    double coverage = 0;
    bool any = false;
    double start = 0, end = 0;     // seconds from the recording's start
    double truthStart = 0, truthEnd = 0;
};
FaultMatch MatchFault(const TaffGenFault& fault, int rate, const std::vector<std::string>& labels,
                      const NightCheckResult& result);

// Found as a lab needs it: covered at least 80 %, the found stretch's start
// and end each within 5 s of the fault's.
constexpr double kExactCoverage = 0.8;
constexpr double kExactEndSeconds = 5.0;
bool FoundExactly(const FaultMatch& match);

// Findings of at least `level` that overlap no fault of their kind on their
// channel (or its pair): false alarms.
std::vector<CheckFinding> UnexplainedFindings(const std::vector<TaffGenFault>& faults, int rate,
                                              const std::vector<std::string>& labels, const NightCheckResult& result,
                                              CheckLevel level);

// Whether a finding lies on the channel (or pair) and stretch of some fault
// of any kind: a clipped channel also shows a large amplitude, which is no
// false alarm.
bool OnFaultedStretch(const CheckFinding& finding, const std::vector<TaffGenFault>& faults, int rate,
                      const std::vector<std::string>& labels);

// The faults of a ground-truth file's text (TaffGenGroundTruthText), read
// back with `labels` naming the channels; stops at the first object it
// cannot read (false).
bool ReadGroundTruth(const std::string& text, const std::vector<std::string>& labels, std::vector<TaffGenFault>* out);

// The check kind that finds a fault kind (the same name).
CheckKind CheckKindOf(TaffGenFaultKind kind);
