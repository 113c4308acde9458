#!/usr/bin/env bash
# The night check's report rendered by a real browser (headless Chromium):
# taff2psg --check-only writes it for a generated night; Chromium prints it
# to PDF, which must be one or more A4 pages, and takes a screenshot of it
# (left in the build folder as night-check-report.png to be looked at).
# Usage: check_report_render.sh TAFF2PSG TAFFGEN OUTDIR
set -eu
taff2psg=$1 taffgen=$2 outdir=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out" "$work/profile" "$outdir"
"$taffgen" --out "$work/in/NIGHT1.HDR" --seconds 1800 --seed 3 >/dev/null
"$taff2psg" --check-only --all-channels --check-fail-level never -q -o "$work/out" "$work/in/NIGHT1.HDR"
report="$work/out/NIGHT1.check.html"
test -s "$report"
# No outside resource: nothing fetched, nothing run.
if grep -Eiq '<script|<link|src=|url\(' "$report"; then
  echo "the report refers to something outside itself" >&2
  exit 1
fi
chrome() {
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$work/profile" "$@" \
    >/dev/null 2>&1
}
chrome --print-to-pdf="$work/report.pdf" --no-pdf-header-footer "file://$report"
test -s "$work/report.pdf"
# Every page A4: 595 x 842 points.
python3 - "$work/report.pdf" <<'PY'
import re, sys
data = open(sys.argv[1], 'rb').read()
boxes = re.findall(rb'/MediaBox\s*\[\s*0 0 ([\d.]+) ([\d.]+)\s*\]', data)
assert boxes, 'no page in the PDF'
for w, h in boxes:
    assert abs(float(w) - 595.92) < 2 and abs(float(h) - 842.88) < 2, (w, h)
print(len(boxes), 'A4 page(s)')
PY
chrome --screenshot="$outdir/night-check-report.png" --window-size=900,1100 "file://$report"
test -s "$outdir/night-check-report.png"
echo "screenshot: $outdir/night-check-report.png"
