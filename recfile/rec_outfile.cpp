// Output file of the PSG writer with failure tracking and 64-bit seeks.
#include "recfile/rec_outfile.h"

#include <algorithm>

namespace {

// Moves to byte `offset` from the start; 0 on success, like fseek.
int SeekFromStart(FILE* fp, int64_t offset) {
#ifdef _WIN32
    return _fseeki64(fp, offset, SEEK_SET);
#else
    return fseeko(fp, static_cast<off_t>(offset), SEEK_SET);
#endif
}

}  // namespace

RecOutFile::~RecOutFile() { Close(); }

bool RecOutFile::Check(bool ok) {
    if (!ok) failed_ = true;
    return ok;
}

bool RecOutFile::Create(const std::string& path) {
    Close();
    comparing_ = false;
    fp_ = std::fopen(path.c_str(), "w+b");
    // The writer hands whole blocks of records (and the header in one
    // piece): they go straight to the system, with no copy through a
    // stream buffer whose size the C library may choose on its own.
    if (fp_) std::setvbuf(fp_, nullptr, _IONBF, 0);
    return Check(fp_ != nullptr);
}

bool RecOutFile::OpenToCompare(const std::string& path) {
    Close();
    failed_ = false;
    comparing_ = true;
    head_.clear();
    position_ = 0;
    differenceAt_ = -1;
    fp_ = std::fopen(path.c_str(), "rb");
    return Check(fp_ != nullptr);
}

bool RecOutFile::CompareAt(int64_t offset, const void* data, size_t size) {
    if (!Check(SeekFromStart(fp_, offset) == 0)) return false;
    const unsigned char* want = static_cast<const unsigned char*>(data);
    unsigned char chunk[65536];
    for (size_t done = 0; done < size;) {
        const size_t n = std::min(sizeof chunk, size - done);
        const size_t got = std::fread(chunk, 1, n, fp_);
        for (size_t i = 0; i < n; ++i) {
            if (i < got && chunk[i] == want[done + i]) continue;
            differenceAt_ = offset + int64_t(done + i);
            return Check(false);
        }
        done += n;
    }
    return true;
}

bool RecOutFile::CompareHead() {
    if (!CompareAt(0, head_.data(), head_.size())) return false;
    // Nothing may follow what the writer handed.
    if (!Check(SeekFromStart(fp_, position_) == 0)) return false;
    if (std::fgetc(fp_) == EOF) return true;
    differenceAt_ = position_;
    return Check(false);
}

bool RecOutFile::Write(const void* data, size_t size) {
    if (!fp_ || failed_) return Check(false);
    if (size == 0) return true;
    if (comparing_) {
        const bool first = position_ == 0;
        if (first) head_.assign(static_cast<const char*>(data), size);
        const bool same = first || CompareAt(position_, data, size);
        position_ += int64_t(size);
        return same;
    }
    return Check(std::fwrite(data, 1, size, fp_) == size);
}

bool RecOutFile::WriteAt(int64_t offset, const void* data, size_t size) {
    if (!fp_ || failed_) return Check(false);
    if (comparing_) {
        if (offset >= 0 && uint64_t(offset) + size <= head_.size()) {
            head_.replace(size_t(offset), size, static_cast<const char*>(data), size);
            return true;
        }
        return CompareAt(offset, data, size);
    }
    if (!Check(SeekFromStart(fp_, offset) == 0)) return false;
    return Write(data, size);
}

bool RecOutFile::Flush() {
    if (!fp_ || failed_) return Check(false);
    if (comparing_) return true;
    return Check(std::fflush(fp_) == 0);
}

bool RecOutFile::Close() {
    if (!fp_) return !failed_;
    if (comparing_ && !failed_) CompareHead();
    bool flushed = std::fflush(fp_) == 0;
    bool closed = std::fclose(fp_) == 0;
    fp_ = nullptr;
    return Check(flushed && closed) && !failed_;
}
