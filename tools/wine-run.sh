#!/usr/bin/env bash
# Runs a Windows executable under Wine the way the tests need it: a prefix of
# its own (WINEPREFIX, by default build/win/wineprefix),
# code page 932 through LANG=ja_JP.UTF-8, a persistent wineserver, and an X
# display: $DISPLAY when set, otherwise a private Xvfb on the first free
# display number from :97 up (kept for later runs in $WINEPREFIX.display).
# WINE_LOGPIXELS (for example 144 for 150 % scaling) sets the prefix's screen
# dpi before the program starts; use a prefix of its own for it.
set -u
exe=$1; shift

here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:=$(cd "$here/.." && pwd)/build/win/wineprefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

mkdir -p "$WINEPREFIX"
if [ -z "${DISPLAY:-}" ]; then
  (
    flock 8
    n=$(cat "$WINEPREFIX.display" 2>/dev/null || echo "")
    if [ -z "$n" ] || ! DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
      n=97
      while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
      setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null 8>&- &
      for _ in $(seq 100); do DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
      echo "$n" > "$WINEPREFIX.display"
    fi
  ) 8>"$WINEPREFIX.display.lock"
  DISPLAY=":$(cat "$WINEPREFIX.display")"
  export DISPLAY
fi

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
  if [ -n "${WINE_LOGPIXELS:-}" ] && [ "$(cat "$WINEPREFIX.logpixels" 2>/dev/null)" != "$WINE_LOGPIXELS" ]; then
    for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
      wine reg add "$key" /v LogPixels /t REG_DWORD /d "$WINE_LOGPIXELS" /f >/dev/null 2>&1 </dev/null 9>&-
    done
    echo "$WINE_LOGPIXELS" > "$WINEPREFIX.logpixels"
  fi
  # The caption buttons are drawn with the symbol font Marlett (fonts-wine).
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
) 9>"$WINEPREFIX.lock"
# A persistent wineserver keeps every later start fast. Its background
# services are started here with their output discarded: started by the
# program under test they would inherit its output pipes and keep the test
# runner waiting after the program has ended.
wineserver -p >/dev/null 2>&1 </dev/null
wine wineboot >/dev/null 2>&1 </dev/null

exec wine "$exe" "$@"
