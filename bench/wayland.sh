#!/usr/bin/env bash
# The screen through the portal beside the X11 grab: the wall time of `tessaray --snapshot`
# (the first run, which lets the desktop's chooser pick the output, then the median of RUNS
# runs with the permission restored) and
# the CPU (user + system over wall time) and frames of a 30-fps `--record` of the whole
# 1920 x 1080 screen, in the headless Wayland desktop of tests/wayland/desktop.sh (bar clock
# changing five times a second) and in Xvfb (a clock redrawn by bench/screens/screen.c).
# "Screen side" is the CPU of the processes that deliver the pictures meanwhile: the
# compositor, PipeWire and the portals; or Xvfb.
#   bench/wayland.sh [path/to/tessaray] [seconds]
# Run from the repository root after tools/setup.sh; it starts its own desktop and Xvfb.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = --x11-part ]; then
    x11_part=1
    shift
fi
program=$(readlink -f "${1:-$here/../build/tessaray}")
seconds=${2:-20}
runs=${RUNS:-5}

work=${3:-$(mktemp -d /tmp/tess-bench-wayland.XXXXXX)}
chmod 755 "$work" # the desktop's user works below it
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_CONFIG_HOME/Quorvanta" "$XDG_DATA_HOME"

# set_rate N: the recording frame rate in the settings store, next to what is there (the
# portal's restore token).
set_rate() {
    local store="$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg" key='[HKEY_CURRENT_USER\Software\Quorvanta\Tessaray]'
    if [ -f "$store" ] && grep -qxF "$key" "$store"; then
        awk -v key="$key" -v line="\"WMFrameRate\"=\"$1\"" \
            '{ print } $0 == key { print line }' "$store" >"$store.new" && mv "$store.new" "$store"
    else
        printf 'REGEDIT4\n\n%s\n"WMFrameRate"="%s"\n' "$key" "$1" >>"$store"
    fi
}

# server_ticks: CPU clock ticks (user + system) used so far by the processes that show the
# screen: the Wayland desktop's (found by its marker), or Xvfb.
server_ticks() {
    local p total=0
    for p in $server_pids; do
        [ -r "/proc/$p/stat" ] || continue
        total=$((total + $(awk '{ print $14 + $15 }' "/proc/$p/stat")))
    done
    echo "$total"
}

# measure BACKEND LABEL: prints one row.
measure() {
    local backend=$1 label=$2 t times=() cpu frames ticks0 ticks1
    local first
    first=$( { /usr/bin/time -f '%e' "$program" --backend "$backend" --snapshot \
        --output "$work/first.png" >/dev/null; } 2>&1 | tail -n 1)
    for _ in $(seq "$runs"); do
        t=$( { /usr/bin/time -f '%e' "$program" --backend "$backend" --snapshot \
            --output "$work/shot.png" >/dev/null; } 2>&1 | tail -n 1)
        times+=("$t")
    done
    set_rate 30
    ticks0=$(server_ticks)
    cpu=$( { /usr/bin/time -f '%U %S %e' "$program" --backend "$backend" --record \
        --seconds "$seconds" --output "$work/rec.wmv" >/dev/null; } 2>&1 | tail -n 1)
    ticks1=$(server_ticks)
    frames=$(ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=nb_read_frames -of csv=p=0 "$work/rec.wmv")
    printf '%-8s first snapshot %s s, then median %s s (runs: %s)  record %s s at 30 fps: CPU %s%% (screen side %s%%), %s frames\n' \
        "$label" "$first" "$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")" \
        "${times[*]}" "$seconds" \
        "$(echo "$cpu" | awk '{printf "%.0f", 100 * ($1 + $2) / $3}')" \
        "$(echo "$cpu" | awk -v t=$((ticks1 - ticks0)) -v hz="$(getconf CLK_TCK)" \
            '{printf "%.0f", 100 * t / hz / $3}')" "$frames"
    rm -f "$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg"
}

if [ -n "${x11_part:-}" ]; then
    # Called again under xvfb-run below, with the same work directory.
    convert -size 1920x1080 -seed 7 plasma:fractal -blur 0x2 -depth 8 "rgb:$work/bg.rgb"
    cc -O2 -o "$work/screen" "$here/screens/screen.c" -lX11
    "$work/screen" still "$work/bg.rgb" >"$work/screen.out" &
    screen_pid=$!
    for _ in $(seq 100); do grep -q ready "$work/screen.out" 2>/dev/null && break; sleep 0.1; done
    server_pids=$(ps --ppid "$PPID" -o pid=,comm= | awk '$2 == "Xvfb" { print $1 }')
    measure x11 X11
    kill "$screen_pid"
    exit 0
fi

desktop="$work/desktop"
cleanup() {
    "$here/../tests/wayland/desktop.sh" stop "$desktop" || true
    rm -rf "$work"
}
trap cleanup EXIT
(
    "$here/../tests/wayland/desktop.sh" start "$desktop" >/dev/null
    # shellcheck disable=SC1091
    . "$desktop/env"
    server_pids=$(for p in /proc/[0-9]*; do
        if { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "TESS_WL_DIR=$desktop"; then
            echo "${p#/proc/}"
        fi
    done)
    measure portal Wayland
)
"$here/../tests/wayland/desktop.sh" stop "$desktop"
xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --x11-part "$program" "$seconds" "$work"
