// Scratch files for the fuzz targets; see fuzz_support.h.
#include "fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

const std::string& FuzzScratch() {
    static const std::string dir = [] {
        std::error_code ignored;
        const std::string base = std::filesystem::temp_directory_path(ignored).string();
        std::string made = (base.empty() ? std::string(".") : base) + "/psgfuzz_" + std::to_string(getpid());
        mkdir(made.c_str(), 0700);
        return made;
    }();
    return dir;
}

void FuzzWriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}
