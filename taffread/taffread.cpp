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
    std::vector<unsigned char> chunk;  // reads that convert or rearrange samples go through this
};

namespace {

constexpr size_t kMaxHeaderBytes = 1 << 20;   // real headers hold a few KiB
constexpr size_t kChunkBytes = 1 << 20;       // conversion reads go in pieces of this

bool ReserveChunk(TaffRecording* rec) {
    if (rec->chunk.size() >= kChunkBytes) return true;
    try {
        rec->chunk.resize(kChunkBytes);
    } catch (...) {
        return false;
    }
    return true;
}

// Reads `count` consecutive samples at `offset` into `dest`: 16-bit samples
// straight into it with a single read, LONG samples through the chunk,
// converted a chunk at a time.
bool ReadRun(TaffRecording* rec, int64_t offset, size_t count, int16_t* dest) {
    if (!rec->data.Seek(offset)) return false;
    if (rec->layout.sampleBytes == 2) {
        if (rec->data.Read(dest, count * 2) != count * 2) return false;
        taff::FixInt16Order(dest, count);
        return true;
    }
    if (!ReserveChunk(rec)) return false;
    const size_t perChunk = kChunkBytes / 4;
    while (count > 0) {
        const size_t n = std::min(count, perChunk);
        if (rec->data.Read(rec->chunk.data(), n * 4) != n * 4) return false;
        taff::ConvertSamples(rec->chunk.data(), n, 4, dest, 1);
        dest += n;
        count -= n;
    }
    return true;
}

// Where a block's samples go: interleaved scans (sample i of channel c at
// i x channels + c) or one run per channel (at c x runLength + i).
struct BlockShape {
    bool byChannel;
    size_t runLength;
};

// Scans per piece when a block is read through the chunk: as many as the
// chunk holds (at least one; a scan is at most 1024 x 4 bytes).
size_t ScansPerPiece(const taff::Layout& layout) {
    const size_t scanBytes = static_cast<size_t>(layout.channels) * static_cast<size_t>(layout.sampleBytes);
    return std::max<size_t>(1, kChunkBytes / scanBytes);
}

// SEQUENTIAL: each channel's run of the block is one stretch of the file.
bool ReadSequential(TaffRecording* rec, int64_t first, int64_t scans, int16_t* buffer, BlockShape shape) {
    const taff::Layout& layout = rec->layout;
    const size_t channels = static_cast<size_t>(layout.channels);
    if (shape.byChannel) {
        for (int c = 0; c < layout.channels; ++c) {
            if (!ReadRun(rec, taff::SampleOffset(layout, c, first), static_cast<size_t>(scans),
                         buffer + static_cast<size_t>(c) * shape.runLength))
                return false;
        }
        return true;
    }
    // Interleaved: piece by piece, every channel's run of the piece into the
    // chunk, then woven into scans a cache-sized tile at a time.
    if (!ReserveChunk(rec)) return false;
    const size_t perPiece = ScansPerPiece(layout);
    const size_t sampleBytes = static_cast<size_t>(layout.sampleBytes);
    for (int64_t done = 0; done < scans;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(scans - done, static_cast<int64_t>(perPiece)));
        for (size_t c = 0; c < channels; ++c) {
            if (!rec->data.Seek(taff::SampleOffset(layout, static_cast<int>(c), first + done))) return false;
            if (rec->data.Read(rec->chunk.data() + c * n * sampleBytes, n * sampleBytes) != n * sampleBytes)
                return false;
        }
        taff::InterleaveRuns(rec->chunk.data(), layout.channels, n, n, layout.sampleBytes,
                             buffer + static_cast<size_t>(done) * channels);
        done += static_cast<int64_t>(n);
    }
    return true;
}

// INTERLACED: the block is one stretch of the file.
bool ReadInterlaced(TaffRecording* rec, int64_t first, int64_t scans, int16_t* buffer, BlockShape shape) {
    const taff::Layout& layout = rec->layout;
    const size_t channels = static_cast<size_t>(layout.channels);
    if (!shape.byChannel)
        return ReadRun(rec, taff::SampleOffset(layout, 0, first), static_cast<size_t>(scans) * channels, buffer);
    // One run per channel: piece by piece through the chunk, unwoven a
    // cache-sized tile of scans at a time.
    if (!ReserveChunk(rec) || !rec->data.Seek(taff::SampleOffset(layout, 0, first))) return false;
    const size_t perPiece = ScansPerPiece(layout);
    const size_t scanBytes = channels * static_cast<size_t>(layout.sampleBytes);
    for (int64_t done = 0; done < scans;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(scans - done, static_cast<int64_t>(perPiece)));
        if (rec->data.Read(rec->chunk.data(), n * scanBytes) != n * scanBytes) return false;
        taff::DeinterleaveScans(rec->chunk.data(), layout.channels, n, layout.sampleBytes,
                                buffer + static_cast<size_t>(done), shape.runLength);
        done += static_cast<int64_t>(n);
    }
    return true;
}

// Zeros the samples of scans [from, samples) of every channel.
void ZeroFrom(int16_t* buffer, size_t channels, size_t samples, size_t from, BlockShape shape) {
    if (!shape.byChannel) {
        std::fill(buffer + from * channels, buffer + samples * channels, int16_t{0});
        return;
    }
    for (size_t c = 0; c < channels; ++c)
        std::fill(buffer + c * shape.runLength + from, buffer + c * shape.runLength + samples, int16_t{0});
}

// TaffReadBlock and TaffReadChannelBlock: the checks, the zero fill and the result.
int32_t ReadBlock(TaffHandle handle, int32_t firstSample, int32_t samples, int16_t* buffer, bool byChannel) {
    if (handle == nullptr || buffer == nullptr || samples <= 0) return 0;
    const size_t channels = static_cast<size_t>(handle->layout.channels);
    const BlockShape shape = {byChannel, static_cast<size_t>(samples)};
    const size_t all = static_cast<size_t>(samples);
    if (firstSample < 0) {
        ZeroFrom(buffer, channels, all, 0, shape);
        return 0;
    }
    const int64_t available = std::max<int64_t>(0, int64_t{handle->layout.scans} - firstSample);
    const int64_t fromFile = std::min<int64_t>(available, samples);
    if (fromFile > 0) {
        const bool read = handle->layout.sequential ? ReadSequential(handle, firstSample, fromFile, buffer, shape)
                                                    : ReadInterlaced(handle, firstSample, fromFile, buffer, shape);
        if (!read) {
            ZeroFrom(buffer, channels, all, 0, shape);
            return 0;
        }
    }
    ZeroFrom(buffer, channels, all, static_cast<size_t>(fromFile), shape);
    return static_cast<int32_t>(fromFile);
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
        case TAFF_VALUE_DECLARED_LENGTH: return handle->layout.declaredScans;
        case TAFF_VALUE_SAMPLE_BITS: return handle->layout.sampleBytes == 4 ? 24 : 16;
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
    return ReadBlock(handle, firstSample, samples, buffer, false);
}

int32_t TaffReadChannelBlock(TaffHandle handle, int32_t firstSample, int32_t samples, int16_t* buffer) {
    return ReadBlock(handle, firstSample, samples, buffer, true);
}
