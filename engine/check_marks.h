// The night check's findings as the signal preview shows them: which of a
// trace's findings lie in the epoch shown and where in its columns, their
// names for the trace's label line (whole names only), the finding under a point, and the
// finding the keys step to next or back. Plain arithmetic on the findings'
// list, so the window and its tests agree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/night_check.h"

// Whether finding `f` covers some of [from, to): a finding without length
// counts at its start.
bool FindingOverlaps(const CheckFinding& f, double from, double to);

// The pixel columns [*left, *right) of a row `width` columns wide showing
// the `seconds` from `from` that finding `f` covers (at least one column).
// False when it lies outside them.
bool FindingColumns(const CheckFinding& f, double from, double seconds, int width, int* left, int* right);

// The names of trace `trace`'s checks that flag some of [from, to), each
// once, in the order the list first gives them, joined by ", " ("flat,
// hum"); "" when none. Never writes past `size` bytes. `nameOf` gives a
// check's name as the window shows it (its own language); none: the check
// file's names.
void FindingNames(const std::vector<CheckFinding>& findings, int trace, double from, double to, char* out,
                  size_t size, const std::function<std::string(CheckKind)>& nameOf = {});

// Of `names` (as FindingNames joins them), as many whole names as fit in
// `width` pixels by `widthOf` (the pixels a text takes), then "+N" for the
// N left out ("flat, hum +2"): a name is shown whole or not at all. ""
// when not even the count fits. Never writes past `size` bytes.
void FitWholeNames(const char* names, int width, const std::function<int(const char*)>& widthOf, char* out,
                   size_t size);

// The finding of trace `trace` that covers second `at` (a finding without
// length: its own second): the one of the highest level, the first listed
// of equals. -1 when none does.
int FindingAt(const std::vector<CheckFinding>& findings, int trace, double at);

// The epoch of `epochSeconds` that holds second `at` (0 before the start).
int64_t EpochHolding(double at, int32_t epochSeconds);

// The finding to go to from the epoch of `epochSeconds` starting at second
// `epochStart`: forward, the earliest starting in a later epoch (at or after
// the epoch's end); backward, the latest starting before the epoch's start.
// Equal starts go to the lowest trace. Only trace `trace` when it is 0 or
// more, and only traces below `traceCount`. -1 when there is none.
int StepFinding(const std::vector<CheckFinding>& findings, double epochStart, int32_t epochSeconds, int trace,
                int traceCount, bool forward);
