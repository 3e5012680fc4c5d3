#!/usr/bin/env bash
# Whole-process time of `tessaray --text --region ...` from start to printed text, over a
# terminal (xterm) showing a few lines of known text. Run under a private X server:
#   xvfb-run -a -s "-screen 0 1920x1080x24" bench/ocr.sh [path/to/tessaray] [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/tessaray}
runs=${2:-10}
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under xvfb-run" >&2; exit 2; }

work=$(mktemp -d /tmp/tess-bench-ocr.XXXXXX)
terminal=""
cleanup() {
    if [ -n "$terminal" ]; then kill "$terminal" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

printf '%s\n' "make: *** [Makefile:42: all] Error 1" "cp: cannot open 'notes.txt' for reading" \
    "Permission denied (error 13)" > "$work/text.txt"
printf "printf '\\\\033[?25l'; cat '%s'; exec sleep 600\n" "$work/text.txt" > "$work/show.sh"
xterm -T tess-bench-ocr -geometry 60x4+0+0 -bg white -fg black -fa 'DejaVu Sans Mono' -fs 11 \
    -e sh "$work/show.sh" &
terminal=$!
for _ in $(seq 50); do xwininfo -name tess-bench-ocr 2>/dev/null | grep -q IsViewable && break
    sleep 0.1; done
sleep 0.5
geometry=$(xwininfo -name tess-bench-ocr | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "," h}')
region="0,0,$geometry"

"$program" --text --region "$region" > "$work/out.txt"
echo "read: $(tr '\n' '|' < "$work/out.txt")"
TIMEFORMAT='%R %U %S'
t=$( { time (for _ in $(seq "$runs"); do "$program" --text --region "$region" > /dev/null; done); } 2>&1 )
awk -v t="$t" -v n="$runs" -v r="$region" 'BEGIN { split(t, a, " ");
    printf "tessaray --text --region %s: %.0f ms wall, %.0f ms CPU a run (%d runs)\n", r,
           1000 * a[1] / n, 1000 * (a[2] + a[3]) / n, n }'
