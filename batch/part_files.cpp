// Unfinished outputs of killed runs; see part_files.h.
#include "batch/part_files.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "batch/output_files.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

bool ProcessRuns(long pid) {
#ifdef _WIN32
    (void)pid;
    return false;
#else
    if (pid <= 0) return false;
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
#endif
}

void Search(const std::string& dir, bool recursive, int depth, std::vector<std::string>& found) {
    for (const std::string& name : ListFolder(dir)) {
        const std::string path = JoinPath(dir, name);
        long pid = 0;
        if (IsPartName(name, &pid)) {
            if (!ProcessRuns(pid) && !IsFolder(path)) found.push_back(path);
        } else if (recursive && depth < 32 && IsFolder(path)) {
            Search(path, recursive, depth + 1, found);
        }
    }
}

}  // namespace

bool IsPartName(const std::string& name, long* pid) {
    const char suffix[] = ".part";
    const size_t n = name.size(), s = sizeof suffix - 1;
    if (n <= s || name.compare(n - s, s, suffix) != 0) return false;
    // ".<pid>-<serial>" before the suffix, digits only.
    size_t i = n - s;
    size_t digits = 0;
    while (i > 0 && name[i - 1] >= '0' && name[i - 1] <= '9') --i, ++digits;
    if (digits == 0 || i == 0 || name[i - 1] != '-') return false;
    const size_t serialStart = i;
    --i;
    digits = 0;
    while (i > 0 && name[i - 1] >= '0' && name[i - 1] <= '9') --i, ++digits;
    if (digits == 0 || i < 2 || name[i - 1] != '.') return false;
    if (pid) *pid = strtol(name.substr(i, serialStart - 1 - i).c_str(), nullptr, 10);
    return true;
}

std::vector<std::string> StaleParts(const std::vector<std::string>& folders, bool recursive) {
    std::vector<std::string> found;
    std::set<std::string> seen;
    for (const std::string& dir : folders)
        if (seen.insert(dir).second && IsFolder(dir)) Search(dir, recursive, 0, found);
    return found;
}

int RemoveParts(const std::vector<std::string>& files) {
    int removed = 0;
    for (const std::string& f : files) {
        if (remove(f.c_str()) == 0) ++removed;
        else fprintf(stderr, "taff2psg: cannot remove %s: %s\n", f.c_str(), strerror(errno));
    }
    return removed;
}
