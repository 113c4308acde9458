// Rules of the body-position level table, free of any window or file access:
// how the position dialog's working copy is filled, edited and handed back
// (the level count, the label fields, the centre and width fields), and how
// a table is kept in the settings file (keys PosLevelN, PosCenter, PosWidth
// and PosLabel1..), read and written through a profile the caller supplies.
// The dialog keeps its default table in section POSCALINFO with these keys.
#pragma once

#include <cstdint>

#include "engine/montage_types.h"

enum {
    kLevelValueMin = -32767,    // centres and widths the dialog accepts
    kLevelValueMax = 32767,
    kLevelFieldChars = 5,       // a centre or width field is read this far
    kLevelListTextSize = 512    // PosCenter and PosWidth are read through this buffer
};

// Section of the settings file that holds the default level table.
extern const char kPositionDefaultsSection[];

// Copies a whole table: the level count (limited to 0..8) and all 8
// centres, widths and labels, whatever the count. The dialog fills its
// working copy with it and hands the copy back to the pattern with it.
void CopyPositionTable(PositionCalibration& to, const PositionCalibration& from);

// Item `index` of the level-count list was chosen: it becomes the level
// count (limited to 0..8). A negative index (no selection) changes nothing.
void ChooseLevelCount(PositionCalibration& table, int index);

// The label of level `level` (1..8) from the text of its field, cut at 19
// characters without splitting a double-byte character. Other levels are
// ignored.
void TakeLevelLabel(PositionCalibration& table, int level, const char* text);

// Reads a centre or width field: its first 5 characters by the field rule
// of the automatic-base lists ("0x10" is 16, "010" is 8, empty text is 0).
// A value within -32767..32767 goes into `value` and true is returned;
// otherwise `value` is kept and false is returned.
bool TakeLevelValue(const char* text, int32_t& value);

// The settings-file section a level table is read from or written to.
// Reads give the fallback (or an empty text) when the key or file is missing.
class PositionProfile {
public:
    virtual int32_t ReadInt(const char* key, int32_t fallback) = 0;
    // Reads `key` into `dest` of `size` bytes (default empty), cut without
    // splitting a double-byte character; returns the length read.
    virtual int ReadText(const char* key, char* dest, int size) = 0;
    virtual void WriteText(const char* key, const char* text) = 0;

protected:
    ~PositionProfile() = default;
};

// Loads a table from `profile`: the level count from PosLevelN (0 when
// missing, limited to 0..8); from PosCenter and PosWidth, when more than 2
// characters were read, the values listed (at most 8, automatic base)
// replace the first centres or widths; labels 1..count from PosLabel1...
// Whatever the section does not supply keeps its value.
void LoadPositionKeys(PositionCalibration& table, PositionProfile& profile);

// Writes a table to `profile`: PosLevelN "%i" of the count, PosCenter and
// PosWidth with the first count values each followed by a comma (empty for
// count 0), and PosLabel1..PosLabel<count>. Keys of higher levels stay as
// they were.
void StorePositionKeys(const PositionCalibration& table, PositionProfile& profile);
