#!/usr/bin/env bash
# Installs what building, running and testing the converter needs on a
# Debian machine, the ja_JP.UTF-8 locale that gives Wine code page 932 and
# the de_DE.UTF-8 locale (a comma as decimal mark) the tests write PSG files
# under to show that no locale changes a file. Does nothing that is already
# done.
set -eu
pkgs="g++ g++-mingw-w64-x86-64 cmake ninja-build python3 wine wine64 xvfb xauth
x11-utils locales fonts-ipafont-gothic googletest python3-mne libedf-dev
imagemagick xdotool clang libclang-rt-14-dev fonts-wine libcli11-dev
nsis dpkg-dev unzip parallel munge slurm-wlm chromium libssl-dev"
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
wanted=""
for l in ja_JP de_DE; do
  locale -a 2>/dev/null | grep -qi "^$l.utf8$" || wanted="$wanted $l"
done
if [ -n "$wanted" ]; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  for l in $wanted; do
    $SUDO sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi
