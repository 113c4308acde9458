// Sample conversion; see taff_samples.h.
#include "taffread/taff_samples.h"

#include <cstring>

namespace taff {
namespace {

bool HostIsLittleEndian() {
    const uint16_t one = 1;
    unsigned char first = 0;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

}  // namespace

void ConvertSamples(const unsigned char* src, size_t count, int sampleBytes, int16_t* dest,
                    size_t destStride) {
    if (sampleBytes == 4) {
        for (size_t i = 0; i < count; ++i) dest[i * destStride] = LongTo16(DecodeInt32(src + 4 * i));
    } else {
        for (size_t i = 0; i < count; ++i) dest[i * destStride] = DecodeInt16(src + 2 * i);
    }
}

void FixInt16Order(int16_t* samples, size_t count) {
    static const bool little = HostIsLittleEndian();
    if (little) return;
    unsigned char* bytes = reinterpret_cast<unsigned char*>(samples);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char low = bytes[2 * i];
        bytes[2 * i] = bytes[2 * i + 1];
        bytes[2 * i + 1] = low;
    }
}

}  // namespace taff
