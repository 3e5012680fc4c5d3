#!/usr/bin/env bash
# Trimming a long recording: `tessaray --trim` of both ends of a 10-minute 1920 x 1080
# recording at 15 fps (written by bench_trim_source without a screen: a desktop whose clock and a
# line of typing change every frame, key frames at most 30 s apart) with the voice stream, and
# of the same with the 48 kHz stereo music stream; wall and CPU seconds and the peak resident
# memory (GNU time), and the copy's frames checked by ffprobe. Goals: at most 2 s and under
# 100 MB with voice; with music at most 1 s more per minute kept.
#   bench/trim.sh [path/to/tessaray] [minutes]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/tessaray}
minutes=${2:-10}
source_tool=$(dirname "$program")/bench/bench_trim_source
work=$(mktemp -d /tmp/tess-bench-trim.XXXXXX)
trap 'rm -rf "$work"' EXIT
last=$((minutes * 60))
printf '%-6s %8s %8s %8s %9s %8s %8s\n' stream "in MB" "kept s" "wall s" "CPU s" "peak MB" frames
for sound in voice music; do
    in=$work/$sound.wmv out=$work/$sound-cut.wmv
    "$source_tool" "$in" "$minutes" "$sound"
    # Both ends cut at frames far from a key frame: 7.3 s in, 11.4 s before the end.
    from=7.3 to=$(echo "$last - 11.4" | bc)
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
        env -u DISPLAY "$program" --trim "$in" --output "$out" --from "$from" --to "$to" >/dev/null
    read -r wall user sys peak <"$work/time"
    frames=$(ffprobe -v error -select_streams v:0 -count_packets \
        -show_entries stream=nb_read_packets -of csv=p=0 "$out")
    printf '%-6s %8.1f %8.1f %8.2f %9.2f %8.1f %8s\n' "$sound" \
        "$(echo "$(stat -c %s "$in") / 1048576" | bc -l)" "$(echo "$to - $from" | bc)" \
        "$wall" "$(echo "$user + $sys" | bc)" "$(echo "$peak / 1024" | bc -l)" "$frames"
done
