#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test:
#  - build/native: the portable reader, writer and conversion core, natively,
#    under AddressSanitizer and UndefinedBehaviorSanitizer, with the
#    third-party EDF readers checking the files written;
#  - build/win: the Windows program and its tests, run under Wine on
#    virtual displays, two tests at a time in prefixes of their own;
#  - build/fuzz: the fuzz targets (clang, libFuzzer), each run for a few
#    seconds over its seed corpus (tools/fuzz.sh runs them for longer).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/deps.sh

jobs=$(nproc)
# A compiler cache, where there is one, keeps a second run from compiling
# again what did not change.
launch=()
if command -v ccache >/dev/null; then
  launch=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON "${launch[@]}" >/dev/null
cmake --build build/native -j "$jobs"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" "${launch[@]}" >/dev/null
cmake --build build/win -j "$jobs"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON "${launch[@]}" >/dev/null
cmake --build build/fuzz -j "$jobs"

status=0
# Whatever way the run ends, no wineserver or virtual display of its Wine
# prefixes (one at 96 dpi, one at 144) is left running.
trap 'bash "$root/tools/wine-stop.sh"' EXIT
(cd build/native && ctest --output-on-failure --timeout 600 -j "$jobs") || status=1
# The Wine tests two at a time, never two in one prefix (tests/CMakeLists.txt).
(cd build/win && ctest --output-on-failure --timeout 600 -j 2) || status=1
(cd build/fuzz && ctest --output-on-failure -j "$jobs") || status=1
exit $status
