// The generator's deterministic building blocks, shared by the night's
// signals and the faults laid over them: hashed noise, value noise, a sine
// table built with exact double operations and exact phases. Integer
// arithmetic only, so every platform makes the same samples.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace taffgen {

inline uint32_t Mix(uint32_t h) {
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

inline uint32_t Hash(uint32_t seed, uint32_t key, uint64_t index) {
    uint32_t h = Mix(seed * 0x9E3779B9u ^ Mix(key + 0x68E31DA4u));
    h = Mix(h ^ static_cast<uint32_t>(index));
    return Mix(h ^ static_cast<uint32_t>(index >> 32) ^ 0x1B873593u);
}

// White noise in -32768..32767.
inline int32_t Noise(uint32_t seed, uint32_t key, uint64_t index) {
    return static_cast<int32_t>(Hash(seed, key, index) >> 16) - 32768;
}

// Value noise: Noise at knots `knot` scans apart, joined by smoothstep
// curves (flat at the knots, so no corners).
inline int32_t Smooth(uint32_t seed, uint32_t key, int64_t scan, int64_t knot) {
    const int64_t k = scan / knot;
    const int64_t f = (scan % knot) * 32768 / knot;          // 0..32767
    const int64_t w = f * f / 32768 * (3 * 32768 - 2 * f) / 32768;  // smoothstep, 0..32767
    const int64_t a = Noise(seed, key, static_cast<uint64_t>(k));
    const int64_t b = Noise(seed, key, static_cast<uint64_t>(k + 1));
    return static_cast<int32_t>(a + (b - a) * w / 32768);
}

inline std::array<int16_t, 4096> MakeSineTable() {
    // A quarter wave by its Taylor series: only +, *, / on doubles, which
    // round the same everywhere.
    const double kHalfPi = 1.57079632679489661923;
    std::array<int16_t, 1025> quarter{};
    for (int i = 0; i <= 1024; ++i) {
        const double x = kHalfPi * i / 1024.0;
        double term = x;
        double sum = x;
        for (int n = 1; n <= 12; ++n) {
            term *= -x * x / ((2.0 * n) * (2.0 * n + 1.0));
            sum += term;
        }
        const double scaled = 32767.0 * sum + 0.5;
        quarter[static_cast<size_t>(i)] = static_cast<int16_t>(scaled >= 32767.0 ? 32767 : static_cast<int>(scaled));
    }
    std::array<int16_t, 4096> table{};
    for (int i = 0; i < 4096; ++i) {
        int16_t v;
        if (i < 1024) v = quarter[static_cast<size_t>(i)];
        else if (i < 2048) v = quarter[static_cast<size_t>(2048 - i)];
        else if (i < 3072) v = static_cast<int16_t>(-quarter[static_cast<size_t>(i - 2048)]);
        else v = static_cast<int16_t>(-quarter[static_cast<size_t>(4096 - i)]);
        table[static_cast<size_t>(i)] = v;
    }
    return table;
}

// Sine of a 32-bit phase (2^32 = one cycle), -32767..32767.
inline int32_t Sin(uint32_t phase) {
    static const std::array<int16_t, 4096> table = MakeSineTable();
    return table[phase >> 20];
}

// Phase of a wave of `microHertz` at `scan`; exact at any scan.
inline uint32_t Phase(int64_t scan, int rate, uint64_t microHertz) {
    const uint64_t step = (microHertz << 32) / (static_cast<uint64_t>(rate) * 1000000u);
    return static_cast<uint32_t>(static_cast<uint64_t>(scan) * step);
}

// Scans in `milliseconds`, at least 1.
inline int64_t Span(int rate, int64_t milliseconds) {
    const int64_t n = static_cast<int64_t>(rate) * milliseconds / 1000;
    return n > 0 ? n : 1;
}

inline int64_t Scale(int64_t value, int64_t factor) { return value * factor / 32768; }

// A smooth bump of height `amp` and half-width `w` centred at `c` (0..65535 scale).
inline int64_t Bump(int64_t p, int64_t c, int64_t w, int64_t amp) {
    const int64_t d = p - c;
    if (d <= -w || d >= w) return 0;
    const int64_t q = (w * w - d * d) * 32768 / (w * w);  // 0..32768
    return amp * q / 32768 * q / 32768;
}

}  // namespace taffgen
