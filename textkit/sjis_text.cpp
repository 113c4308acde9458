// Shift-JIS text rules; see sjis_text.h.
#include "textkit/sjis_text.h"

#include <cstdio>
#include <cstring>

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool IsSjisTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

size_t SjisCharWidth(const char* p) {
    return IsSjisLead(static_cast<unsigned char>(p[0])) && IsSjisTrail(static_cast<unsigned char>(p[1])) ? 2 : 1;
}

namespace {

// Bytes of `text` that fit in `limit` bytes without splitting a character.
size_t WholeCharsWithin(const char* text, size_t limit) {
    size_t i = 0;
    while (i < limit && text[i]) {
        const size_t step = SjisCharWidth(text + i);
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

}  // namespace

void CutText(char* text, int size) {
    if (size <= 0) return;
    text[WholeCharsWithin(text, size_t(size) - 1)] = '\0';
}

void CopyText(char* dest, int size, const char* source) {
    if (size <= 0) return;
    const size_t n = WholeCharsWithin(source, size_t(size) - 1);
    memmove(dest, source, n);
    dest[n] = '\0';
}

void AppendText(char* dest, int size, const char* source) {
    if (size <= 0) return;
    const size_t used = strnlen(dest, size_t(size) - 1);
    CopyText(dest + used, size - int(used), source);
}

size_t FieldTextLength(const char* field, size_t size) {
    if (size == 0) return 0;
    const size_t length = strnlen(field, size);
    if (length < size) return length;
    // A full field: take whole characters within size - 1 bytes. The byte
    // after the limit may be a trail byte, so widths are judged on the field.
    size_t i = 0;
    while (i < size - 1) {
        const size_t step = IsSjisLead(static_cast<unsigned char>(field[i])) ? 2 : 1;
        if (i + step > size - 1) break;
        i += step;
    }
    return i;
}

int LastCharIndex(const char* text, char c) {
    int found = -1;
    for (size_t i = 0; text[i]; i += SjisCharWidth(text + i))
        if (text[i] == c) found = int(i);
    return found;
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

unsigned char FoldPathByte(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 'A');
    if (c == '/') return '\\';
    return c;
}

}  // namespace

size_t PathStemLength(const char* path) {
    size_t i = 0, dot = 0;
    bool hasDot = false;
    while (path[i] != '\0') {
        const size_t w = SjisCharWidth(path + i);
        if (w == 1) {
            if (IsSeparator(path[i])) hasDot = false;
            else if (path[i] == '.') { hasDot = true; dot = i; }
        }
        i += w;
    }
    return hasDot ? dot : i;
}

void FoldPathText(char* text) {
    for (size_t i = 0; text[i] != '\0';) {
        const size_t w = SjisCharWidth(text + i);
        if (w == 1) text[i] = static_cast<char>(FoldPathByte(static_cast<unsigned char>(text[i])));
        i += w;
    }
}

bool SamePathPrefix(const char* a, const char* b, size_t length) {
    size_t i = 0;
    while (i < length) {
        const size_t w = SjisCharWidth(a + i);
        if (w == 2) {
            if (i + 2 > length || a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
        } else if (FoldPathByte(static_cast<unsigned char>(a[i])) != FoldPathByte(static_cast<unsigned char>(b[i]))) {
            return false;
        }
        i += w;
    }
    return true;
}

std::string FieldString(const char* field, size_t size) { return std::string(field, FieldTextLength(field, size)); }

bool IsUtf8Text(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

std::string JsonQuoted(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

namespace {

// Position of the last path separator, double-byte characters stepped over.
int LastSeparator(const std::string& path) {
    const int slash = LastCharIndex(path.c_str(), '/'), backslash = LastCharIndex(path.c_str(), '\\');
    return slash > backslash ? slash : backslash;
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const int sep = LastSeparator(path);
    if (sep < 0) return ".";
    return sep == 0 ? path.substr(0, 1) : path.substr(0, size_t(sep));
}

std::string FileNameOf(const std::string& path) { return path.substr(size_t(LastSeparator(path) + 1)); }

std::string PathBelow(const std::string& path, const std::string& root) {
    size_t n = root.size();
    // A root given with its closing separator ("D:\\Archive\\") is the same
    // folder; the separator must then not be the trail byte of a character.
    if (n > 0 && LastSeparator(root) == int(n) - 1) --n;
    if (n == 0 || path.size() <= n + 1 || !IsSeparator(path[n])) return path;
    // SamePathPrefix refuses a prefix that ends inside a character.
    return SamePathPrefix(path.c_str(), root.c_str(), n) ? path.substr(n + 1) : path;
}
