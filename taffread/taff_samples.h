// Conversion of the data file's little-endian samples to the 16-bit samples
// the program sees.
#pragma once

#include <cstddef>
#include <cstdint>

namespace taff {

// A LONG sample (24-bit value in an int32) on the 16-bit scale: divided by
// 256 rounding half up, (v + 128) >> 8 with an arithmetic shift, then
// clamped to the int16 range. Any int32 is accepted.
inline int16_t LongTo16(int32_t v) {
    const int64_t x = static_cast<int64_t>(v) + 128;
    const int64_t shifted = x / 256 - (x % 256 < 0 ? 1 : 0);  // floor, as the shift does
    if (shifted > INT16_MAX) return INT16_MAX;
    if (shifted < INT16_MIN) return INT16_MIN;
    return static_cast<int16_t>(shifted);
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

// Turns `count` little-endian int16 samples read straight into `samples`
// into host order (nothing to do on a little-endian host).
void FixInt16Order(int16_t* samples, size_t count);

}  // namespace taff
