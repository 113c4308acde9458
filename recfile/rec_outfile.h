// The PSG writer's output file: a C stream that remembers whether any
// write, flush, seek or close has failed, so that a broken file can never
// be reported as complete. Offsets are 64-bit (files may exceed 4 GiB).
// The stream is unbuffered: the writer hands it whole blocks of records.
// Opened to compare instead (OpenToCompare), it writes nothing: every byte
// the writer hands it is compared with the existing file's byte at that
// place, and a difference fails it like a failed write.
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
    // Opens the existing file at `path` to compare with. The first piece
    // handed (the header) is kept and compared when the file is closed, so
    // that fields the writer patches later (the record count) are compared
    // as finally written; later pieces are compared as they come. False
    // when the file cannot be opened.
    bool OpenToCompare(const std::string& path);
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
    // Comparing: the offset of the first byte that differs (a file longer
    // than what was handed differs at its end of what was handed); -1 when
    // none has been found.
    int64_t DifferenceAt() const { return differenceAt_; }
    void MarkFailed() { failed_ = true; }

private:
    bool Check(bool ok);

    bool CompareAt(int64_t offset, const void* data, size_t size);
    bool CompareHead();

    FILE* fp_ = nullptr;
    bool failed_ = false;
    bool comparing_ = false;
    std::string head_;          // comparing: the first piece, as patched since
    int64_t position_ = 0;      // comparing: where the next piece goes
    int64_t differenceAt_ = -1;
};
