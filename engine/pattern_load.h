// Loading one montage pattern from its section "Pattern<slot + 1>" of the
// settings file, through any ProfileReader: the key list, the loader's
// defaults and the value rules of engine/pattern_rules.h, in one place for
// the window program (private-profile functions) and the batch converter
// (the portable reader).
#pragma once

#include "engine/montage_types.h"
#include "engine/profile_reader.h"

// Reads section "Pattern<slot + 1>" into `p`. Missing keys take the loader's
// defaults; a list key of 2 characters or fewer changes nothing (TC: all
// channels get 500 ms). A stored level count is limited to 0..8 and a rate
// divisor below 1 becomes 1. Does nothing for a slot outside 0..7.
void LoadPatternSection(MontagePattern& p, int slot, const ProfileReader& profile);

// As LoadPatternSection, from the section named `section` (at most 15
// characters; a pattern file's section, for example); the name is also the
// default of PATTERN.
void LoadNamedPatternSection(MontagePattern& p, const char* section, const ProfileReader& profile);

// The section name of a slot, "Pattern<slot + 1>", into `name` (`size` bytes).
void PatternSectionName(char* name, int size, int slot);
