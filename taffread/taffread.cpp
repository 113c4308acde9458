// The TAFFREAD calls: open a recording (header, data file, layout), answer
// its values and texts, and read blocks of interleaved 16-bit scans.
#include "taffread/taffread.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "taffread/taff_file.h"
#include "taffread/taff_header.h"
#include "taffread/taff_samples.h"

// One open recording: what the header said, where the samples lie, and the
// open data file.
struct TaffRecording {
    taff::Header header;
    taff::Layout layout;
    taff::InputFile data;
    std::vector<unsigned char> chunk;  // for conversions (LONG, SEQUENTIAL)
};

namespace {

constexpr size_t kMaxHeaderBytes = 1 << 20;   // real headers hold a few KiB
constexpr size_t kChunkBytes = 1 << 20;       // conversion reads go in pieces of this

// Reads `scans` scans from `first` of an INTERLACED INTEGER file straight
// into `buffer` with a single read.
bool ReadInterlaced16(TaffRecording* rec, int64_t first, int64_t scans, int16_t* buffer) {
    const size_t count = static_cast<size_t>(scans) * static_cast<size_t>(rec->layout.channels);
    if (!rec->data.Seek(taff::SampleOffset(rec->layout, 0, first))) return false;
    if (rec->data.Read(buffer, count * 2) != count * 2) return false;
    taff::FixInt16Order(buffer, count);
    return true;
}

// Reads `count` samples at `offset` in chunks and converts them into
// `dest`, every `destStride`-th element.
bool ReadConverted(TaffRecording* rec, int64_t offset, size_t count, int16_t* dest, size_t destStride) {
    const int sampleBytes = rec->layout.sampleBytes;
    if (!rec->data.Seek(offset)) return false;
    const size_t perChunk = kChunkBytes / static_cast<size_t>(sampleBytes);
    if (rec->chunk.size() < kChunkBytes) {
        try {
            rec->chunk.resize(kChunkBytes);
        } catch (...) {
            return false;
        }
    }
    while (count > 0) {
        const size_t n = std::min(count, perChunk);
        const size_t bytes = n * static_cast<size_t>(sampleBytes);
        if (rec->data.Read(rec->chunk.data(), bytes) != bytes) return false;
        taff::ConvertSamples(rec->chunk.data(), n, sampleBytes, dest, destStride);
        dest += n * destStride;
        count -= n;
    }
    return true;
}

bool ReadScans(TaffRecording* rec, int64_t first, int64_t scans, int16_t* buffer) {
    const taff::Layout& layout = rec->layout;
    const size_t channels = static_cast<size_t>(layout.channels);
    if (!layout.sequential && layout.sampleBytes == 2) return ReadInterlaced16(rec, first, scans, buffer);
    if (!layout.sequential) {
        return ReadConverted(rec, taff::SampleOffset(layout, 0, first), static_cast<size_t>(scans) * channels,
                             buffer, 1);
    }
    for (int c = 0; c < layout.channels; ++c) {
        if (!ReadConverted(rec, taff::SampleOffset(layout, c, first), static_cast<size_t>(scans), buffer + c,
                           channels)) {
            return false;
        }
    }
    return true;
}

int32_t StartValue(const taff::Header& h, int code) {
    switch (code) {
        case TAFF_VALUE_YEAR: return h.date.year;
        case TAFF_VALUE_MONTH: return h.date.month;
        case TAFF_VALUE_DAY: return h.date.day;
        case TAFF_VALUE_HOUR: return h.time.hour;
        case TAFF_VALUE_MINUTE: return h.time.minute;
        case TAFF_VALUE_SECOND: return h.time.second;
        default: return 0;
    }
}

// TaffOpen without the guard against exceptions (memory running out).
TaffHandle OpenRecording(const char* headerPath) {
    const std::string path = headerPath;
    std::string text;
    taff::Header header;
    if (!taff::ReadSmallFile(path, kMaxHeaderBytes, &text) || !taff::ParseHeader(text, &header)) {
        return nullptr;
    }
    const std::string dataPath = taff::FindDataFile(path);
    if (dataPath.empty()) return nullptr;
    TaffRecording* rec = new (std::nothrow) TaffRecording;
    if (rec == nullptr) return nullptr;
    rec->header = std::move(header);
    if (!rec->data.Open(dataPath) || !taff::DecideLayout(rec->header, rec->data.Size(), &rec->layout)) {
        delete rec;
        return nullptr;
    }
    return rec;
}

}  // namespace

void TaffStartup() {}

TaffHandle TaffOpen(const char* headerPath, int /*reserved*/) {
    if (headerPath == nullptr || headerPath[0] == '\0') return nullptr;
    try {
        return OpenRecording(headerPath);
    } catch (...) {
        return nullptr;  // no exception leaves the library
    }
}

TaffHandle TaffClose(TaffHandle handle) {
    delete handle;
    return nullptr;
}

int32_t TaffGetValue(TaffHandle handle, int code, int /*reserved*/) {
    if (handle == nullptr) return 0;
    switch (code) {
        case TAFF_VALUE_CHANNELS: return handle->layout.channels;
        case TAFF_VALUE_SKIP_WORD: return 0;
        case TAFF_VALUE_LENGTH: return handle->layout.scans;
        case TAFF_VALUE_RATE: return taff::RoundedRate(handle->header);
        default: return StartValue(handle->header, code);
    }
}

int TaffGetText(TaffHandle handle, int code, int channel, char* dest, int destSize) {
    if (dest == nullptr || destSize <= 0) return 0;
    dest[0] = '\0';
    if (handle == nullptr || code != TAFF_TEXT_CHANNEL_NAME) return 0;
    if (channel < 0 || channel >= handle->layout.channels) return 0;
    std::string name;
    try {
        name = taff::ChannelName(handle->header, channel);
    } catch (...) {
        return 0;
    }
    const size_t length = std::min(name.size(), static_cast<size_t>(destSize) - 1);
    std::memcpy(dest, name.data(), length);
    dest[length] = '\0';
    return 1;
}

int32_t TaffReadBlock(TaffHandle handle, int32_t firstSample, int32_t samples, int16_t* buffer) {
    if (handle == nullptr || buffer == nullptr || samples <= 0) return 0;
    const size_t channels = static_cast<size_t>(handle->layout.channels);
    const size_t total = static_cast<size_t>(samples) * channels;
    if (firstSample < 0) {
        std::fill(buffer, buffer + total, int16_t{0});
        return 0;
    }
    const int64_t available = std::max<int64_t>(0, int64_t{handle->layout.scans} - firstSample);
    const int64_t fromFile = std::min<int64_t>(available, samples);
    const size_t filled = static_cast<size_t>(fromFile) * channels;
    if (fromFile > 0 && !ReadScans(handle, firstSample, fromFile, buffer)) {
        std::fill(buffer, buffer + total, int16_t{0});
        return 0;
    }
    std::fill(buffer + filled, buffer + total, int16_t{0});
    return static_cast<int32_t>(fromFile);
}
