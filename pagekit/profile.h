// Small helpers over the private-profile (INI) functions: texts read into
// fixed buffers without splitting a double-byte character, integers, and
// numbers written in the settings file's formats.
#pragma once

#include <windows.h>
#undef CopyFile   // the settings field AppSettings::CopyFile, not the file function

#include <cstdint>

#include "engine/profile_reader.h"
#include "textkit/sjis_text.h"   // the cutting rules of every text read
#include "winkit/profile_batch.h"  // writes that arrive whole or not at all

// Reads `key` into `dest` of `size` bytes (at most size - 1 characters), with
// `fallback` when the key or file is missing. A cut that would leave half a
// double-byte character drops that half. Returns the length read.
int ReadProfileText(const char* section, const char* key, const char* fallback, char* dest, int size,
                    const char* path);
// The platform's profile integer: `fallback` when missing; the leading
// decimal number (optional minus sign) otherwise, 0 when there is none.
int32_t ReadProfileInt(const char* section, const char* key, int32_t fallback, const char* path);
// Writes go through a ProfileBatch (winkit/profile_batch.h), which keeps the
// rest of the file whole.

// The private-profile functions on the file at `path` as a ProfileReader, for
// the engine's load rules (patterns, frame settings, patient keys).
class PrivateProfile : public ProfileReader {
public:
    explicit PrivateProfile(const char* path) : path_(path) {}
    int ReadText(const char* section, const char* key, const char* fallback, char* dest, int size) const override {
        return ReadProfileText(section, key, fallback, dest, size, path_);
    }
    int32_t ReadInt(const char* section, const char* key, int32_t fallback) const override {
        return ReadProfileInt(section, key, fallback, path_);
    }

private:
    const char* path_;
};
