// Reading a written PSG file back on its own (the bytes on disk, not what
// the writer kept) and comparing it with the recording and the montage it
// was converted from: --verify. The header must describe the channels the
// montage switched on (source number, samples per record from the rate
// divisor), the recording's length in records of the frame time and its
// start; every sample of every record must be the source's sample, or the
// rounded mean of the source samples it stands for at a reduced rate (the
// first of them for a body-position channel); after the recording's end,
// each channel's last sample, with "Recording ends" at the true end in the
// last record's annotations.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/batch_job.h"
#include "recfile/edf_read.h"     // PsgLayout, ReadPsgLayout, PsgFileIsWhole

// The provenance note naming the settings hash `hash`, as written into a
// file's converter text; and the hash a file's note names ("" when the file
// names none: made by the window program or an older converter).
std::string SettingsNote(const std::string& hash);
std::string SettingsHashOf(const std::string& path);

// Compares the file `path` with the open recording and montage of `r` and
// the frame time of its settings. False with `why` naming the first
// difference found.
bool VerifyPsgFile(const JobRecords& r, const std::string& path, std::string* why);
