// A file hashed beside the run; see file_hash.h.
#include "batch/file_hash.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "filekit/sha256.h"

namespace {

const size_t kPiece = size_t(1) << 20;

}  // namespace

void FileHashThread::Start(const std::string& path, int64_t limit, int64_t patchAt, const std::string& patch) {
    Abandon();
    path_ = path;
    patch_ = patch;
    patchAt_ = patchAt;
    limit_ = limit;
    toEnd_ = stop_ = false;
    hex_.clear();
    worker_ = std::thread([this] { Work(); });
}

void FileHashThread::Allow(int64_t limit) {
    if (!Started()) return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (limit <= limit_) return;
        limit_ = limit;
    }
    moved_.notify_one();
}

std::string FileHashThread::Finish() {
    if (!Started()) return "";
    {
        std::lock_guard<std::mutex> hold(lock_);
        toEnd_ = true;
    }
    moved_.notify_one();
    worker_.join();
    // The file closed without the patch the hash assumed: hashed again whole.
    if (!hex_.empty() && !patch_.empty() && !PatchInPlace() && !Sha256OfFile(path_, hex_)) hex_.clear();
    return hex_;
}

void FileHashThread::Abandon() {
    if (!Started()) return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    moved_.notify_one();
    worker_.join();
    hex_.clear();
}

// Whether the file now holds the patch the hash took for its bytes.
bool FileHashThread::PatchInPlace() {
    FILE* file = fopen(path_.c_str(), "rb");
    if (!file) return false;
    std::vector<char> head(size_t(patchAt_) + patch_.size());
    const bool same = fread(head.data(), 1, head.size(), file) == head.size() &&
                      memcmp(head.data() + patchAt_, patch_.data(), patch_.size()) == 0;
    fclose(file);
    return same;
}

void FileHashThread::Work() {
    FILE* file = fopen(path_.c_str(), "rb");
    if (!file) return;
    Sha256 sha;
    std::vector<char> piece(kPiece);
    int64_t at = 0;
    int64_t endSeenAt = -1;     // the limit under which the file ended last (the writer behind it)
    bool failed = false, stopped = false;
    for (;;) {
        int64_t allowed = 0;
        bool toEnd = false;
        {
            std::unique_lock<std::mutex> hold(lock_);
            moved_.wait(hold, [&] { return stop_ || toEnd_ || (limit_ > at && limit_ > endSeenAt); });
            stopped = stop_;
            if (stopped) break;
            toEnd = toEnd_;
            allowed = toEnd ? INT64_MAX : limit_;
        }
        const size_t want = size_t(std::min<int64_t>(int64_t(kPiece), allowed - at));
        const size_t got = fread(piece.data(), 1, want, file);
        // The patch stands in for the bytes it covers.
        const int64_t from = std::max(at, patchAt_);
        const int64_t to = std::min(at + int64_t(got), patchAt_ + int64_t(patch_.size()));
        if (from < to) memcpy(piece.data() + (from - at), patch_.data() + (from - patchAt_), size_t(to - from));
        sha.Add(piece.data(), got);
        at += int64_t(got);
        if (got == want) continue;
        // The file ends here for now: done when told to read to its end,
        // otherwise wait until the run allows more.
        failed = ferror(file) != 0;
        if (toEnd || failed) break;
        clearerr(file);
        endSeenAt = allowed;
    }
    fclose(file);
    if (!failed && !stopped) hex_ = sha.HexDigest();
}
