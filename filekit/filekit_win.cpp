// The file layer on Windows; see filekit.h. Narrow (code page 932) paths
// through the ANSI functions, as the rest of the program names files.
#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "filekit/filekit.h"
#include "filekit/filekit_platform.h"

const char kPathSeparator = '\\';

namespace {

// The errno value of a Windows error, for the callers' messages.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return EACCES;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_WRITE_PROTECT: return EROFS;
        case ERROR_NOT_SAME_DEVICE: return EXDEV;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION: return ENOTSUP;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        default: return EIO;
    }
}

int LastErrno() { return ErrnoOf(GetLastError()); }

int WriteAll(HANDLE file, const char* bytes, size_t size) {
    size_t done = 0;
    while (done < size) {
        const DWORD chunk = DWORD(std::min<size_t>(size - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes + done, chunk, &written, nullptr)) return LastErrno();
        if (written == 0) return ENOSPC;
        done += written;
    }
    return 0;
}

// The whole file, locked: every byte a file can have.
bool LockWhole(HANDLE file, bool wait) {
    OVERLAPPED at = {};
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    return LockFileEx(file, flags, 0, MAXDWORD, MAXDWORD, &at) != 0;
}

void UnlockWhole(HANDLE file) {
    OVERLAPPED at = {};
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &at);
}

std::string ReadSmall(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    char buffer[512];
    DWORD got = 0;
    std::string text;
    if (ReadFile(file, buffer, sizeof buffer, &got, nullptr)) text.assign(buffer, got);
    CloseHandle(file);
    return text;
}

}  // namespace

bool NamesAreUtf8(const std::string&) { return false; }

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int64_t FileBytes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool FileModified(const std::string& path, int64_t* nanoseconds) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    // FILETIME counts 100 ns from 1601.
    const int64_t ticks = (int64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    *nanoseconds = (ticks - 116444736000000000LL) * 100;
    return true;
}

std::vector<std::string> ListFolder(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(dir, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0) names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// The volume and file index of `path` (a folder too), asked through the
// program's code page like every other path here.
bool IdentityOf(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(file, info);
    CloseHandle(file);
    return ok != FALSE;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    if (!IdentityOf(a, &first) || !IdentityOf(b, &second)) return false;
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

long CurrentProcessId() { return long(GetCurrentProcessId()); }

std::string HostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name) : std::string();
}

bool ProcessRuns(long pid) {
    if (pid <= 0) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;     // there, but not ours to ask
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

int AllowedCpus() {
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
        int n = 0;
        for (DWORD_PTR m = process; m; m &= m - 1) ++n;
        return n;
    }
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? int(info.dwNumberOfProcessors) : 1;
}

bool StreamIsTerminal(FILE* stream) { return _isatty(_fileno(stream)) != 0; }

// The console of older systems draws no cursor movement: one line is
// redrawn with a carriage return instead.
bool TerminalRedrawsLines() { return false; }

int CreateNewFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastErrno();
    CloseHandle(file);
    return 0;
}

int WriteNewFile(const std::string& path, const char* bytes, size_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastErrno();
    int error = WriteAll(file, bytes, size);
    if (error == 0 && !FlushFileBuffers(file)) error = LastErrno();
    CloseHandle(file);
    if (error != 0) DeleteFileA(path.c_str());
    return error;
}

int FlushFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastErrno();
    const int error = FlushFileBuffers(file) ? 0 : LastErrno();
    CloseHandle(file);
    return error;
}

// A move with MOVEFILE_WRITE_THROUGH returns only when it is on the disk:
// there is nothing more to flush.
void FlushFolder(const std::string&) {}

int RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) ? 0 : LastErrno(); }

int ReplaceInOneStep(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : LastErrno();
}

int MoveWithoutReplacing(const std::string& from, const std::string& to, MoveWay first) {
    // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing name in
    // one step, on every file system: the first two ways are that one.
    if (first <= kMoveByNoReplaceRename)
        return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : LastErrno();
    if (PathExists(to)) return EEXIST;
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : LastErrno();
}

int AppendWholeLine(const std::string& path, const std::string& line) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastErrno();
    // A lock on the whole file: appends of other processes wait.
    if (!LockWhole(file, true)) {
        const int error = LastErrno();
        CloseHandle(file);
        return error;
    }
    int error = 0;
    LARGE_INTEGER before = {};
    if (!GetFileSizeEx(file, &before)) error = LastErrno();
    std::string text = line;
    if (error == 0 && before.QuadPart > 0) {
        LARGE_INTEGER last;
        last.QuadPart = before.QuadPart - 1;
        char byte = '\n';
        DWORD got = 0;
        if (SetFilePointerEx(file, last, nullptr, FILE_BEGIN) && ReadFile(file, &byte, 1, &got, nullptr) && got == 1 &&
            byte != '\n')
            text = "\n" + line;
    }
    if (error == 0 && !SetFilePointerEx(file, before, nullptr, FILE_BEGIN)) error = LastErrno();
    if (error == 0) error = WriteAll(file, text.data(), text.size());
    if (error == 0 && !FlushFileBuffers(file)) error = LastErrno();
    if (error != 0) {
        // A line cut short by a full disk would glue the next one onto it.
        SetFilePointerEx(file, before, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        FlushFileBuffers(file);
    }
    UnlockWhole(file);
    CloseHandle(file);
    return error;
}

// A claim is open for deleting on close: when its process ends, however it
// ends, the system removes it. One left by a power cut names a process that
// no longer runs and is taken over.
ClaimResult ClaimOutput(const std::string& output, OutputClaim& claim, std::string* holder, int* error) {
    const std::string path = ClaimNameFor(output);
    const std::string text = ClaimText();
    for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const int written = WriteAll(file, text.data(), text.size());
            if (written != 0 || !FlushFileBuffers(file)) {
                CloseHandle(file);
                if (error) *error = written ? written : LastErrno();
                return kClaimFailed;
            }
            claim.path = path;
            claim.handle = intptr_t(file);
            return kClaimTaken;
        }
        const DWORD why = GetLastError();
        if (why != ERROR_FILE_EXISTS && why != ERROR_ALREADY_EXISTS && why != ERROR_ACCESS_DENIED) {
            if (error) *error = ErrnoOf(why);
            return kClaimFailed;
        }
        const std::string held = ReadSmall(path);
        long pid = 0;
        if (ClaimOfThisHost(held, &pid) && !ProcessRuns(pid) && DeleteFileA(path.c_str())) continue;
        if (holder) *holder = ClaimHolderText(held).empty() ? "an unknown process" : ClaimHolderText(held);
        return kClaimHeldByOther;
    }
    if (holder) *holder = "another process";
    return kClaimHeldByOther;
}

void ReleaseClaim(OutputClaim& claim) {
    if (!claim.Held()) return;
    CloseHandle(HANDLE(claim.handle));     // deleted on close
    claim.handle = -1;
}

bool ClaimIsLive(const std::string& path) {
    long pid = 0;
    const std::string held = ReadSmall(path);
    if (ClaimOfThisHost(held, &pid)) return ProcessRuns(pid);
    // Another host's claim: live while its file is open there (it would be
    // gone otherwise, unless that machine stopped).
    HANDLE file = CreateFileA(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    CloseHandle(file);
    return false;
}
