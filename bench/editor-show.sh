#!/usr/bin/env bash
# How soon the picture editor is on the screen after a snapshot: `tessaray --snapshot --region
# 0,0,1920,1080 --edit` from its start to the editor's window mapped with the picture (an upper
# bound of the time from the grab, which comes after the program's and the toolkit's start),
# beside `tessaray --snapshot` of the same region to the written file (start, grab, PNG write).
# Run under a private X server:
#   xvfb-run -a -s "-screen 0 1920x1080x24" bench/editor-show.sh [path/to/tessaray] [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/tessaray}
runs=${2:-10}
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under xvfb-run" >&2; exit 2; }
work=$(mktemp -d /tmp/tess-bench-editor.XXXXXX)
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state NO_AT_BRIDGE=1
trap 'rm -rf "$work"' EXIT
now() { date +%s%N; }
edit_total=0 snap_total=0
for i in $(seq "$runs"); do
    t0=$(now)
    "$program" --snapshot --region 0,0,1920,1080 --edit --output "$work/e$i.png" >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; do sleep 0.005; done
    t1=$(now)
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    edit_total=$((edit_total + (t1 - t0) / 1000000))
    t0=$(now)
    "$program" --snapshot --region 0,0,1920,1080 --output "$work/s$i.png" >/dev/null 2>&1
    t1=$(now)
    snap_total=$((snap_total + (t1 - t0) / 1000000))
done
echo "start to editor shown (1920 x 1080): $((edit_total / runs)) ms"
echo "start to snapshot written (1920 x 1080 PNG): $((snap_total / runs)) ms"
