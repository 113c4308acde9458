// A montage pattern as the keys of a pattern section: the key texts the
// pattern store writes for a slot of the settings file, and a pattern file
// (one section "[Pattern]" with the same keys) that carries one montage from
// one PC to another. A pattern file may also be written by hand: it is read
// with the settings file's value rules, missing keys at the loader's defaults.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/montage_types.h"

using KeyTexts = std::vector<std::pair<std::string, std::string>>;

// The section name of a pattern file.
extern const char kPatternFileSection[];

// The keys of a pattern section with their texts, in the order the store
// writes them: PATTERN, Label1..20, Unit1..8, ChLabel1..32, ChUnit1..32, the
// nine channel lists of 32 values, PosLevelN, PosCenter, PosWidth and
// PosLabel1..<level count>.
KeyTexts PatternKeyTexts(const MontagePattern& p);

// Whether storing `a` would write the same section as storing `b`.
bool SameStoredPattern(const MontagePattern& a, const MontagePattern& b);

// The text of a pattern file for `p`: "[Pattern]" and one "key=text" line
// per key, lines ending in CR LF; a text with blanks or quotes at its ends
// is written in double quotes so that it reads back as it was. The file
// layer places it whole (filekit's WriteFileBeside).
std::string PatternFileText(const MontagePattern& p);

enum PatternFileResult {
    kPatternFileRead = 0,
    kPatternFileUnreadable,     // missing, too large or not a text file
    kPatternFileNotPattern      // a text file without a pattern section
};

// Reads the pattern of the file at `path` into `out`: the section
// "[Pattern]", or else the first of "[Pattern1]".."[Pattern8]" (a section
// copied from a settings file), which must hold the key PATTERN or ChEnable.
// The pattern is read from the start-up state with the settings file's value
// rules. `out` is changed only when the result is kPatternFileRead.
PatternFileResult ReadPatternFile(const char* path, MontagePattern& out);

class IniFile;
// As ReadPatternFile, from a settings-style file already parsed.
PatternFileResult ReadPatternFrom(const IniFile& ini, MontagePattern& out);
