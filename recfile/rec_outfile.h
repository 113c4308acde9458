// The PSG writer's output file: a C stream that remembers whether any
// write, flush, seek or close has failed, so that a broken file can never
// be reported as complete. Offsets are 64-bit (files may exceed 4 GiB).
// The stream is unbuffered: the writer hands it whole blocks of records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class RecOutFile {
public:
    RecOutFile() = default;
    RecOutFile(const RecOutFile&) = delete;
    RecOutFile& operator=(const RecOutFile&) = delete;
    ~RecOutFile();

    // Creates or truncates the file at `path` for writing. False on failure
    // (which also marks the file as failed).
    bool Create(const std::string& path);
    // Appends `size` bytes at the current position. False when the file is
    // not open, has failed before, or the write fails.
    bool Write(const void* data, size_t size);
    // Overwrites `size` bytes at byte `offset` from the start.
    bool WriteAt(int64_t offset, const void* data, size_t size);
    // Hands buffered bytes to the system.
    bool Flush();
    // Flushes and closes; false when that or anything before failed.
    // Closing a file that is not open only reports the earlier state.
    bool Close();

    bool IsOpen() const { return fp_ != nullptr; }
    bool Failed() const { return failed_; }
    void MarkFailed() { failed_ = true; }

private:
    bool Check(bool ok);

    FILE* fp_ = nullptr;
    bool failed_ = false;
};
