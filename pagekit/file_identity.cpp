// File identity; see file_identity.h.
#include "pagekit/file_identity.h"

#include <windows.h>

#include "engine/source_info.h"
#include "textkit/sjis_text.h"

void LongFullPath(char* out, size_t size, const char* path) {
    char full[kPathSize];
    char* name = nullptr;
    DWORD length = GetFullPathNameA(path, sizeof full, full, &name);
    if (length == 0 || length >= sizeof full || !name) {
        CopyText(out, static_cast<int>(size), path);
        return;
    }
    // The folder (with its last backslash) in long form, then the name.
    char folder[kPathSize];
    CopyText(folder, static_cast<int>(name - full) + 1, full);
    char longFolder[kPathSize];
    length = GetLongPathNameA(folder, longFolder, sizeof longFolder);
    if (length == 0 || length >= sizeof longFolder) {
        CopyText(out, static_cast<int>(size), full);
        return;
    }
    CopyText(out, static_cast<int>(size), longFolder);
    AppendText(out, static_cast<int>(size), name);
}
