// SHA-256 of bytes and of files, from the system's own crypto library:
// libcrypto natively, CNG (BCrypt) on Windows; one of the two sources
// beside this header is built. Sizes are 64-bit throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    // Adds `size` bytes (any size, pieces of any length).
    void Add(const void* data, size_t size);
    // The digest as 64 lowercase hex digits; "" when the system's library
    // failed. The object is spent after it.
    std::string HexDigest();

    struct State;

private:
    std::unique_ptr<State> state_;
};

// The SHA-256 of the file at `path` in hex; false (errno kept) when it
// cannot be read.
bool Sha256OfFile(const std::string& path, std::string& hex);

// The 32 bytes of a digest as 64 lowercase hex digits.
std::string Sha256Hex(const unsigned char* digest);
