#!/usr/bin/env bash
# Runs every fuzz target (tests/fuzz) for as long as asked, one after the
# other, each growing its own corpus in build/fuzz/corpus_<target>.
#   tools/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     (default 600, all targets)
# Crashes are written beside the corpus as crash-*: keep them as seeds in
# tests/fuzz/corpus/<target> once the fault is mended.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/deps.sh
seconds=${1:-600}
shift || true
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON >/dev/null
cmake --build build/fuzz -j "$(nproc)"
# Every target the build makes (its list is written by tests/fuzz/CMakeLists.txt).
list=build/fuzz/tests/fuzz/fuzz_targets.txt
[ -s "$list" ] || { echo "fuzz.sh: $list is missing: the fuzz build did not configure" >&2; exit 1; }
targets=${*:-$(tr '\n' ' ' < "$list")}
for t in $targets; do
  work="build/fuzz/tests/fuzz/corpus_$t"
  mkdir -p "$work"
  echo "== $t for $seconds s"
  (cd "$work/.." && "./$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      "corpus_$t" "$root/tests/fuzz/corpus/$t" 2>&1 | grep -E "^stat::|ERROR|SUMMARY|crash-" || true)
done
