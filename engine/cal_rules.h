// The rules of a calibration condition file (*.CAL): section CALINFO must
// hold a SaveTime of more than 4 characters and a channel count CH above 0;
// then sections CH1.. (at most MaxCh of them) give each channel its signal
// type and, for a type above 0, its label, unit and calibration, while a
// type of 0 or below restores the start-up calibration. The values come
// through a small reader interface: the program reads the file with the
// profile functions, natively an IniText holds the file's bytes and reads
// them through the settings-file reader. Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/ini_file.h"
#include "engine/montage_types.h"

enum {
    kCalSaveTimeSize = 64,      // SaveTime is read up to 63 characters
    kCalMinSaveTime = 5,        // a shorter SaveTime refuses the file
    kCalNumberSize = 32         // text read for an integer key
};

// Where the values of a calibration condition file come from.
class CalValueReader {
public:
    virtual ~CalValueReader() = default;
    // Reads `key` of `section` into `dest` of `size` bytes (at most size - 1
    // characters, never half a double-byte character), empty when the file,
    // section or key is missing. Returns the length read.
    virtual int ReadText(const char* section, const char* key, char* dest, int size) = 0;
};

// An integer key: the leading decimal number of its text (optional sign,
// clamped to 32 bits), 0 when missing or without digits.
int32_t ReadCalInt(CalValueReader& file, const char* section, const char* key);

// Imports the file into the channels of `pattern`: 1 when the channels were
// taken over, 0 (pattern untouched) when SaveTime has 4 characters or fewer
// or CH is 0 or below. At most `maxCh` channels (never more than the 32
// entries) are read; the fields enabled, rateDivisor, sensitivity, the
// filters and all channels beyond them stay as they were.
int ImportCalCondition(CalValueReader& file, MontagePattern& pattern, int maxCh);

// A calibration condition file held in memory, read by the one settings-file
// reader (engine/ini_file.h) the way the profile functions read a file. Any
// bytes are accepted.
class IniText : public CalValueReader {
public:
    IniText(const char* data, size_t size) { file_.Parse(data ? data : "", data ? size : 0); }
    int ReadText(const char* section, const char* key, char* dest, int size) override;
    // The value of `key` in `section` (blanks and quotes dropped); false
    // when either is missing.
    bool Find(const char* section, const char* key, std::string& value) const;

private:
    IniFile file_;
};
