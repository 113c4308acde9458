// SHA-256 of bytes and of files, for the manifest of a batch: portable, no
// library beyond the C++ runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    void Add(const void* data, size_t size);
    // The digest as 64 lowercase hex digits; the object is spent after it.
    std::string HexDigest();

private:
    void Block(const uint8_t* block);
    uint32_t state_[8];
    uint8_t pending_[64];
    size_t pendingBytes_ = 0;
    uint64_t totalBytes_ = 0;
};

// The SHA-256 of the file at `path` in hex; false (errno kept) when it
// cannot be read.
bool Sha256OfFile(const std::string& path, std::string& hex);
