// The eight montage patterns in their sections Pattern1..Pattern8 of the
// settings file: loading a slot (with the loader's defaults for missing keys)
// and storing a slot through the private-profile functions, by the value
// rules of engine/pattern_rules.h.
#pragma once

#include "engine/montage_types.h"
#include "engine/pattern_rules.h"

// Reads section "Pattern<slot + 1>" of the settings file `iniPath` into `p`.
// Missing keys take the loader's defaults; a list key of 2 characters or
// fewer changes nothing (TC: all channels get 500 ms). A stored level count
// is limited to 0..8 and a rate divisor below 1 becomes 1. Does nothing for
// a slot outside 0..7 or without a path.
void LoadPatternSlot(MontagePattern& p, int slot, const char* iniPath);

// Writes `p` to section "Pattern<slot + 1>" of `iniPath`: name, choices,
// channel texts, the nine channel lists of 32 values, the position table.
// The section is written whole or not at all: the writes go to a checked
// copy of the file that replaces it only when everything arrived. False
// when the file was left as it was (a write failed, a read-only or full
// disk), or for a slot outside 0..7 or without a path.
bool StorePatternSlot(const MontagePattern& p, int slot, const char* iniPath);

// Loads slot k (0..7) of the eight `patterns`, or all eight in order for
// k = -1. Does nothing without patterns or for k out of range.
void LoadPattern(MontagePattern* patterns, int k, const char* iniPath);

// Stores slot k (0..7) of the eight `patterns`, as LoadPattern reads it;
// false as StorePatternSlot, or without patterns or for k out of range.
bool StorePattern(const MontagePattern* patterns, int k, const char* iniPath);
