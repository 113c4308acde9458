// Profile writes through a checked copy; see profile_batch.h.
#include "winkit/profile_batch.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "filekit/filekit.h"

namespace {

// Makes the profile functions forget what they hold for `path`, so that
// the next read comes from the disk.
void ForgetCached(const std::string& path) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str()); }

// The copy the batch writes into: the settings file's bytes (none when
// there is no file yet), placed whole by the file layer.
bool MakeCopy(const std::string& path, const std::string& copy) {
    std::string bytes;
    if (PathExists(path) && ReadWholeFile(path, &bytes) != 0) return false;
    return WriteFileBeside(copy, bytes, true) == 0;
}

// Reads a zero-separated list (section names, or one section's entries)
// into a buffer that grows until the list fits; false when it never does.
template <typename Read>
bool ReadList(Read read, std::string& out) {
    for (DWORD size = 16 * 1024; size <= 16 * 1024 * 1024; size *= 2) {
        std::vector<char> buffer(size);
        const DWORD got = read(buffer.data(), size);
        if (got + 2 < size) {
            out.assign(buffer.data(), got);
            return true;
        }
    }
    return false;
}

// A section written after all others, so that it is the last one of the
// file: when it reads back from the disk, nothing before it was cut off.
const char kEndSection[] = "ProfileBatch.End";
const char kEndKey[] = "End";

bool CaseEqual(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

// Every section of `path` but the end mark with its entries, as the profile
// functions read them. False when the file is too large to read whole.
bool Contents(const std::string& path, std::string& out) {
    std::string names;
    if (!ReadList([&](char* b, DWORD n) { return GetPrivateProfileSectionNamesA(b, n, path.c_str()); }, names))
        return false;
    out.clear();
    for (size_t at = 0; at < names.size(); at += strlen(names.c_str() + at) + 1) {
        const char* name = names.c_str() + at;
        if (CaseEqual(name, kEndSection)) continue;
        std::string entries;
        if (!ReadList([&](char* b, DWORD n) { return GetPrivateProfileSectionA(name, b, n, path.c_str()); }, entries))
            return false;
        out += "[" + std::string(name) + "]" + '\0' + entries + '\0';
    }
    return true;
}

bool HasEndMark(const std::string& path) {
    char text[4] = "";
    GetPrivateProfileStringA(kEndSection, kEndKey, "", text, sizeof text, path.c_str());
    return strcmp(text, "1") == 0;
}

// True when every write reached the disk whole. A write that fails part way
// reports success and leaves the file cut short, so the check reads the file
// back from the disk: the end mark, written last, must be there; then the
// mark is removed again and what remains must read as before.
bool ArrivedWhole(const std::string& path) {
    if (!WritePrivateProfileStringA(kEndSection, kEndKey, "1", path.c_str())) return false;
    ForgetCached(path);
    std::string marked, cleared;
    if (!HasEndMark(path) || !Contents(path, marked)) return false;
    if (!WritePrivateProfileStringA(kEndSection, nullptr, nullptr, path.c_str())) return false;
    ForgetCached(path);
    return !HasEndMark(path) && Contents(path, cleared) && cleared == marked;
}

}  // namespace

ProfileBatch::ProfileBatch(const char* path) {
    if (!path || !path[0]) return;
    path_ = path;
    copy_ = path_ + ".new";
    ForgetCached(path_);
    ForgetCached(copy_);
    ok_ = MakeCopy(path_, copy_);
}

ProfileBatch::~ProfileBatch() {
    if (!done_ && !copy_.empty()) RemoveFile(copy_);
}

bool ProfileBatch::Text(const char* section, const char* key, const char* text) {
    if (ok_) ok_ = WritePrivateProfileStringA(section, key, text, copy_.c_str()) != 0;
    return ok_;
}

bool ProfileBatch::Signed(const char* section, const char* key, int32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%i", static_cast<int>(value));
    return Text(section, key, text);
}

bool ProfileBatch::Unsigned(const char* section, const char* key, uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%u", static_cast<unsigned>(value));
    return Text(section, key, text);
}

bool ProfileBatch::Commit() {
    if (done_) return false;
    done_ = true;
    if (ok_) ok_ = ArrivedWhole(copy_);
    ForgetCached(copy_);
    if (ok_) ok_ = MoveIntoPlace(copy_, path_, true) == 0;
    if (!ok_ && !copy_.empty()) RemoveFile(copy_);
    ForgetCached(path_);
    return ok_;
}
