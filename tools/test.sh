#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test:
#  - build/native: the portable reader, writer and conversion core, natively,
#    under AddressSanitizer and UndefinedBehaviorSanitizer, with the
#    third-party EDF readers checking the files written;
#  - build/win: the Windows program and its tests, run under Wine on a
#    virtual display;
#  - build/fuzz: the fuzz targets (clang, libFuzzer), each run for a few
#    seconds over its seed corpus (tools/fuzz.sh runs them for longer).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/deps.sh

jobs=$(nproc)
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON >/dev/null
cmake --build build/native -j "$jobs"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
cmake --build build/win -j "$jobs"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON >/dev/null
cmake --build build/fuzz -j "$jobs"

status=0
# Whatever way the run ends, no wineserver or virtual display of its Wine
# prefixes (one at 96 dpi, one at 144) is left running.
trap 'bash "$root/tools/wine-stop.sh"' EXIT
(cd build/native && ctest --output-on-failure --timeout 600 -j "$jobs") || status=1
(cd build/win && ctest --output-on-failure --timeout 600) || status=1
(cd build/fuzz && ctest --output-on-failure -j "$jobs") || status=1
exit $status
