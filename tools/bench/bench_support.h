// What the benchmarks share: the clock, the median of rounds, and the plain
// copy of a file every speed figure is set against. Header only: each
// benchmark is a program of its own.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// Seconds since `start`.
inline double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median of `v`; 0 when it is empty.
inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Copies `from` to `to` with unbuffered reads and writes of 1 MiB; seconds,
// or -1 when the copy failed.
inline double Copy(const std::string& from, const std::string& to) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<char> piece(1 << 20);
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(to.c_str(), "wb");
    bool ok = in && out;
    if (in) std::setvbuf(in, nullptr, _IONBF, 0);
    if (out) std::setvbuf(out, nullptr, _IONBF, 0);
    size_t n = 0;
    while (ok && (n = std::fread(piece.data(), 1, piece.size(), in)) > 0)
        ok = std::fwrite(piece.data(), 1, n, out) == n;
    if (in) std::fclose(in);
    if (out) ok = std::fclose(out) == 0 && ok;
    return ok ? Since(start) : -1;
}

}  // namespace bench
