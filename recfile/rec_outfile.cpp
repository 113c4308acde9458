// Output file of the PSG writer with failure tracking and 64-bit seeks.
#include "recfile/rec_outfile.h"

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
    fp_ = std::fopen(path.c_str(), "w+b");
    // The writer hands whole blocks of records (and the header in one
    // piece): they go straight to the system, with no copy through a
    // stream buffer whose size the C library may choose on its own.
    if (fp_) std::setvbuf(fp_, nullptr, _IONBF, 0);
    return Check(fp_ != nullptr);
}

bool RecOutFile::Write(const void* data, size_t size) {
    if (!fp_ || failed_) return Check(false);
    if (size == 0) return true;
    return Check(std::fwrite(data, 1, size, fp_) == size);
}

bool RecOutFile::WriteAt(int64_t offset, const void* data, size_t size) {
    if (!fp_ || failed_) return Check(false);
    if (!Check(SeekFromStart(fp_, offset) == 0)) return false;
    return Write(data, size);
}

bool RecOutFile::Flush() {
    if (!fp_ || failed_) return Check(false);
    return Check(std::fflush(fp_) == 0);
}

bool RecOutFile::Close() {
    if (!fp_) return !failed_;
    bool flushed = std::fflush(fp_) == 0;
    bool closed = std::fclose(fp_) == 0;
    fp_ = nullptr;
    return Check(flushed && closed) && !failed_;
}
