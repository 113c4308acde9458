#!/usr/bin/env bash
# The night check's report rendered by a real browser (headless Chromium):
# taff2psg --check-only writes it for a generated night with a flat lead
# (with the settings its montage needs), in
# Japanese and (--report-lang en) in English; Chromium reads back each
# one's heading and the flat lead's finding line, prints the Japanese one
# to PDF, which must be one or more A4 pages, and takes a screenshot of it
# (left in the build folder as night-check-report.png to be looked at).
# Usage: check_report_render.sh TAFF2PSG TAFFGEN OUTDIR
set -eu
taff2psg=$1 taffgen=$2 outdir=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out" "$work/en" "$work/profile" "$outdir"
"$taffgen" --out "$work/in/NIGHT1.HDR" --seconds 1800 --seed 3 --fault flat:C3-A2:600:300 \
  --settings-out "$work/in/MORLEX.INI" >/dev/null
"$taff2psg" --check-only --settings "$work/in/MORLEX.INI" --check-fail-level never -q -o "$work/out" "$work/in/NIGHT1.HDR"
"$taff2psg" --check-only --settings "$work/in/MORLEX.INI" --check-fail-level never -q --report-lang en -o "$work/en" "$work/in/NIGHT1.HDR"
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
# The heading and a finding line as the browser reads them back, in
# Japanese (the default) and in English (--report-lang en).
dom() {
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$work/profile" --dump-dom "$1" \
    2>/dev/null
}
dom "file://$report" > "$work/ja.dom"
dom "file://$work/en/NIGHT1.check.html" > "$work/en.dom"
for expected in "ja.dom:<h1>記録チェック</h1>" "ja.dom:<b style=\"color:#d64545\">不良</b> 平坦 22:25:04-22:30:04 " \
                "en.dom:<h1>Night check</h1>" "en.dom:<b style=\"color:#d64545\">fail</b> flat 22:25:04-22:30:04 "; do
  if ! grep -qF "${expected#*:}" "$work/${expected%%:*}"; then
    echo "the rendered report (${expected%%:*}) lacks: ${expected#*:}" >&2
    exit 1
  fi
done
chrome --print-to-pdf="$work/report.pdf" --no-pdf-header-footer "file://$report"
test -s "$work/report.pdf"
python3 "$(dirname "$0")/a4_pages.py" "$work/report.pdf" portrait
chrome --screenshot="$outdir/night-check-report.png" --window-size=900,1100 "file://$report"
test -s "$outdir/night-check-report.png"
echo "screenshot: $outdir/night-check-report.png"
