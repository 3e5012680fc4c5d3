#!/usr/bin/env bash
# Export of recordings beside ffmpeg: the four screens of bench/record.sh (still, typing, scroll,
# video; 1920 x 1080, drawn by bench/screens/screen.c) recorded by the program for N seconds at
# RATE frames a second (default 60 s at 15), then each recording exported by
# `tessaray --export` and by ffmpeg to WebM (libvpx-vp9 -deadline realtime -cpu-used 8
# -row-mt 1, constant quality -crf VP9_CRF -b:v 0), MP4 (libx264 -preset ultrafast -crf
# X264_CRF, 4:2:0) and a half-size GIF (two-pass palettegen / paletteuse). Prints wall time,
# CPU time, size and luma PSNR (ffmpeg's psnr filter against the recording decoded by ffmpeg at
# the same times and size, frames paired in order). Run under a private X server:
#   xvfb-run -a -s "-screen 0 1920x1080x24" bench/export.sh [path/to/tessaray] [seconds]
# SCREENS, FORMATS (webm mp4 gif), RATE, VP9_CRF, X264_CRF choose. The default levels are the
# highest at which ffmpeg keeps every bench screen at 38 dB or more (the scrolling page is the
# hardest); ffmpeg's own defaults are crf 30 and 23.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/tessaray}
seconds=${2:-60}
screens=${SCREENS:-still typing scroll video}
formats=${FORMATS:-webm mp4 gif}
rate=${RATE:-15}
vp9crf=${VP9_CRF:-43}
x264crf=${X264_CRF:-38}
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under xvfb-run" >&2; exit 2; }

work=$(mktemp -d /tmp/tess-bench-export.XXXXXX)
# shellcheck source=screens/screens.sh
. "$here/screens/screens.sh"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"WMFrameRate"="%s"\n' \
    "$rate" > "$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg"

# psnr SOURCE FILE SCALE: luma PSNR of FILE against SOURCE at RATE and SCALE per cent (a GIF,
# which keeps only frames that change, brought back to RATE first).
psnr() {
    local size pace="setpts=N/($rate*TB)"
    size=$(( 1920 * $3 / 100 )):$(( 1080 * $3 / 100 ))
    ffmpeg -hide_banner -i "$1" -i "$2" -lavfi \
        "[0:v]fps=$rate,scale=$size,format=rgb24,format=yuv420p,$pace[a];[1:v]fps=$rate,format=yuv420p,$pace[b];[a][b]psnr" \
        -f null - 2>&1 | grep -o 'PSNR y:[0-9.inf]*' | cut -d: -f2
}

# run SCREEN FORMAT TOOL SOURCE: appends "screen format tool wall cpu MB psnr" to the results.
run() {
    local screen=$1 format=$2 tool=$3 src=$4 out scale=100
    [ "$format" = gif ] && scale=50
    out=$work/$tool.$format
    rm -f "$out"
    if [ "$tool" = ours ]; then
        set -- "$program" --export "$src" --output "$out" --fps "$rate" --scale "$scale"
    else
        local v="fps=$rate,format=rgb24,format=yuv420p"
        case $format in
        webm) set -- ffmpeg -v error -y -i "$src" -vf "$v" -c:v libvpx-vp9 -deadline realtime \
                  -cpu-used 8 -row-mt 1 -crf "$vp9crf" -b:v 0 -c:a libopus "$out" ;;
        mp4) set -- ffmpeg -v error -y -i "$src" -vf "$v" -c:v libx264 -preset ultrafast \
                 -crf "$x264crf" -c:a aac -movflags +faststart "$out" ;;
        gif) set -- sh -c 'ffmpeg -v error -y -i "$1" -vf "fps=$2,scale=960:540,palettegen" "$3.png" &&
                 ffmpeg -v error -y -i "$1" -i "$3.png" -lavfi "fps=$2,scale=960:540[x];[x][1:v]paletteuse" "$3"' \
                 sh "$src" "$rate" "$out" ;;
        esac
    fi
    if ! /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" > /dev/null 2> "$work/err"; then
        echo "$tool $format on $screen failed:" >&2
        cat "$work/err" >&2
        return
    fi
    local wall user sys
    read -r wall user sys < "$work/time"
    printf '%s %s %s %.1f %.1f %.2f %s\n' "$screen" "$format" "$tool" "$wall" \
        "$(echo "$user + $sys" | bc)" "$(echo "$(stat -c %s "$out") / 1048576" | bc -l)" \
        "$(psnr "$src" "$out" "$scale")" | tee -a "$work/results" >&2
}

echo "exports of ${seconds}-s 1920 x 1080 recordings at $rate fps ($(nproc) cores; load: $(cut -d' ' -f1-3 /proc/loadavg))"
for screen in $screens; do
    start_screen "$screen"
    "$program" --record --seconds "$seconds" --audio --output "$work/$screen.wmv" > /dev/null ||
        "$program" --record --seconds "$seconds" --output "$work/$screen.wmv" > /dev/null
    stop_screen
    for format in $formats; do
        for tool in ours ffmpeg; do run "$screen" "$format" "$tool" "$work/$screen.wmv"; done
    done
done
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

printf '\n| screen | format | tool | wall s | CPU s | MB | PSNR y dB |\n|---|---|---|---|---|---|---|\n'
awk '{ printf "| %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7 }' "$work/results"
