// The portable part of the SHA-256: a file read in pieces, the hex digits.
#include "filekit/sha256.h"

#include <cstdio>
#include <vector>

std::string Sha256Hex(const unsigned char* digest) {
    static const char kHex[] = "0123456789abcdef";
    std::string hex(64, '0');
    for (int i = 0; i < 32; ++i) {
        hex[2 * i] = kHex[digest[i] >> 4];
        hex[2 * i + 1] = kHex[digest[i] & 0xF];
    }
    return hex;
}

bool Sha256OfFile(const std::string& path, std::string& hex) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return false;
    Sha256 sha;
    std::vector<char> piece(1 << 20);
    size_t got = 0;
    while ((got = fread(piece.data(), 1, piece.size(), file)) > 0) sha.Add(piece.data(), got);
    const bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) return false;
    hex = sha.HexDigest();
    return !hex.empty();
}
