// bench_taffread: how fast the reader delivers a large recording compared
// with reading the same bytes plainly. Generates a recording in a temporary
// folder, then reads it block by block (60 s per block) through
// TaffReadBlock and with fread in blocks of the same byte size, and prints
// both throughputs and their ratio. Not a test: run it by hand.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "taffread/taffread.h"
#include "tools/taffgen/taffgen.h"

namespace {

const char kUsage[] =
    "usage: bench_taffread [--channels N] [--rate HZ] [--hours H] [--long] [--sequential]\n"
    "                      [--rounds N] [--dir FOLDER] [--keep]\n"
    "defaults: 16 channels, 1000 Hz, 5 hours (about 576 MB), 3 rounds, the system's\n"
    "temporary folder; the recording is deleted afterwards unless --keep is given\n";

struct Settings {
    TaffGenOptions options;
    double hours = 5.0;
    int rounds = 3;
    std::string dir;
    bool keep = false;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool ParseArguments(int argc, char** argv, Settings* s) {
    s->options.rate = 1000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--long") s->options.longSamples = true;
        else if (a == "--sequential") s->options.sequential = true;
        else if (a == "--keep") s->keep = true;
        else if (value == nullptr) return false;
        else if (a == "--channels") s->options.channels = std::atoi(value), ++i;
        else if (a == "--rate") s->options.rate = std::atoi(value), ++i;
        else if (a == "--hours") s->hours = std::atof(value), ++i;
        else if (a == "--rounds") s->rounds = std::max(1, std::atoi(value)), ++i;
        else if (a == "--dir") s->dir = value, ++i;
        else return false;
    }
    s->options.seconds = s->hours * 3600.0;
    return true;
}

// Reads the data file with fread in blocks of `blockBytes`; returns seconds.
double TimePlainRead(const std::string& path, size_t blockBytes, uint64_t* checksum) {
    std::vector<unsigned char> block(blockBytes);
    const auto start = std::chrono::steady_clock::now();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return -1.0;
    size_t n = 0;
    while ((n = std::fread(block.data(), 1, block.size(), f)) > 0) *checksum += block[n / 2];
    std::fclose(f);
    return Seconds(start);
}

// Reads the recording through the reader, 60 s per block, into a buffer of
// the size the program allocates; returns seconds (-1 on failure).
double TimeReaderRead(const std::string& header, int32_t blockScans, uint64_t* checksum) {
    const auto start = std::chrono::steady_clock::now();
    TaffHandle h = TaffOpen(header.c_str(), 0);
    if (h == nullptr) return -1.0;
    const int channels = TaffGetValue(h, TAFF_VALUE_CHANNELS, 0);
    const int32_t length = TaffGetValue(h, TAFF_VALUE_LENGTH, 0);
    std::vector<int16_t> buffer((2 * static_cast<size_t>(channels + 1) * blockScans + 64) / 2);
    for (int32_t first = 0; first < length; first += blockScans) {
        const int32_t got = TaffReadBlock(h, first, blockScans, buffer.data());
        if (got <= 0) break;
        *checksum += static_cast<uint16_t>(buffer[static_cast<size_t>(got) * channels / 2]);
    }
    TaffClose(h);
    return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    if (!ParseArguments(argc, argv, &s)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path folder = s.dir.empty() ? fs::temp_directory_path() / "bench_taffread" : fs::path(s.dir);
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string header = (folder / "BENCH001.HDR").string();
    const std::string data = TaffGenDataPath(s.options, header);

    TaffStartup();
    auto start = std::chrono::steady_clock::now();
    std::string error;
    if (!WriteTaffRecording(s.options, header, &error)) {
        std::fprintf(stderr, "bench_taffread: %s\n", error.c_str());
        return 1;
    }
    const double fileMB = static_cast<double>(fs::file_size(data)) / 1e6;
    std::printf("recording: %d channels, %d Hz, %.2f h, %s %s, %.1f MB (generated in %.1f s)\n",
                s.options.channels, s.options.rate, s.hours, s.options.longSamples ? "LONG" : "INTEGER",
                s.options.sequential ? "SEQUENTIAL" : "INTERLACED", fileMB, Seconds(start));

    const int32_t blockScans = 60 * s.options.rate;
    const size_t blockBytes = static_cast<size_t>(blockScans) * s.options.channels * (s.options.longSamples ? 4 : 2);
    uint64_t checksum = 0;
    TimePlainRead(data, blockBytes, &checksum);  // warm the file cache
    double bestPlain = 1e30, bestReader = 1e30;
    for (int r = 0; r < s.rounds; ++r) {
        bestPlain = std::min(bestPlain, TimePlainRead(data, blockBytes, &checksum));
        const double reader = TimeReaderRead(header, blockScans, &checksum);
        if (reader < 0) {
            std::fprintf(stderr, "bench_taffread: the reader did not open %s\n", header.c_str());
            return 1;
        }
        bestReader = std::min(bestReader, reader);
    }
    std::printf("plain fread (%zu-byte blocks): %8.1f MB/s\n", blockBytes, fileMB / bestPlain);
    std::printf("TaffReadBlock (60-s blocks):    %8.1f MB/s\n", fileMB / bestReader);
    std::printf("reader / plain:                 %8.2f   (best of %d rounds; checksum %llu)\n",
                bestPlain / bestReader, s.rounds, static_cast<unsigned long long>(checksum));
    if (!s.keep) {
        fs::remove(header, ec);
        fs::remove(data, ec);
        if (s.dir.empty()) fs::remove(folder, ec);
    }
    return 0;
}
