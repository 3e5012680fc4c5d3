#!/usr/bin/env bash
# Whole-process time and file size of a 1920 x 1080 PNG snapshot: `tessaray --snapshot`
# beside scrot and maim, on the same screen content. Run under a private X server:
#   xvfb-run -a -s "-screen 0 1920x1080x24" bench/snapshot.sh [path/to/tessaray] [runs]
# The screen shows ImageMagick's built-in logo picture stretched over the root window
# (flat areas, text and edges, like a desktop), held by a small X client for the run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/tessaray}
runs=${2:-10}
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under xvfb-run" >&2; exit 2; }

work=$(mktemp -d /tmp/tess-bench-snapshot.XXXXXX)
holder=""
cleanup() {
    if [ -n "$holder" ]; then kill "$holder" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# The root background: a raw RGB picture put on the root by bench/screens/screen.c, which
# stays connected (an X server resets, and forgets the background, when its last client
# leaves).
convert logo: -resize '1920x1080!' -depth 8 "rgb:$work/bg.rgb"
cc -O2 -o "$work/screen" "$here/screens/screen.c" -lX11
"$work/screen" background "$work/bg.rgb" > "$work/setroot.out" &
holder=$!
for _ in $(seq 50); do grep -q ready "$work/setroot.out" 2>/dev/null && break; sleep 0.1; done

# time_runs NAME COMMAND...: average wall and CPU (user + system) milliseconds over $runs
# runs; the file is out.png. CPU time is the steadier figure on a machine shared with other
# work; wall time is what a script waits.
time_runs() {
    local name=$1
    shift
    rm -f "$work/out.png"
    "$@" > /dev/null 2>&1 || { printf '%-10s failed: %s\n' "$name" "$*"; return; }
    local TIMEFORMAT='%R %U %S' t
    t=$( { time (for _ in $(seq "$runs"); do "$@" > /dev/null 2>&1; done) ; } 2>&1 )
    awk -v t="$t" -v n="$runs" -v name="$name" -v size="$(stat -c %s "$work/out.png")" \
        'BEGIN { split(t, a, " "); printf "%-10s %7.1f ms wall %7.1f ms CPU  %8d bytes\n",
                 name, a[1] * 1000 / n, (a[2] + a[3]) * 1000 / n, size }'
}

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
echo "1920 x 1080 PNG, average of $runs runs"
if [ -x "$program" ]; then
    time_runs tessaray "$program" --snapshot --format png --output "$work/out.png"
else
    echo "tessaray  not found at $program"
fi
if command -v scrot > /dev/null; then time_runs scrot scrot -o "$work/out.png"; fi
if command -v maim > /dev/null; then time_runs maim maim "$work/out.png"; fi
