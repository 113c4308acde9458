// 64-bit file access and data-file lookup; see taff_file.h.
#include "taffread/taff_file.h"

#include <vector>

#include "taffread/taff_text.h"

#ifndef _WIN32
#include <dirent.h>
#endif

namespace taff {
namespace {

#ifdef _WIN32
// Windows paths take either slash. A trail byte of a double-byte character
// may equal '\\'; PathStem only asks whether one follows the last '.', where
// such a false match at worst leaves the name without a data file.
bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }
#else
bool IsSeparator(char c) { return c == '/'; }
#endif

bool OpensAsDataFile(const std::string& path) {
    InputFile file;
    return file.Open(path);
}

#ifndef _WIN32
// Lists the folder of `stem` for "<base>.dat" in any case: first with the
// base name exact, then with its case ignored too.
std::string FindByListing(const std::string& stem) {
    const size_t slash = stem.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : stem.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? stem : stem.substr(slash + 1);
    std::vector<std::string> exact;
    std::vector<std::string> loose;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return std::string();
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != base.size() + 4 || name[base.size()] != '.') continue;
        if (!EqualsNoCase(name.substr(base.size() + 1), "dat")) continue;
        const std::string nameBase = name.substr(0, base.size());
        if (nameBase == base) exact.push_back(name);
        else if (EqualsNoCase(nameBase, base)) loose.push_back(name);
    }
    closedir(dir);
    const std::string prefix = slash == std::string::npos ? std::string() : folder;
    for (const auto* list : {&exact, &loose}) {
        for (const std::string& name : *list) {
            if (OpensAsDataFile(prefix + name)) return prefix + name;
        }
    }
    return std::string();
}
#endif

}  // namespace

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path) {
    Close();
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) return false;
    std::setvbuf(file_, nullptr, _IONBF, 0);
    // A folder opens on some systems but cannot be read: try one byte.
    unsigned char probe = 0;
    if (std::fread(&probe, 1, 1, file_) != 1 && std::ferror(file_)) {
        Close();
        return false;
    }
    if (!Seek(0)) {
        Close();
        return false;
    }
    return true;
}

void InputFile::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

int64_t InputFile::Size() {
    if (file_ == nullptr) return -1;
#ifdef _WIN32
    if (_fseeki64(file_, 0, SEEK_END) != 0) return -1;
    return _ftelli64(file_);
#else
    if (fseeko(file_, 0, SEEK_END) != 0) return -1;
    return static_cast<int64_t>(ftello(file_));
#endif
}

bool InputFile::Seek(int64_t offset) {
    if (file_ == nullptr || offset < 0) return false;
#ifdef _WIN32
    return _fseeki64(file_, offset, SEEK_SET) == 0;
#else
    static_assert(sizeof(off_t) >= 8, "64-bit file offsets are required");
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

size_t InputFile::Read(void* dest, size_t bytes) {
    if (file_ == nullptr || bytes == 0) return 0;
    return std::fread(dest, 1, bytes, file_);
}

bool ReadSmallFile(const std::string& path, size_t maxBytes, std::string* text) {
    InputFile file;
    if (!file.Open(path)) return false;
    const int64_t size = file.Size();
    if (size < 0 || static_cast<uint64_t>(size) > maxBytes || !file.Seek(0)) return false;
    std::string content(static_cast<size_t>(size), '\0');
    if (size > 0 && file.Read(&content[0], content.size()) != content.size()) return false;
    *text = std::move(content);
    return true;
}

std::string PathStem(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return path;
    for (size_t i = dot + 1; i < path.size(); ++i) {
        if (IsSeparator(path[i])) return path;
    }
    if (dot == 0 || IsSeparator(path[dot - 1])) return path;  // ".hdr" alone has no base name
    return path.substr(0, dot);
}

std::string FindDataFile(const std::string& headerPath) {
    const std::string stem = PathStem(headerPath);
    for (const char* ext : {".dat", ".DAT"}) {
        if (OpensAsDataFile(stem + ext)) return stem + ext;
    }
#ifdef _WIN32
    return std::string();  // the file system ignores case: nothing else to try
#else
    return FindByListing(stem);
#endif
}

}  // namespace taff
