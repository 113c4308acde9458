// Shared by the fuzz targets: a private scratch folder in memory-backed
// storage (where there is one) and writing a file whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A folder of this process, made at first use (under /dev/shm when it exists).
const std::string& FuzzScratch();

// Writes `size` bytes to `path`, replacing it.
void FuzzWriteFile(const std::string& path, const uint8_t* data, size_t size);
