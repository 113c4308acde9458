#!/usr/bin/env bash
# Ends what tools/wine-run.sh left running for the Wine prefixes given (by
# default every build/win/wineprefix*): the prefix's wineserver and the
# private Xvfb it started (its display number kept in $WINEPREFIX.display,
# its process id in that display's lock file). A display the script did not
# start (one given in $DISPLAY) is never recorded there and so never ended.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
prefixes=("$@")
if [ ${#prefixes[@]} -eq 0 ]; then
  for p in "$root"/build/win/wineprefix*; do
    [ -d "$p" ] && prefixes+=("$p")
  done
fi
for prefix in "${prefixes[@]}"; do
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  n=$(cat "$prefix.display" 2>/dev/null || echo "")
  [ -n "$n" ] || continue
  pid=$(tr -dc '0-9' < "/tmp/.X$n-lock" 2>/dev/null || echo "")
  if [ -n "$pid" ] && [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = "Xvfb" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$prefix.display"
done
exit 0
