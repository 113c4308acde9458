// SHA-256 natively: libcrypto's digest (it uses the processor's SHA
// instructions where there are some).
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "filekit/sha256.h"

namespace {

// The library without the system's configuration file: a digest needs none,
// and reading it costs every process of a batch about 15 ms.
const EVP_MD* Digest() {
    static const bool ready = OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr) == 1;
    return ready ? EVP_sha256() : nullptr;
}

}  // namespace

struct Sha256::State {
    EVP_MD_CTX* context = nullptr;
    bool failed = false;
};

Sha256::Sha256() : state_(new State) {
    state_->context = EVP_MD_CTX_new();
    const EVP_MD* digest = Digest();
    state_->failed = !digest || !state_->context || EVP_DigestInit_ex(state_->context, digest, nullptr) != 1;
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
