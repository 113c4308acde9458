// SHA-256 natively: libcrypto's digest (it uses the processor's SHA
// instructions where there are some).
#include <openssl/evp.h>

#include "filekit/sha256.h"

struct Sha256::State {
    EVP_MD_CTX* context = nullptr;
    bool failed = false;
};

Sha256::Sha256() : state_(new State) {
    state_->context = EVP_MD_CTX_new();
    state_->failed = !state_->context || EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() { EVP_MD_CTX_free(state_->context); }

void Sha256::Add(const void* data, size_t size) {
    if (!state_->failed && size > 0) state_->failed = EVP_DigestUpdate(state_->context, data, size) != 1;
}

std::string Sha256::HexDigest() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (state_->failed || EVP_DigestFinal_ex(state_->context, digest, &length) != 1 || length != 32) return "";
    state_->failed = true;  // spent
    return Sha256Hex(digest);
}
