// Helpers of the reader tests (folders and files come from the shared test
// support): a handle that closes itself, and checks that compare what the
// reader delivers with the generator's samples or merely use every call on
// a handle.
#pragma once

#include <cstdint>
#include <string>

#include "taffread/taffread.h"
#include "tests/support/test_files.h"   // TempDir, WriteFile
#include "tools/taffgen/taffgen.h"

// An open recording, closed when it goes out of scope.
class Recording {
public:
    explicit Recording(const std::string& headerPath) : handle_(TaffOpen(headerPath.c_str(), 0)) {}
    ~Recording() { TaffClose(handle_); }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
    TaffHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    int32_t Value(int code) const { return TaffGetValue(handle_, code, 0); }
    std::string Name(int channel) const;

private:
    TaffHandle handle_;
};

// Reads the whole recording in blocks of `blockScans` (the last one running
// past the end), as scans and as one run per channel, and expects every
// sample to be the generator's, the zero fill after the end, and each result
// to count the scans from the file.
void ExpectGeneratorSamples(const Recording& rec, const TaffGenOptions& options, int32_t blockScans);

// Uses every call on `handle` with exact-size buffers: values, names, and
// blocks at the start, the middle, across the end and beyond it, as scans
// and as runs. Checks only what holds for any recording (results within
// range, zero fill, runs holding what the scans hold).
void ExerciseHandle(TaffHandle handle);
