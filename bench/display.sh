#!/usr/bin/env bash
# Time to the first frame on screen for a 60-s 1920 x 1080 recording made by the program and
# for a 1920 x 1080 PNG, and memory while playing. Run under a private X server:
#   xvfb-run -a -s "-screen 0 1920x1080x24" bench/display.sh [build dir] [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
seconds=${2:-60}
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under xvfb-run" >&2; exit 2; }
work=$(mktemp -d /tmp/tess-bench-display.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Something on the screen while it is recorded.
display -geometry +0+0 logo: & viewer=$!
sleep 1
"$build/tessaray" --record --seconds "$seconds" --output "$work/rec.wmv" >/dev/null
kill "$viewer"
"$build/bench/bench_display" "$work/rec.wmv"
