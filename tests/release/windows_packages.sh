#!/usr/bin/env bash
# Makes the Windows release (the package target: installer and portable
# ZIP) and checks that both exist and that the ZIP holds the release's files:
# the program, taff2psg.exe, the help, the sample with its settings, and
# COND with the sample settings. Usage: windows_packages.sh BUILD-DIR NAME
set -u
build=$1 name=$2
cmake --build "$build" --target package >/dev/null || { echo "the package target failed"; exit 1; }
installer="$build/packages/$name.exe" zip="$build/packages/$name.zip"
for f in "$installer" "$zip"; do
  [ -s "$f" ] || { echo "missing: $f"; exit 1; }
  echo "$(basename "$f"): $(stat -c %s "$f") bytes"
done
head -c 2 "$installer" | grep -q MZ || { echo "the installer is not a Windows program"; exit 1; }
expected="COND/MORLEX.INI
HELP/index-en.html
HELP/index.html
MORLEXCV.exe
SAMPLE/MORLEX.INI
SAMPLE/NIGHT001.DAT
SAMPLE/NIGHT001.HDR
taff2psg.exe"
listed=$(unzip -Z1 "$zip" | grep -v '/$' | sed "s|^$name/||" | LC_ALL=C sort)
if [ "$listed" != "$expected" ]; then
  echo "the ZIP holds:"; echo "$listed"; echo "expected:"; echo "$expected"; exit 1
fi
# The sample settings name the sample's montage.
unzip -p "$zip" "$name/COND/MORLEX.INI" | grep -q '^PATTERN=Sample night' || { echo "COND/MORLEX.INI is not the sample settings"; exit 1; }
echo "installer and ZIP made"
