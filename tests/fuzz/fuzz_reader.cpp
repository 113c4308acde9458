// Fuzz target: the recording reader on any header and any data file. The
// first two bytes give the header's length; the header is the next bytes,
// the data file the rest. Whatever opens must answer every call within the
// buffers the program gives it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "taffread/taffread.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void ReadAt(TaffHandle h, int32_t channels, int32_t first, int32_t scans) {
    // The program's buffer: 2 x (channels + 1) x scans + 64 bytes.
    std::vector<int16_t> buffer(size_t(channels + 1) * size_t(scans) + 32);
    const int32_t got = TaffReadBlock(h, first, scans, buffer.data());
    if (got < 0 || got > scans) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = false;
    if (!started) TaffStartup();
    started = true;
    if (size < 2) return 0;
    const size_t headerBytes = std::min<size_t>(size - 2, size_t(data[0]) | size_t(data[1]) << 8);
    const std::string header = FuzzScratch() + "/R.HDR";
    FuzzWriteFile(header, data + 2, headerBytes);
    FuzzWriteFile(FuzzScratch() + "/R.DAT", data + 2 + headerBytes, size - 2 - headerBytes);

    TaffHandle h = TaffOpen(header.c_str(), 0);
    if (!h) return 0;
    const int32_t channels = TaffGetValue(h, TAFF_VALUE_CHANNELS, 0);
    const int32_t length = TaffGetValue(h, TAFF_VALUE_LENGTH, 0);
    if (channels < 1 || channels > 1024 || length < 1 || TaffGetValue(h, TAFF_VALUE_RATE, 0) < 1) std::abort();
    for (int c = -1; c <= channels; ++c) {
        char name[32];
        TaffGetText(h, TAFF_TEXT_CHANNEL_NAME, c, name, sizeof name);
    }
    const int32_t scans = std::min<int32_t>(length, 4096 / channels + 1);
    ReadAt(h, channels, 0, scans);
    ReadAt(h, channels, length - 1, 3);
    ReadAt(h, channels, length / 2, scans);
    TaffClose(h);
    return 0;
}
