#!/usr/bin/env bash
# Runs a Windows executable under Wine the way the tests need it: a prefix of
# its own (WINEPREFIX, by default build/win/wineprefix),
# code page 932 through LANG=ja_JP.UTF-8, a persistent wineserver, and an X
# display (a private Xvfb when none is set).
set -u
exe=$1; shift

here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:=$(cd "$here/.." && pwd)/build/win/wineprefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:97
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && [ ! -e /tmp/.X97-lock ]; then
    (Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &)
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X97 ] && break; sleep 0.1; done
  fi
fi

mkdir -p "$WINEPREFIX"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
) 9>"$WINEPREFIX.lock"
wineserver -p >/dev/null 2>&1

exec wine "$exe" "$@"
