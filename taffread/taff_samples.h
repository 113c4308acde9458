// Conversion of the data file's little-endian samples to the 16-bit samples
// the program sees: straight runs (interlaced files, converted where they
// lie) and the interleaving of per-channel runs (sequential files).
#pragma once

#include <cstddef>
#include <cstdint>

namespace taff {

// A LONG sample (24-bit value in an int32) on the 16-bit scale: divided by
// 256 rounding half up, (v + 128) >> 8 with an arithmetic shift, then
// clamped to the int16 range. Any int32 is accepted: the half is taken from
// bit 7 instead of being added, so nothing overflows, and there are no
// branches, so loops over it vectorise.
inline int16_t LongTo16(int32_t v) {
    const int32_t r = (v >> 8) + ((v >> 7) & 1);
    return static_cast<int16_t>(r < INT16_MIN ? INT16_MIN : (r > INT16_MAX ? INT16_MAX : r));
}

inline int16_t DecodeInt16(const unsigned char* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

inline int32_t DecodeInt32(const unsigned char* p) {
    const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                       (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return static_cast<int32_t>(u);
}

// Converts `count` samples of `sampleBytes` (2 or 4) bytes from `src` into
// `dest`, writing every `destStride`-th element.
void ConvertSamples(const unsigned char* src, size_t count, int sampleBytes, int16_t* dest,
                    size_t destStride);

// Interleaves per-channel runs into scans: `src` holds `channels` runs of
// `runLength` samples of `sampleBytes` bytes each, one after the other;
// sample i of run c goes to dest[i x channels + c] for i < `count`.
void InterleaveRuns(const unsigned char* src, int channels, size_t runLength, size_t count, int sampleBytes,
                    int16_t* dest);

// The reverse: `src` holds `count` scans of `channels` samples of
// `sampleBytes` bytes; sample i of channel c goes to dest[c x runLength + i].
void DeinterleaveScans(const unsigned char* src, int channels, size_t count, int sampleBytes, int16_t* dest,
                       size_t runLength);

// Turns `count` little-endian int16 samples read straight into `samples`
// into host order (nothing to do on a little-endian host).
void FixInt16Order(int16_t* samples, size_t count);

}  // namespace taff
