#!/usr/bin/env bash
# The Debian package of taff2psg, made from a Release build of its own (the
# test build is instrumented) and used as a server would: its declared
# dependencies and files, then the extracted taff2psg's version and a
# conversion read back with MNE.
# Usage: debian_package.sh SOURCE-DIR WORK-DIR VERSION MNE_CHECK.PY
set -u
src=$1 work=$2 version=$3 mne=$4
build="$work/build"
mkdir -p "$work"
fail() { echo "$*"; exit 1; }
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || fail "configure failed"
cmake --build "$build" --target taff2psg taffgen >/dev/null || fail "build failed"
(cd "$build" && cpack -G DEB >/dev/null) || fail "cpack failed"
deb="$build/packages/taff2psg_${version}_amd64.deb"
[ -s "$deb" ] || fail "missing: $deb"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

info=$(dpkg-deb -I "$deb") || fail "dpkg-deb -I failed"
echo "$info" | grep -E '^ (Package|Version|Depends):'
echo "$info" | grep -q "^ Package: taff2psg$" || fail "wrong package name"
echo "$info" | grep -q "^ Version: $version$" || fail "wrong version"
depends=$(echo "$info" | sed -n 's/^ Depends: //p')
# libssl3: the system's crypto library makes the manifest's SHA-256.
for lib in libc6 libstdc++6 libgcc-s1 libssl3; do
  echo "$depends" | grep -q "\\b$lib (>=" || fail "$lib is not a declared dependency: $depends"
done
files=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | LC_ALL=C sort | tr '\n' ' ')
[ "$files" = "./usr/bin/taff2psg ./usr/share/man/man1/taff2psg.1.gz " ] || fail "the package holds: $files"

root="$work/root"
rm -rf "$root" && dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
zcat "$root/usr/share/man/man1/taff2psg.1.gz" | grep -q '^\.TH TAFF2PSG 1' || fail "no manual page"
got=$("$root/usr/bin/taff2psg" --version) || fail "--version failed"
[ "$got" = "taff2psg $version (TAFF To PSG File Converter)" ] || fail "--version says: $got"
echo "$got"

rm -rf "$work/in" "$work/out" && mkdir -p "$work/in" "$work/out"
"$build/tools/taffgen/taffgen" --out "$work/in/N1.HDR" --seconds 95 --channels 6 >/dev/null || fail "taffgen failed"
"$root/usr/bin/taff2psg" "$work/in" --out "$work/out" --manifest "$work/m.jsonl" --quiet || fail "the packaged taff2psg failed"
want=$(sha256sum < "$work/out/N1.DAT" | cut -c1-64)
grep -q "\"output_sha256\":\"$want\"" "$work/m.jsonl" || fail "the manifest's hash is not sha256sum's $want"
ln -sf "$work/out/N1.DAT" "$work/n1.edf"
"${MNE_PYTHON:-python3}" "$mne" "$work/n1.edf" --channels 6 --seconds 95 || fail "MNE does not read the output"
echo "the Debian package converts"
