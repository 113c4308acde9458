// Profile (INI) helpers; see profile.h.
#include "pagekit/profile.h"

#include <cstring>

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
