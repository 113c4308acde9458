#!/usr/bin/env bash
# Installs what building, running and testing the converter needs on a
# Debian machine, and the ja_JP.UTF-8 locale that gives Wine code page 932.
# Does nothing that is already done.
set -eu
pkgs="g++ g++-mingw-w64-x86-64 cmake ninja-build python3 wine wine64 xvfb xauth
x11-utils locales fonts-ipafont-gothic googletest python3-mne libedf-dev
imagemagick xdotool clang libclang-rt-14-dev fonts-wine libcli11-dev
nsis dpkg-dev unzip"
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  # shellcheck disable=SC2086
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  $SUDO locale-gen >/dev/null
fi
