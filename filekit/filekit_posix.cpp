// The file layer on POSIX systems; see filekit.h.
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>

#include "filekit/filekit.h"
#include "filekit/filekit_platform.h"
#include "textkit/sjis_text.h"

const char kPathSeparator = '/';

namespace {

int Errno() { return errno ? errno : EIO; }

// Errors that say the file system cannot do this kind of move at all
// (rather than that this move failed).
bool Unsupported(int error) {
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL ||
           error == EMLINK;
}

// Writes all of `size` bytes at the descriptor's position; 0 or errno.
int WriteAll(int fd, const char* bytes, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? Errno() : ENOSPC;
        done += size_t(n);
    }
    return 0;
}

// A lock on the whole file; `wait` blocks until it is granted. 0 or errno.
// Where the system has them, locks of the open file (not of the process):
// another descriptor of the same process on the same file is refused too,
// and closing it releases nothing this descriptor holds.
int LockWhole(int fd, bool wait) {
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
    const int command = wait ? F_OFD_SETLKW : F_OFD_SETLK;
#else
    const int command = wait ? F_SETLKW : F_SETLK;
#endif
    for (;;) {
        if (fcntl(fd, command, &lock) == 0) return 0;
        if (errno != EINTR) return Errno();
    }
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[256];
    ssize_t n;
    off_t at = 0;
    while ((n = pread(fd, buffer, sizeof buffer, at)) > 0 && text.size() < 4096) {
        text.append(buffer, size_t(n));
        at += n;
    }
    return text;
}


}  // namespace

bool NamesAreUtf8(const std::string& name) { return IsUtf8Text(name); }

bool PathExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileBytes(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? int64_t(st.st_size) : -1;
}

bool FileModified(const std::string& path, int64_t* nanoseconds) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    *nanoseconds = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
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

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

long CurrentProcessId() { return long(getpid()); }

std::string HostName() {
    char name[256] = "";
    if (gethostname(name, sizeof name - 1) != 0) return "";
    name[sizeof name - 1] = '\0';
    return name;
}

bool ProcessRuns(long pid) {
    if (pid <= 0) return false;
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

int AllowedCpus() {
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n > 0) return n;
    }
#endif
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? int(n) : 1;
}

bool StreamIsTerminal(FILE* stream) { return isatty(fileno(stream)) != 0; }

bool TerminalRedrawsLines() { return true; }

int CreateNewFile(const std::string& path) {
    const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return Errno();
    close(fd);
    return 0;
}

int WriteNewFile(const std::string& path, const char* bytes, size_t size) {
    const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return Errno();
    int error = WriteAll(fd, bytes, size);
    if (error == 0 && fsync(fd) != 0) error = Errno();
    if (close(fd) != 0 && error == 0) error = Errno();
    if (error != 0) unlink(path.c_str());
    return error;
}

int FlushFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Errno();
    const int error = fsync(fd) == 0 ? 0 : Errno();
    close(fd);
    return error;
}

void FlushFolder(const std::string& dir) {
    // Makes a rename durable; file systems that cannot flush a folder
    // (EINVAL) keep their names in their own way.
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

int RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0 ? 0 : Errno(); }

int ReplaceInOneStep(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : Errno();
}

int MoveWithoutReplacing(const std::string& from, const std::string& to, MoveWay first) {
    // A hard link is made only when nothing has the name: no moment in which
    // an output appearing meanwhile could be replaced.
    if (first <= kMoveByLink) {
        if (link(from.c_str(), to.c_str()) == 0) {
            unlink(from.c_str());
            return 0;
        }
        if (!Unsupported(errno)) return Errno();
    }
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    // File systems without hard links (exFAT, many network shares) mostly
    // still rename without replacing, in one step.
    if (first <= kMoveByNoReplaceRename) {
        if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
        if (!Unsupported(errno)) return Errno();
    }
#endif
    // Otherwise a rename after checking that nothing has the name: only an
    // output appearing in the moment between could be replaced.
    if (PathExists(to)) return EEXIST;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : Errno();
}

int AppendWholeLine(const std::string& path, const std::string& line) {
    const int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return Errno();
    // A lock on the whole file: appends of other processes wait, over a
    // network file system too, where O_APPEND alone does not keep lines whole.
    int error = LockWhole(fd, true);
    struct stat st;
    if (error == 0 && fstat(fd, &st) != 0) error = Errno();
    if (error == 0) {
        const off_t before = st.st_size;
        char last = '\n';
        if (before > 0 && pread(fd, &last, 1, before - 1) != 1) last = '\n';
        const std::string text = last == '\n' ? line : "\n" + line;
        error = WriteAll(fd, text.data(), text.size());
        if (error == 0 && fsync(fd) != 0) error = Errno();
        // A line cut short by a full disk would glue the next one onto it.
        if (error != 0 && ftruncate(fd, before) == 0) fsync(fd);
    }
    close(fd);      // closing releases the lock
    return error;
}

namespace {

// A new claim made whole under a temporary name (its text written, its lock
// taken) and linked to the claim's name, which refuses an existing name: the
// name never shows a claim without its holder or lock. 0, EEXIST, or an
// error (ENOTSUP and its kind where the file system has no hard links).
int LinkNewClaim(const std::string& path, const std::string& text, int* held) {
    const std::string temp = TemporaryNameFor(path);
    const int fd = open(temp.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return Errno();
    int error = LockWhole(fd, false);
    if (error == 0) error = WriteAll(fd, text.data(), text.size());
    if (error == 0 && link(temp.c_str(), path.c_str()) != 0) error = Errno();
    unlink(temp.c_str());
    if (error != 0) {
        close(fd);
        return error;
    }
    *held = fd;
    return 0;
}

// Whether a claim's file, unlocked and without a holder's text, is old
// enough that no process can still be about to write it.
bool LongLeftEmpty(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 && st.st_size == 0 && time(nullptr) - st.st_mtime > kClaimLeftEmptySeconds;
}

}  // namespace

ClaimResult ClaimOutput(const std::string& output, OutputClaim& claim, std::string* holder, int* error) {
    const std::string path = ClaimNameFor(output);
    const std::string text = ClaimText();
    for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
        int linked = -1;
        const int made = LinkNewClaim(path, text, &linked);
        if (made == 0) {
            claim.path = path;
            claim.handle = linked;
            return kClaimTaken;
        }
        if (made != EEXIST && !Unsupported(made)) {
            if (error) *error = made;
            return kClaimFailed;
        }
        // Without hard links: created in place, its lock taken at once.
        int fd = made == EEXIST ? -1 : open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            // The lock is held as long as this process lives: the kernel lets
            // it go when the process dies, however it dies.
            if (LockWhole(fd, false) != 0) {    // taken over as left empty: not ours to remove
                close(fd);
                if (holder) *holder = "another process";
                return kClaimHeldByOther;
            }
            if (WriteAll(fd, text.data(), text.size()) != 0) {
                const int e = Errno();
                close(fd);
                unlink(path.c_str());
                if (error) *error = e;
                return kClaimFailed;
            }
            claim.path = path;
            claim.handle = fd;
            return kClaimTaken;
        }
        if (made != EEXIST && errno != EEXIST) {
            if (error) *error = Errno();
            return kClaimFailed;
        }
        fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;   // released meanwhile: try again
        const std::string held = ReadAll(fd);
        long pid = 0;
        const bool ours = ClaimOfThisHost(held, &pid);
        struct stat opened, named;
        // Taken over only when nobody holds its lock, it names a process of
        // this host that no longer runs (or was left without a holder long
        // ago), and it is still the file of that name (not one released and
        // made anew meanwhile).
        if (LockWhole(fd, false) == 0 && ((ours && !ProcessRuns(pid)) || LongLeftEmpty(fd)) && fstat(fd, &opened) == 0 &&
            stat(path.c_str(), &named) == 0 && opened.st_ino == named.st_ino && opened.st_dev == named.st_dev &&
            ftruncate(fd, 0) == 0 && pwrite(fd, text.data(), text.size(), 0) == ssize_t(text.size())) {
            claim.path = path;
            claim.handle = fd;
            return kClaimTaken;
        }
        close(fd);
        if (holder) *holder = ClaimHolderText(held).empty() ? "an unknown process" : ClaimHolderText(held);
        return kClaimHeldByOther;
    }
    if (holder) *holder = "another process";
    return kClaimHeldByOther;
}

void ReleaseClaim(OutputClaim& claim) {
    if (!claim.Held()) return;
    unlink(claim.path.c_str());
    close(int(claim.handle));
    claim.handle = -1;
}

bool ClaimIsLive(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    const std::string held = ReadAll(fd);
    long pid = 0;
    bool live = LockWhole(fd, false) != 0;     // someone holds its lock
    if (!live && ClaimOfThisHost(held, &pid)) live = ProcessRuns(pid);
    close(fd);
    return live;
}
