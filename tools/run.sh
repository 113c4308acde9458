#!/usr/bin/env bash
# Installs what is missing, builds the converter, makes a sample recording
# (build/sample/NIGHT001.HDR, 30 minutes of a synthetic sleep-lab night) and
# starts the converter under Wine: on the current display, or on a virtual
# display (Xvfb :97) when there is none.
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

# Settings are kept beside the program; the first start offers the sample.
cond="$root/build/win/app/COND"
mkdir -p "$cond"
if [ ! -f "$cond/MORLEX.INI" ]; then
  winpath="Z:$(echo "$sample" | tr '/' '\\')"
  printf '[SYSTEM]\r\nOrgFile=%s\r\n' "$winpath" > "$cond/MORLEX.INI"
fi

echo "Starting the converter (sample recording: $sample)"
if [ -z "${DISPLAY:-}" ]; then
  echo "No display set: running on the virtual display :97 (see it with: DISPLAY=:97 import -window root shot.png)"
fi
exec tools/wine-run.sh build/win/app/MORLEXCV.exe
