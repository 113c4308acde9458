// SHA-256 on Windows: the system's CNG provider (BCrypt), opened once per
// process and shared by every hash.
#include <windows.h>

#include <bcrypt.h>

#include "filekit/sha256.h"

namespace {

// The SHA-256 provider of the process; null when the system has none.
BCRYPT_ALG_HANDLE Provider() {
    static const BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE handle = nullptr;
        if (BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) return BCRYPT_ALG_HANDLE();
        return handle;
    }();
    return provider;
}

}  // namespace

struct Sha256::State {
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool failed = false;
};

Sha256::Sha256() : state_(new State) {
    const BCRYPT_ALG_HANDLE provider = Provider();
    state_->failed = !provider || BCryptCreateHash(provider, &state_->hash, nullptr, 0, nullptr, 0, 0) < 0;
}

Sha256::~Sha256() {
    if (state_->hash) BCryptDestroyHash(state_->hash);
}

void Sha256::Add(const void* data, size_t size) {
    // BCryptHashData takes 32-bit lengths: larger spans go in pieces.
    const size_t kPiece = size_t(1) << 30;
    auto* bytes = static_cast<unsigned char*>(const_cast<void*>(data));
    while (!state_->failed && size > 0) {
        const ULONG n = ULONG(size < kPiece ? size : kPiece);
        state_->failed = BCryptHashData(state_->hash, bytes, n, 0) < 0;
        bytes += n;
        size -= n;
    }
}

std::string Sha256::HexDigest() {
    unsigned char digest[32];
    if (state_->failed || BCryptFinishHash(state_->hash, digest, sizeof digest, 0) < 0) return "";
    state_->failed = true;  // spent
    return Sha256Hex(digest);
}
