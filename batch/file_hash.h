// A file's SHA-256 made on a thread of its own while the run reads or
// writes the same file, so the manifest costs no second pass after the
// conversion: the recording's data file read a step ahead of the
// conversion (its pages then serve both, read from the disk once), the
// output read behind the writer as far as it has written. The run says how
// far the hash may read (Allow); Finish reads to the file's end and gives
// the digest.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class FileHashThread {
public:
    FileHashThread() = default;
    ~FileHashThread() { Abandon(); }
    FileHashThread(const FileHashThread&) = delete;
    FileHashThread& operator=(const FileHashThread&) = delete;

    // Starts hashing `path` from its start, reading at most `limit` bytes
    // until Allow says more. `patch` stands in the hash for the file's
    // bytes at `patchAt`: a field the writer fills in only when the file is
    // closed (the output's record count). Finish checks that the file then
    // holds it, and hashes the whole file again when not.
    void Start(const std::string& path, int64_t limit, int64_t patchAt = 0, const std::string& patch = "");
    bool Started() const { return worker_.joinable(); }
    // The run has come so far: up to `limit` bytes may be read.
    void Allow(int64_t limit);
    // Reads to the file's end and returns the digest in hex; "" when the
    // file could not be read or nothing was started.
    std::string Finish();
    // Stops without a digest (a run that failed or was stopped).
    void Abandon();

private:
    void Work();
    bool PatchInPlace();

    std::string path_, patch_;
    int64_t patchAt_ = 0;
    std::mutex lock_;
    std::condition_variable moved_;
    int64_t limit_ = 0;
    bool toEnd_ = false, stop_ = false;
    std::string hex_;
    std::thread worker_;
};
