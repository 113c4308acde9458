// Output path check: Shift-JIS aware stem comparison of the output path with
// the source recording's header path.
#include "convert/output_check.h"

#include <cstddef>
#include <cstring>

namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool IsTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

bool IsSeparator(unsigned char c) { return c == '\\' || c == '/'; }

// Width in bytes of the character at p: 2 for a lead byte followed by a trail
// byte, otherwise 1 (a stray lead byte stands alone).
size_t CharWidth(const char* p) {
    return IsLead(static_cast<unsigned char>(p[0])) && IsTrail(static_cast<unsigned char>(p[1])) ? 2 : 1;
}

// Length of the stem: the path up to the last "." of its last component, or
// the whole path when that component has no ".".
size_t StemLength(const char* path) {
    size_t i = 0, dot = 0;
    bool hasDot = false;
    while (path[i] != '\0') {
        const size_t w = CharWidth(path + i);
        if (w == 1) {
            const unsigned char c = static_cast<unsigned char>(path[i]);
            if (IsSeparator(c)) hasDot = false;
            else if (c == '.') { hasDot = true; dot = i; }
        }
        i += w;
    }
    return hasDot ? dot : i;
}

unsigned char Fold(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 'A');
    if (c == '/') return '\\';
    return c;
}

// True when the first `len` bytes of a and b name the same path.
bool SameStem(const char* a, const char* b, size_t len) {
    size_t i = 0;
    while (i < len) {
        const size_t w = CharWidth(a + i);
        if (w == 2) {
            if (i + 2 > len || a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
        } else if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) {
            return false;
        }
        i += w;
    }
    return true;
}

}  // namespace

OutputPathVerdict CheckOutputPath(const char* outputPath, const char* sourcePath) {
    if (!outputPath || strlen(outputPath) <= 3) return kOutputPathTooShort;
    if (!sourcePath || sourcePath[0] == '\0') return kOutputPathOk;
    const size_t outLen = StemLength(outputPath);
    if (outLen != StemLength(sourcePath)) return kOutputPathOk;
    return SameStem(outputPath, sourcePath, outLen) ? kOutputPathIsSource : kOutputPathOk;
}
