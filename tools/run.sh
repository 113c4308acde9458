#!/usr/bin/env bash
# Installs what is missing, builds the converter, makes a sample recording
# (build/sample/NIGHT001.HDR, 30 minutes of a synthetic sleep-lab night) and
# starts the converter under Wine on the current display. Without a display
# it runs the end-to-end demonstration instead on a virtual display (the
# first free number from :97 up): the converter driven through its pages and
# dialogs, leaving the PSG file and a screenshot of each page in
# build/demo/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/deps.sh

jobs=$(nproc)
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
cmake --build build/win -j "$jobs" --target MORLEXCV
cmake -S . -B build/tools -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/tools -j "$jobs" --target taffgen

sample="$root/build/sample/NIGHT001.HDR"
if [ ! -f "$sample" ]; then
  mkdir -p "$(dirname "$sample")"
  build/tools/tools/taffgen/taffgen --channels 14 --rate 200 --duration 0:30:00 \
      --start "2024-03-14 22:15:04" --out "$sample"
fi

# Settings are kept beside the program; the first start offers the sample
# with the sample montage (labels, units, signal types, ranges, position levels):
# tools/sample/MORLEX.INI is the sample night's own, as taffgen --settings-out
# writes it (a test holds the two together).
cond="$root/build/win/app/COND"
mkdir -p "$cond"
if [ ! -f "$cond/MORLEX.INI" ]; then
  winpath="Z:$(echo "$sample" | tr '/' '\\')"
  { printf '[SYSTEM]\r\nOrgFile=%s\r\n' "$winpath"; sed -n '/^MaxCh/,$p' tools/sample/MORLEX.INI; } > "$cond/MORLEX.INI"
fi

if [ -z "${DISPLAY:-}" ]; then
  cmake --build build/win -j "$jobs" --target e2e_driver
  demo="$root/build/demo"
  rm -rf "$demo" && mkdir -p "$demo"
  echo "No display: running the demonstration on a virtual display; results in $demo"
  E2E_WORK="Z:$demo" tools/wine-run.sh build/win/tests/e2e/e2e_driver.exe \
      --gtest_filter='*ConvertsTheSample*' || { echo "The demonstration failed"; exit 1; }
  for shot in "$demo"/shots/*.bmp; do convert "$shot" "${shot%.bmp}.png" && rm "$shot"; done
  echo "PSG file: $demo/out/NIGHT001.DAT"
  echo "Screenshots: $demo/shots/"
  exit 0
fi
echo "Starting the converter (sample recording: $sample)"
exec tools/wine-run.sh build/win/app/MORLEXCV.exe
