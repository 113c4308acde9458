// File identity; see file_identity.h.
#include "pagekit/file_identity.h"

#include <windows.h>

#include "engine/source_info.h"
#include "textkit/sjis_text.h"

namespace {

bool IdentityOf(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(file, info);
    CloseHandle(file);
    return ok != FALSE;
}

}  // namespace

bool SameExistingFile(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    if (!IdentityOf(a, &first) || !IdentityOf(b, &second)) return false;
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

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
