#!/usr/bin/env bash
# The portal back end beside the X11 one: the wall time of `tessaray --snapshot` (the first
# picture of a fresh process: the permission restored by the saved token, the cast set up,
# the first frame, the PNG), and the CPU of a 1920 x 1080 recording at 30 frames a second,
# of the program and of the desktop's side (compositor and portal back end, which copy every
# frame). The Wayland side runs in the test desktop (tests/wayland/desktop.sh), the X11 side
# under Xvfb. Run from the repository root after tools/setup.sh:
#   bench/wayland.sh [path/to/tessaray] [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "${1:-$here/../build/tessaray}")
seconds=${2:-20}
desktop=${DESKTOP_SH:-$here/../tests/wayland/desktop.sh}
[ -x "$desktop" ] || { echo "no $desktop" >&2; exit 77; }
work=$(mktemp -d /tmp/tess-bench-wayland.XXXXXX)
chmod 755 "$work" # the desktop runs as a user of its own when started by root
cleanup() {
    "$desktop" stop "$work/desktop" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state"
mkdir -p "$XDG_CONFIG_HOME/Quorvanta" "$XDG_DATA_HOME" "$XDG_STATE_HOME"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"WMFrameRate"="30"\n' \
    >"$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Seconds of CPU (user + system) a process has used so far.
cpu_of() { awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$1/stat"; }

snapshots() { # label, then the environment's program runs five times
    local label=$1 t
    for i in 1 2 3 4 5; do
        t=$( { /usr/bin/time -f %e "$program" --snapshot --output "$work/s.png" >/dev/null; } 2>&1 | tail -1)
        echo "$t"
    done | median | xargs printf "%-8s snapshot, median of 5: %s s\n" "$label"
}

recording() { # label, pids of the desktop's side
    local label=$1; shift
    local before=0 after=0 p
    for p in "$@"; do before=$(echo "$before + $(cpu_of "$p")" | bc); done
    local usage
    usage=$( { /usr/bin/time -f "%U %S" "$program" --record --seconds "$seconds" \
        --output "$work/r.wmv" >/dev/null; } 2>&1 | tail -1)
    for p in "$@"; do after=$(echo "$after + $(cpu_of "$p")" | bc); done
    local frames
    frames=$(ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=nb_read_frames -of csv=p=0 "$work/r.wmv")
    echo "$usage" | awk -v l="$label" -v s="$seconds" -v f="$frames" \
        -v d="$(echo "$after - $before" | bc)" \
        '{ printf "%-8s recording 1080p at 30/s for %d s: %d frames, program CPU %.1f %%, desktop side %.1f %%\n", l, s, f, 100 * ($1 + $2) / s, 100 * d / s }'
}

"$desktop" start "$work/desktop" >/dev/null
(
    . "$work/desktop/env"
    # The grant: the chooser runs once, the token is saved.
    /usr/bin/time -f "portal   first snapshot (the grant): %e s" "$program" --snapshot \
        --output "$work/s.png" >/dev/null
    snapshots portal
    sidepids="$(pgrep -x sway) $(pgrep -f /usr/libexec/xdg-desktop-portal-wlr)"
    # shellcheck disable=SC2086
    recording portal $sidepids
    echo "portal   chooser runs: $(wc -l <"$TESS_WL_CHOOSER_COUNT")"
)
"$desktop" stop "$work/desktop" >/dev/null

xvfb-run -a -s "-screen 0 1920x1080x24" bash -c "$(declare -f median cpu_of snapshots recording)
    program='$program' work='$work' seconds='$seconds'
    snapshots x11
    recording x11 \$(pgrep -n Xvfb)"
