// File work of the batch converter; see output_files.h.
#include "batch/output_files.h"

#include <dirent.h>
#include <stdio.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "textkit/sjis_text.h"

#ifdef _WIN32
#include <io.h>
#endif

namespace {

// Position of the last path separator, double-byte characters stepped over.
int LastSeparator(const std::string& path) {
    return std::max(LastCharIndex(path.c_str(), '/'), LastCharIndex(path.c_str(), '\\'));
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameLetters(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string StemOf(const std::string& name) {
    const int dot = LastCharIndex(name.c_str(), '.');
    return dot > 0 ? name.substr(0, size_t(dot)) : name;
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const int sep = LastSeparator(path);
    if (sep < 0) return ".";
    return sep == 0 ? path.substr(0, 1) : path.substr(0, size_t(sep));
}

std::string FileNameOf(const std::string& path) { return path.substr(size_t(LastSeparator(path) + 1)); }

std::string JoinPath(const std::string& dir, const std::string& name) {
#ifdef _WIN32
    const char sep = '\\';
#else
    const char sep = '/';
#endif
    if (dir.empty()) return name;
    const char last = dir.back();
    if (last == '/' || last == '\\') return dir + name;
    return dir + sep + name;
}

bool PathExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileBytes(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? int64_t(st.st_size) : -1;
}

std::vector<std::string> ListFolder(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d) return names;
    while (const dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

bool HasExtension(const std::string& name, const char* ext) {
    const int dot = LastCharIndex(name.c_str(), '.');
    return dot >= 0 && SameLetters(name.substr(size_t(dot) + 1), ext);
}

std::vector<std::string> RecordingFilesOf(const std::string& headerPath) {
    const std::string dir = FolderOf(headerPath);
    const std::string stem = StemOf(FileNameOf(headerPath));
    std::vector<std::string> files;
    for (const std::string& name : ListFolder(dir))
        if (SameLetters(StemOf(name), stem)) files.push_back(JoinPath(dir, name));
    return files;
}

bool SameFile(const std::string& a, const std::string& b) {
#ifdef _WIN32
    std::error_code ignored;
    return std::filesystem::equivalent(std::filesystem::path(a), std::filesystem::path(b), ignored);
#else
    struct stat first, second;
    if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
#endif
}

int CreateNewFile(const std::string& path) {
#ifdef _WIN32
    const int fd = _open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return errno ? errno : EIO;
    _close(fd);
#else
    const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return errno ? errno : EIO;
    close(fd);
#endif
    return 0;
}

int MoveIntoPlace(const std::string& from, const std::string& to, bool replace) {
#ifdef _WIN32
    // The C runtime's rename never replaces an existing file.
    if (replace && PathExists(to) && remove(to.c_str()) != 0) return errno ? errno : EIO;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : (errno ? errno : EIO);
#else
    if (replace) return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    return MoveWithoutReplacing(from, to, kMoveByLink);
#endif
}

#ifndef _WIN32
namespace {

// Errors that say the file system cannot do this kind of move at all
// (rather than that this move failed).
bool Unsupported(int error) {
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL ||
           error == EMLINK;
}

}  // namespace
#endif

int MoveWithoutReplacing(const std::string& from, const std::string& to, MoveWay first) {
#ifndef _WIN32
    // A hard link is made only when nothing has the name: no window in which
    // an output appearing meanwhile could be replaced.
    if (first <= kMoveByLink) {
        if (link(from.c_str(), to.c_str()) == 0) {
            unlink(from.c_str());
            return 0;
        }
        if (!Unsupported(errno)) return errno;
    }
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    // File systems without hard links (exFAT, many network shares) mostly
    // still rename without replacing, in one step.
    if (first <= kMoveByNoReplaceRename) {
        if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
        if (!Unsupported(errno)) return errno;
    }
#endif
#endif
    (void)first;
    // Otherwise a rename after checking that nothing has the name: only an
    // output appearing in the moment between could be replaced.
    if (PathExists(to)) return EEXIST;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : (errno ? errno : EIO);
}

int FlushFile(const std::string& path) {
#ifdef _WIN32
    const int fd = _open(path.c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0) return errno ? errno : EIO;
    const int error = _commit(fd) == 0 ? 0 : (errno ? errno : EIO);
    _close(fd);
#else
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno ? errno : EIO;
    const int error = fsync(fd) == 0 ? 0 : (errno ? errno : EIO);
    close(fd);
#endif
    return error;
}

void FlushFolder(const std::string& dir) {
#ifndef _WIN32
    // Makes the rename itself durable; file systems that cannot flush a
    // folder (EINVAL) keep their names in their own way.
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
#else
    (void)dir;
#endif
}

int ProbeWritableFolder(const std::string& dir) {
    char name[64];
    snprintf(name, sizeof name, ".taff2psg-probe-%ld", long(getpid()));
    const std::string probe = JoinPath(dir, name);
    const int error = CreateNewFile(probe);
    if (error == 0) remove(probe.c_str());
    return error;
}
