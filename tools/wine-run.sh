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
  (
    flock 8
    if ! xdpyinfo >/dev/null 2>&1; then
      rm -f /tmp/.X97-lock /tmp/.X11-unix/X97
      setsid Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null 8>&- &
      for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    fi
  ) 8>/tmp/.wine-run-display.lock
fi

mkdir -p "$WINEPREFIX"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot -i >/dev/null 2>&1 </dev/null 9>&-
    # Windows live inside a Wine virtual desktop: without a window manager
    # on the display, closing a real top-level X window waits seconds for a
    # window manager that never answers.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null 9>&-
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1 </dev/null 9>&-
    wineserver -w 9>&-
  fi
) 9>"$WINEPREFIX.lock"
# A persistent wineserver keeps every later start fast. Its background
# services are started here with their output discarded: started by the
# program under test they would inherit its output pipes and keep the test
# runner waiting after the program has ended.
wineserver -p >/dev/null 2>&1 </dev/null
wine wineboot >/dev/null 2>&1 </dev/null

exec wine "$exe" "$@"
