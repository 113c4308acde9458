// Sample conversion; see taff_samples.h.
#include "taffread/taff_samples.h"

#include <algorithm>
#include <cstring>

#include "textkit/byte_order.h"

namespace taff {
namespace {

// Loads that the compiler turns into plain (vector) loads on a
// little-endian host.
inline int32_t LoadInt32(const unsigned char* p) {
    if (!kLittleEndianHost) return DecodeInt32(p);
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline int16_t LoadInt16(const unsigned char* p) {
    if (!kLittleEndianHost) return DecodeInt16(p);
    int16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// A sample of `Bytes` bytes (2: int16, 4: LONG) on the 16-bit scale.
template <int Bytes>
inline int16_t LoadSample(const unsigned char* p) {
    return Bytes == 4 ? LongTo16(LoadInt32(p)) : LoadInt16(p);
}

// Weaving scans and channel runs into each other is a transposition: the
// element in row r, column k of the source (at src + r x srcRowBytes +
// k x Bytes) goes to dest[k x destRow + r]. Rows are scans and columns
// channels when unweaving scans into runs, the other way round when weaving.
//
// Whole blocks of 8 x 8 go through registers: 8 rows are loaded (and
// converted) at once, transposed by shuffles (the compiler makes them from
// these fixed-size loops) and stored as 8 rows of the destination.
template <int Bytes>
void TransposeBlock8(const unsigned char* src, size_t srcRowBytes, int16_t* dest, size_t destRow) {
    int16_t rows[8][8];
    for (int r = 0; r < 8; ++r)
        for (int k = 0; k < 8; ++k) rows[r][k] = LoadSample<Bytes>(src + r * srcRowBytes + k * Bytes);
    int16_t columns[8][8];
    for (int k = 0; k < 8; ++k)
        for (int r = 0; r < 8; ++r) columns[k][r] = rows[r][k];
    for (int k = 0; k < 8; ++k) std::memcpy(dest + k * destRow, columns[k], sizeof columns[k]);
}

// Elements [r0, r1) x [k0, k1) one at a time (the edges beyond whole blocks).
template <int Bytes>
void TransposeEach(const unsigned char* src, size_t srcRowBytes, int16_t* dest, size_t destRow, size_t r0, size_t r1,
                   size_t k0, size_t k1) {
    for (size_t r = r0; r < r1; ++r)
        for (size_t k = k0; k < k1; ++k) dest[k * destRow + r] = LoadSample<Bytes>(src + r * srcRowBytes + k * Bytes);
}

// Transposes `rows` x `cols`. `rowsOuter`: walk the rows in the outer loop
// (the long side goes outside, so that both the reads and the writes of one
// step of it stay within a few cache lines per row or column).
template <int Bytes>
void Transpose(const unsigned char* src, size_t rows, size_t cols, size_t srcRowBytes, int16_t* dest, size_t destRow,
               bool rowsOuter) {
    const size_t fullRows = rows / 8 * 8, fullCols = cols / 8 * 8;
    if (rowsOuter) {
        for (size_t r = 0; r < fullRows; r += 8)
            for (size_t k = 0; k < fullCols; k += 8)
                TransposeBlock8<Bytes>(src + r * srcRowBytes + k * Bytes, srcRowBytes, dest + k * destRow + r, destRow);
    } else {
        for (size_t k = 0; k < fullCols; k += 8)
            for (size_t r = 0; r < fullRows; r += 8)
                TransposeBlock8<Bytes>(src + r * srcRowBytes + k * Bytes, srcRowBytes, dest + k * destRow + r, destRow);
    }
    TransposeEach<Bytes>(src, srcRowBytes, dest, destRow, 0, fullRows, fullCols, cols);
    TransposeEach<Bytes>(src, srcRowBytes, dest, destRow, fullRows, rows, 0, cols);
}

void TransposeSamples(const unsigned char* src, size_t rows, size_t cols, size_t srcRowBytes, int sampleBytes,
                      int16_t* dest, size_t destRow, bool rowsOuter) {
    if (sampleBytes == 4) Transpose<4>(src, rows, cols, srcRowBytes, dest, destRow, rowsOuter);
    else Transpose<2>(src, rows, cols, srcRowBytes, dest, destRow, rowsOuter);
}

}  // namespace

void ConvertSamples(const unsigned char* src, size_t count, int sampleBytes, int16_t* dest,
                    size_t destStride) {
    if (sampleBytes == 4 && destStride == 1) {
        for (size_t i = 0; i < count; ++i) dest[i] = LongTo16(LoadInt32(src + 4 * i));
    } else if (sampleBytes == 4) {
        for (size_t i = 0; i < count; ++i) dest[i * destStride] = LongTo16(LoadInt32(src + 4 * i));
    } else if (destStride == 1 && kLittleEndianHost) {
        std::memcpy(dest, src, count * sizeof(int16_t));
    } else {
        for (size_t i = 0; i < count; ++i) dest[i * destStride] = LoadInt16(src + 2 * i);
    }
}

void InterleaveRuns(const unsigned char* src, int channels, size_t runLength, size_t count, int sampleBytes,
                    int16_t* dest) {
    // Rows are the channels' runs, columns the scans.
    TransposeSamples(src, static_cast<size_t>(channels), count, runLength * static_cast<size_t>(sampleBytes),
                     sampleBytes, dest, static_cast<size_t>(channels), false);
}

void DeinterleaveScans(const unsigned char* src, int channels, size_t count, int sampleBytes, int16_t* dest,
                       size_t runLength) {
    // Rows are the scans, columns the channels.
    const size_t scanBytes = static_cast<size_t>(channels) * static_cast<size_t>(sampleBytes);
    TransposeSamples(src, count, static_cast<size_t>(channels), scanBytes, sampleBytes, dest, runLength, true);
}

void FixInt16Order(int16_t* samples, size_t count) {
    if (kLittleEndianHost) return;
    unsigned char* bytes = reinterpret_cast<unsigned char*>(samples);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char low = bytes[2 * i];
        bytes[2 * i] = bytes[2 * i + 1];
        bytes[2 * i + 1] = low;
    }
}

}  // namespace taff
