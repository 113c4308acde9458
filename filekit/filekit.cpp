// The portable part of the file layer; see filekit.h.
#include "filekit/filekit.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "filekit/filekit_platform.h"
#include "textkit/sjis_text.h"

namespace {

std::string StemOf(const std::string& name) {
    const int dot = LastCharIndex(name.c_str(), '.');
    return dot > 0 ? name.substr(0, size_t(dot)) : name;
}

bool EndsWith(const std::string& text, const char* suffix) {
    const size_t n = strlen(suffix);
    return text.size() > n && text.compare(text.size() - n, n, suffix) == 0;
}

void Search(const std::string& dir, bool recursive, int depth, std::vector<std::string>& found) {
    for (const std::string& name : ListFolder(dir)) {
        const std::string path = JoinPath(dir, name);
        long pid = 0;
        if (IsTemporaryName(name, &pid)) {
            if (!ProcessRuns(pid) && !IsFolder(path)) found.push_back(path);
        } else if (IsClaimName(name)) {
            if (!IsFolder(path) && !ClaimIsLive(path)) found.push_back(path);
        } else if (recursive && depth < 32 && IsFolder(path)) {
            Search(path, recursive, depth + 1, found);
        }
    }
}

}  // namespace

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    const char last = dir.back();
    if (last == '/' || last == '\\') return dir + name;
    return dir + kPathSeparator + name;
}

std::string FoldedName(const std::string& name) {
    std::string folded = name;
    if (NamesAreUtf8(name)) {
        for (char& c : folded)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        for (char& c : folded)
            if (c == '/') c = '\\';
        return folded;
    }
    if (!folded.empty()) FoldPathText(&folded[0]);
    return folded;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && FoldedName(a) == FoldedName(b);
}

bool HasExtension(const std::string& name, const char* ext) {
    const int dot = LastCharIndex(name.c_str(), '.');
    return dot >= 0 && SameNameIgnoringCase(name.substr(size_t(dot) + 1), ext);
}

std::vector<std::string> FilesOfStem(const std::string& path) {
    const std::string dir = FolderOf(path);
    const std::string stem = StemOf(FileNameOf(path));
    std::vector<std::string> files;
    for (const std::string& name : ListFolder(dir))
        if (SameNameIgnoringCase(StemOf(name), stem)) files.push_back(JoinPath(dir, name));
    return files;
}

std::string NameDifferingInCase(const std::string& path) {
    const std::string own = FileNameOf(path);
    for (const std::string& name : ListFolder(FolderOf(path)))
        if (name != own && SameNameIgnoringCase(name, own)) return name;
    return "";
}

bool TemporaryNameFor(char* name, size_t size, const char* output, long processId, int serial) {
    if (size == 0) return false;
    const int written = snprintf(name, size, "%s.%ld-%d.part", output, processId, serial);
    if (written < 0 || size_t(written) >= size) {
        name[0] = '\0';
        return false;
    }
    return true;
}

std::string TemporaryNameFor(const std::string& output) {
    static std::atomic<int> serial{0};
    char suffix[48];
    snprintf(suffix, sizeof suffix, ".%ld-%d.part", CurrentProcessId(), ++serial);
    return output + suffix;
}

bool IsTemporaryName(const std::string& name, long* pid) {
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

int MakeFoldersOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(FolderOf(path));
    if (IsFolder(folder.string())) return 0;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error && !IsFolder(folder.string())) return error.value() ? error.value() : EIO;
    return 0;
}

int ProbeWritableFolder(const std::string& dir) {
    char name[64];
    snprintf(name, sizeof name, ".taff2psg-probe-%ld", CurrentProcessId());
    const std::string probe = JoinPath(dir, name);
    const int error = CreateNewFile(probe);
    if (error == 0) RemoveFile(probe);
    return error;
}

int MoveIntoPlace(const std::string& from, const std::string& to, bool replace) {
    if (replace) return ReplaceInOneStep(from, to);
    return MoveWithoutReplacing(from, to, kMoveByLink);
}

int WriteFileBeside(const std::string& path, const std::string& bytes, bool replace) {
    const std::string temp = TemporaryNameFor(path);
    int error = WriteNewFile(temp, bytes.data(), bytes.size());
    if (error == 0) error = MoveIntoPlace(temp, path, replace);
    if (error != 0) {
        RemoveFile(temp);
        return error;
    }
    FlushFolder(FolderOf(path));
    return 0;
}

int ReadWholeFile(const std::string& path, std::string* bytes) {
    bytes->clear();
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return errno ? errno : ENOENT;
    char buffer[64 * 1024];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, got);
    const int error = ferror(file) ? (errno ? errno : EIO) : 0;
    fclose(file);
    if (error) bytes->clear();
    return error;
}

std::vector<std::string> StaleTemporaryFiles(const std::vector<std::string>& folders, bool recursive) {
    std::vector<std::string> found;
    std::set<std::string> seen;
    for (const std::string& dir : folders)
        if (seen.insert(dir).second && IsFolder(dir)) Search(dir, recursive, 0, found);
    return found;
}

int RemoveFiles(const std::vector<std::string>& files) {
    int removed = 0;
    for (const std::string& f : files) {
        const int error = RemoveFile(f);
        if (error == 0) ++removed;
        else fprintf(stderr, "taff2psg: cannot remove %s: %s\n", f.c_str(), strerror(error));
    }
    return removed;
}

std::string ClaimNameFor(const std::string& output) { return output + ".claim"; }

bool IsClaimName(const std::string& name) { return EndsWith(name, ".claim"); }

std::string ClaimText() { return "claimed by host " + HostName() + " pid " + std::to_string(CurrentProcessId()) + "\n"; }

std::string ClaimHolderText(const std::string& text) {
    const std::string lead = "claimed by ";
    if (text.compare(0, lead.size(), lead) != 0) return "";
    std::string holder = text.substr(lead.size());
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\r')) holder.pop_back();
    return holder;
}

bool ClaimOfThisHost(const std::string& text, long* pid) {
    const std::string holder = ClaimHolderText(text);
    const std::string host = "host " + HostName() + " pid ";
    if (holder.compare(0, host.size(), host) != 0) return false;
    char* end = nullptr;
    const long value = strtol(holder.c_str() + host.size(), &end, 10);
    if (!end || *end != '\0' || value <= 0) return false;
    *pid = value;
    return true;
}
