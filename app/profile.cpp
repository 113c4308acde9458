// Profile (INI) helpers; see profile.h.
#include "app/profile.h"

#include <cstdio>
#include <cstring>

void CutText(char* text, int size) {
    if (size <= 0) return;
    int limit = size - 1;
    int i = 0;
    while (text[i] && i < limit) {
        bool lead = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && text[i + 1];
        int step = lead ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    text[i] = '\0';
}

void CopyText(char* dest, int size, const char* source) {
    if (size <= 0) return;
    int i = 0;
    while (source[i] && i < size - 1) {
        bool lead = IsDBCSLeadByte(static_cast<BYTE>(source[i])) && source[i + 1];
        int step = lead ? 2 : 1;
        if (i + step > size - 1) break;
        dest[i] = source[i];
        if (lead) dest[i + 1] = source[i + 1];
        i += step;
    }
    dest[i] = '\0';
}

int LastCharIndex(const char* text, char c) {
    int found = -1;
    for (const char* p = text; *p; p = CharNextA(p))
        if (*p == c) found = static_cast<int>(p - text);
    return found;
}

int ReadProfileText(const char* section, const char* key, const char* fallback, char* dest, int size,
                    const char* path) {
    if (size <= 0) return 0;
    // Read with room for one more byte so a double-byte character cut by the
    // profile function can be recognised and dropped whole.
    char buffer[1024];
    int room = size + 1 < static_cast<int>(sizeof buffer) ? size + 1 : static_cast<int>(sizeof buffer);
    GetPrivateProfileStringA(section, key, fallback, buffer, room, path);
    CopyText(dest, size, buffer);
    return static_cast<int>(strlen(dest));
}

int32_t ReadProfileInt(const char* section, const char* key, int32_t fallback, const char* path) {
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, fallback, path));
}

BOOL WriteProfileSigned(const char* section, const char* key, int32_t value, const char* path) {
    char text[16];
    snprintf(text, sizeof text, "%i", static_cast<int>(value));
    return WritePrivateProfileStringA(section, key, text, path);
}

BOOL WriteProfileUnsigned(const char* section, const char* key, uint32_t value, const char* path) {
    char text[16];
    snprintf(text, sizeof text, "%u", static_cast<unsigned>(value));
    return WritePrivateProfileStringA(section, key, text, path);
}

BOOL WriteProfileText(const char* section, const char* key, const char* text, const char* path) {
    return WritePrivateProfileStringA(section, key, text, path);
}
