// Helpers of the batch converter's tests: generated recordings in a folder,
// taff2psg run as a process with its exit status and both output streams,
// the files a folder holds and their hashes by sha256sum.
#pragma once

#include <string>
#include <vector>

#include "tests/support/test_files.h"   // ReadFile, WriteFile
#include "tools/taffgen/taffgen.h"

struct ProcessResult {
    int status = -1;        // exit status; 128 + signal when killed
    std::string out, err;
};

// Runs the built taff2psg with `args` (each quoted for the shell), standard
// input from `input` when given. `prefix` is shell text put before the
// command (such as a ulimit).
ProcessResult RunBatch(const std::vector<std::string>& args, const std::string& input = "",
                       const std::string& prefix = "");

// Writes the recording and fails the test when it cannot.
void MakeRecording(const TaffGenOptions& options, const std::string& headerPath);

// A PSG file's bytes with the settings hash of its provenance blanked: two
// outputs made alike from settings files of other bytes compare equal.
std::string WithoutSettingsHash(std::string psg);

// A file's SHA-256 in hex as sha256sum computes it, so that the manifest's
// hashes are checked by code other than the converter's own; "" on failure.
std::string Sha256Sum(const std::string& path);

// Names in `dir`, sorted.
std::vector<std::string> FilesIn(const std::string& dir);

// Short options: `seconds` of a 200 Hz recording of `channels` channels.
TaffGenOptions ShortRecording(double seconds, int channels = 12);
