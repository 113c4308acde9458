// Reading a written PSG file back on its own (the bytes on disk, not what
// the writer kept) and comparing it with the recording and the montage it
// was converted from: --verify. The header must describe the channels the
// montage switched on (source number, samples per record from the rate
// divisor), the recording's length in records of the frame time and its
// start; every sample of every record must be the source's sample, or the
// rounded mean of the source samples it stands for at a reduced rate (the
// first of them for a body-position channel).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/batch_job.h"

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

// Reads the header of the PSG file open in `file` (from its start). False
// with `why` when it is not a readable EDF header.
bool ReadPsgLayout(FILE* file, PsgLayout& layout, std::string* why);

// Whether the file at `path` is whole: its record count set and the file
// exactly as long as header and records. A file that is not a PSG file is
// not whole.
bool PsgFileIsWhole(const std::string& path);

// The provenance note naming the settings hash `hash`, as written into a
// file's converter text; and the hash a file's note names ("" when the file
// names none: made by the window program or an older converter).
std::string SettingsNote(const std::string& hash);
std::string SettingsHashOf(const std::string& path);

// The layout of the file at `path`; false when it is not a readable PSG file.
bool ReadPsgFileLayout(const std::string& path, PsgLayout& layout);

// Compares the file `path` with the open recording and montage of `r` and
// the frame time of its settings. False with `why` naming the first
// difference found.
bool VerifyPsgFile(const JobRecords& r, const std::string& path, std::string* why);
