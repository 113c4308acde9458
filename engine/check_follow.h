// The window program's night check follows the record: which written
// channels a montage change touched (and so must be checked again), a
// result put together from the channels kept and those checked again, and
// what the question before converting a failing night names and is
// remembered by. Portable: plain data in, plain data out.
#pragma once

#include <cstdint>
#include <string>

#include "engine/epoch_values.h"
#include "engine/night_check.h"

// The traces of `after` (bit t: trace t of its plan) a check must judge
// again after the montage went from `before` to `after` on the same
// recording: those of a source channel not written before, or whose type,
// calibration, offsets, rate divisor, sensitivity or filters changed. A
// label or unit change alone touches no trace (the findings are relabelled).
uint32_t TouchedTraces(const TracePlan& before, const MontagePattern& beforePattern, const TracePlan& after,
                       const MontagePattern& afterPattern);

// The result for `after` from `kept` (a complete result for `before`) and
// `fresh` (a check of the traces in `mask` of `after`): the findings and
// summaries of untouched traces carried over to their new places and
// labels, those of `mask` taken from `fresh`; ordered by start, then trace;
// the night judged again by `rules`. Complete when `fresh` is.
NightCheckResult MergeRecheck(const NightCheckResult& kept, const TracePlan& before, const NightCheckResult& fresh,
                              const TracePlan& after, uint32_t mask, const CheckRuleSet& rules);

// The labels of the channels whose verdict is fail, joined by ", "
// ("C3-A2, SpO2"); "" when none fails.
std::string FailingChannels(const NightCheckResult& result);

// A number that differs when the recording or the montage it is converted
// with differs: the question before converting a failing night is asked
// once per such pair.
uint64_t NightKey(const char* recordingPath, const MontagePattern& pattern);
