#!/usr/bin/env bash
# Screen recording beside ffmpeg's x11grab with libx264 (-preset ultrafast, and lossless with
# -qp 0) on four 1920 x 1080 screens drawn by bench/screens/screen.c: frames held, CPU per
# cent of the whole process, MiB a minute. Run under a private X server:
#   xvfb-run -a -s "-screen 0 1920x1080x24" bench/record.sh [path/to/tessaray] [seconds] [soak]
# Choose what runs with SCREENS (still typing scroll video), RATES (5 15 30) and TOOLS
# (ours x264 lossless, plus "before" with BEFORE=path/to/an/older/tessaray). Each screen
# and rate runs the tools one after another, so they share the machine's load alike.
# With "soak": one recording of the scrolling screen at 30 frames a second for the given
# seconds (outside CI: 1800), printing the program's resident memory every minute, to show
# that it stays flat; then the frames of every minute (the rate held) and a decode of the
# whole file from end to end.
#
# The screens share a desktop: a photo-like background (ImageMagick's plasma fractal with a
# fixed seed) and a clock redrawn every second. "still" is that desktop; "typing" adds an
# editor window that gets a line of text every 200 ms; "scroll" a terminal window scrolling
# a line every 50 ms; "video" ffplay showing a moving test pattern in a 640 x 360 window.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/tessaray}
seconds=${2:-60}
mode=${3:-compare}
screens=${SCREENS:-still typing scroll video}
rates=${RATES:-5 15 30}
tools=${TOOLS:-ours x264 lossless}
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under xvfb-run" >&2; exit 2; }

work=$(mktemp -d /tmp/tess-bench-record.XXXXXX)
# shellcheck source=screens/screens.sh
. "$here/screens/screens.sh"
set_rate() {
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"WMFrameRate"="%s"\n' \
        "$1" > "$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg"
}

# run SCREEN RATE TOOL: records and appends a row to the results: frames held (share of the
# frames asked for: the first plus one per tick), CPU of the whole process (user + system over
# wall time), MiB a minute.
run() {
    local screen=$1 rate=$2 tool=$3 file
    case $tool in
    ours | before)
        file=$work/$tool.wmv
        rm -f "$file"
        set_rate "$rate"
        local bin=$program
        [ "$tool" = before ] && bin=${BEFORE:?BEFORE=path/to/tessaray}
        set -- "$bin" --record --seconds "$seconds" --output "$file" ;;
    x264 | lossless)
        file=$work/$tool.mp4
        rm -f "$file"
        local q=()
        [ "$tool" = lossless ] && q=(-qp 0)
        set -- ffmpeg -v error -y -f x11grab -framerate "$rate" -video_size 1920x1080 \
            -draw_mouse 1 -i "$DISPLAY" -t "$seconds" -c:v libx264 -preset ultrafast "${q[@]}" "$file" ;;
    esac
    if ! /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" > /dev/null 2> "$work/err"; then
        echo "$tool on $screen at $rate failed:" >&2
        cat "$work/err" >&2
        return
    fi
    local frames bytes wall user sys
    frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries \
        stream=nb_read_packets -of csv=p=0 "$file")
    bytes=$(stat -c %s "$file")
    read -r wall user sys < "$work/time"
    awk -v sc="$screen" -v r="$rate" -v t="$tool" -v f="$frames" -v s="$seconds" -v b="$bytes" \
        -v u="$user" -v y="$sys" -v w="$wall" 'BEGIN {
            printf "%s %s %s %.2f %.1f %.1f\n", sc, r, t, b / s * 60 / 1048576,
                100 * (u + y) / w, 100 * f / (s * r + 1) }' | tee -a "$work/results" >&2
}

if [ "$mode" = soak ]; then
    start_screen scroll
    set_rate 30
    "$program" --record --seconds "$seconds" --output "$work/soak.wmv" > /dev/null &
    pid=$!
    start=$(date +%s)
    sleep 5
    while kill -0 "$pid" 2>/dev/null; do
        rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
        [ -n "$rss" ] && printf 'soak %5d s  RSS %7d kB\n' "$(( $(date +%s) - start ))" "$rss"
        for _ in $(seq 60); do kill -0 "$pid" 2>/dev/null || break; sleep 1; done
    done
    wait "$pid"
    ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 \
        "$work/soak.wmv" > "$work/times"
    echo "frames a second, minute by minute (goal 30):"
    awk '{ n[int($1 / 60)]++ } END { for (m = 0; m in n; ++m) printf "  minute %3d: %5.1f\n", m + 1, n[m] / 60 }' \
        "$work/times"
    errors=$(ffmpeg -v error -i "$work/soak.wmv" -fps_mode passthrough -f null - 2>&1 | wc -l)
    printf 'soak done: %d frames, last at %s s, %d bytes, %d decoding errors\n' \
        "$(wc -l < "$work/times")" "$(tail -1 "$work/times")" "$(stat -c %s "$work/soak.wmv")" \
        "$errors"
    exit 0
fi

echo "recording ${seconds} s of 1920 x 1080 screens ($(nproc) cores; load: $(cut -d' ' -f1-3 /proc/loadavg))"
for screen in $screens; do
    start_screen "$screen"
    for rate in $rates; do
        for tool in $tools; do run "$screen" "$rate" "$tool"; done
    done
    stop_screen
done
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

# One table per frame rate; ratios of file size to x264 ultrafast and to lossless x264.
for rate in $rates; do
    printf '\n%s fps, %s s\n' "$rate" "$seconds"
    printf '| screen | tool | MiB/min | CPU %% | frames held %% | size / x264 ultrafast | size / lossless x264 |\n'
    printf '|---|---|---|---|---|---|---|\n'
    awk -v r="$rate" '$2 == r { key = $1; if ($3 == "x264") uf[key] = $4; if ($3 == "lossless") ll[key] = $4;
                                row[++n] = $0 }
        END { for (i = 1; i <= n; ++i) { split(row[i], f, " ");
                  a = (f[1] in uf && uf[f[1]] > 0) ? sprintf("%.2f", f[4] / uf[f[1]]) : "-";
                  b = (f[1] in ll && ll[f[1]] > 0) ? sprintf("%.2f", f[4] / ll[f[1]]) : "-";
                  printf "| %s | %s | %s | %s | %s | %s | %s |\n", f[1], f[3], f[4], f[5], f[6], a, b } }' \
        "$work/results"
done
