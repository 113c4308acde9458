// Reading keys of a settings-style (INI) file, as the load rules of the
// montage patterns, the SYSTEM frame settings and the PATIENT section need
// them. Two readers implement it: the Windows private-profile functions (the
// window program) and the portable reader of engine/ini_file.h (the batch
// converter), so the key lists, defaults and value rules are written once.
#pragma once

#include <cstdint>

class ProfileReader {
public:
    virtual ~ProfileReader() = default;
    // Reads `key` of `section` into `dest` of `size` bytes (at most size - 1
    // characters, never half a double-byte character), `fallback` when the
    // key or the file is missing. Returns the length read.
    virtual int ReadText(const char* section, const char* key, const char* fallback, char* dest,
                         int size) const = 0;
    // The profile integer: `fallback` when missing; otherwise the value's
    // leading decimal number (optional minus sign), 0 when there is none.
    virtual int32_t ReadInt(const char* section, const char* key, int32_t fallback) const = 0;
};
