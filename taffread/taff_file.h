// File access for the reader: a read-only binary file with 64-bit offsets
// (fseeko/ftello natively, _fseeki64/_ftelli64 on Windows), reading a small
// text file whole, and finding the data file beside a header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace taff {

// An open read-only binary file; closed by the destructor.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens `path` unbuffered (every read goes straight to the caller's
    // memory). False when it does not exist or cannot be read as a file.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    // Size in bytes; -1 on error.
    int64_t Size();
    // Moves to `offset` bytes from the start; false on error.
    bool Seek(int64_t offset);
    // Reads up to `bytes` bytes; returns how many were read.
    size_t Read(void* dest, size_t bytes);

private:
    std::FILE* file_ = nullptr;
};

// Reads the file at `path` whole into `text` when it holds at most
// `maxBytes` bytes. False when it cannot be read or is longer.
bool ReadSmallFile(const std::string& path, size_t maxBytes, std::string* text);

// The path of `path` without its extension (the last '.' of the file name
// and what follows); unchanged when the file name has no '.'.
std::string PathStem(const std::string& path);

// Finds the data file beside the header at `headerPath`: same base name,
// extension "dat" in any case. Tries ".dat" and ".DAT" first, then (where
// the file system tells case apart) lists the folder. Returns the path of a
// file that opens and reads, or an empty text when there is none.
std::string FindDataFile(const std::string& headerPath);

}  // namespace taff
