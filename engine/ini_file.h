// The portable reader of settings-style (INI) files (settings, patient and
// calibration files alike) that answers as the platform's private-profile
// reading does: lines end at CR, LF or CR LF, ";" lines are comments,
// section and key names compared without regard to case (ASCII letters), the
// first matching section and the first matching key in it win, values
// trimmed of blanks (and of one pair of enclosing quotes), missing files,
// sections and keys give the default. Texts are taken byte for byte
// (Shift-JIS stays Shift-JIS).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/profile_reader.h"

class IniFile : public ProfileReader {
public:
    // Why Load failed.
    enum LoadResult { kLoaded = 0, kCannotRead, kNotText, kTooLarge };

    // Reads and parses the file at `path`. A file that cannot be read, is
    // larger than kMaxBytes or holds a zero byte (not a text file) is refused
    // and leaves the reader empty (every read gives its default).
    LoadResult Load(const char* path);
    // Parses `text` (`length` bytes) as the content of a settings file.
    void Parse(const char* text, size_t length);

    bool HasSection(const char* section) const;
    // The value of `key` in `section` (trimmed, quotes dropped); null when
    // either is missing.
    const std::string* Value(const char* section, const char* key) const;
    size_t SectionCount() const { return sections_.size(); }

    int ReadText(const char* section, const char* key, const char* fallback, char* dest,
                 int size) const override;
    int32_t ReadInt(const char* section, const char* key, int32_t fallback) const override;

    static constexpr size_t kMaxBytes = 16u << 20;

private:
    struct Entry {
        std::string key, value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const Section* FindSection(const char* name) const;
    const std::string* FindValue(const char* section, const char* key) const;
    std::vector<Section> sections_;
};

// Why an IniFile could not be loaded, in words.
const char* IniLoadReason(IniFile::LoadResult result);
