// Reading a PSG file's header back from the bytes on disk, on the same
// named fields the writer fills (edf_header.h): the layout of the file and
// whether it is whole. What a file read back is compared with is the
// caller's.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The layout of a PSG (EDF+) file as its header gives it.
struct PsgLayout {
    int64_t headerBytes = 0;
    int64_t records = -1;
    int64_t recordSeconds = 0;
    std::string version, reserved, startDate, startTime;
    struct Signal {
        std::string label, transducer;
        int64_t samplesPerRecord = 0, digitalMin = 0, digitalMax = 0;
    };
    std::vector<Signal> signals;
    int64_t RecordBytes() const;
};

// Reads the header of the PSG file open in `file` (from its start); the
// file is left at the first record. False with `why` when it is not a
// readable EDF header.
bool ReadPsgLayout(FILE* file, PsgLayout& layout, std::string* why);

// The layout of the file at `path`; false when it is not a readable PSG file.
bool ReadPsgFileLayout(const std::string& path, PsgLayout& layout);

// Whether the file at `path` is whole: its record count set and the file
// exactly as long as header and records. A file that is not a PSG file is
// not whole.
bool PsgFileIsWhole(const std::string& path);
