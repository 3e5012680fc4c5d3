#!/usr/bin/env bash
# Quality of the music-quality sound stream: a test tone coded by LAME's MP3 through
# libavcodec (the coder and settings of media/mp3) and, for comparison, by libavcodec's Windows
# Media Audio 2 encoder at the same rates, decoded by ffmpeg, and the tone's power measured
# against everything else the decoder gives (harmonics and noise, "SINAD", dB; higher is
# better). Needs ffmpeg with libmp3lame.
#   bench/sound_quality.sh [tone Hz ...]   (1000 and 5000 Hz by default)
set -euo pipefail
tones=("${@:-1000 5000}")
work=$(mktemp -d /tmp/tess-bench-quality.XXXXXX)
trap 'rm -rf "$work"' EXIT

sinad() { # FILE RATE HZ: the tone against the rest, in dB, over the middle second
    ffmpeg -v error -nostdin -i "$1" -f s16le -ac 1 -ar "$2" - | python3 -c '
import math, struct, sys
rate, hz = int(sys.argv[1]), float(sys.argv[2])
d = sys.stdin.buffer.read()
s = struct.unpack("<%dh" % (len(d) // 2), d)[rate // 2:rate // 2 + rate]
w = [2 * math.pi * hz * i / rate for i in range(len(s))]
m = sum(s) / len(s)
y = [(v - m) / 32768 for v in s]
ss = sum(math.sin(a) ** 2 for a in w); cc = sum(math.cos(a) ** 2 for a in w)
sc = sum(math.sin(a) * math.cos(a) for a in w)
ys = sum(v * math.sin(a) for v, a in zip(y, w)); yc = sum(v * math.cos(a) for v, a in zip(y, w))
det = ss * cc - sc * sc
a, b = (ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det
rest = sum((v - a * math.sin(t) - b * math.cos(t)) ** 2 for v, t in zip(y, w))
print("%.1f" % (10 * math.log10(sum(v * v for v in y) / max(rest, 1e-20))))
' "$2" "$3"
}

printf '%-7s %-6s %-5s %10s %10s\n' tone rate kbit/s "WMA 2" MP3
for hz in ${tones[*]}; do
    for rate in 44100 48000; do
        ffmpeg -v error -nostdin -f lavfi -i "sine=frequency=$hz:sample_rate=$rate:duration=3" \
            -af volume=-6dB -ac 2 -f wav -y "$work/tone.wav"
        for kbps in 64 128 192; do
            ffmpeg -v error -nostdin -i "$work/tone.wav" -c:a wmav2 -b:a ${kbps}k -y "$work/t.wma"
            ffmpeg -v error -nostdin -i "$work/tone.wav" -c:a libmp3lame -b:a ${kbps}k -y "$work/t.mp3"
            printf '%-7s %-6s %-5s %10s %10s\n' "$hz" "$rate" "$kbps" \
                "$(sinad "$work/t.wma" "$rate" "$hz")" "$(sinad "$work/t.mp3" "$rate" "$hz")"
        done
    done
done
