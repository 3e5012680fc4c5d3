#!/usr/bin/env bash
# Sound against picture over a long recording: a 64 x 48 patch of the screen turns white
# while the test tone is switched on, and black while it is off, a few seconds after the
# start and a few seconds before the end of one recording at 30 frames a second. Prints, for
# each switch, the time the picture changed and the time the sound changed in the decoded
# file, and the drift (end offset minus start offset; the goal is under 0.1 s). Starts its
# own PulseAudio daemon (tests/start-pulse.sh); run under a private X server:
#   xvfb-run -a -s "-screen 0 1920x1080x24" bench/sound_drift.sh [path/to/tessaray] [seconds] [mode]
# (seconds: 1200, twenty minutes, by default; outside CI). mode: "voice" (the microphone's
# 8 kHz voice stream, the default), "desktop" (the desktop's 1000 Hz output, music stream) or
# "both" (the desktop mixed with a microphone whose clock runs 8008/8000 of what it says:
# a pipe source declared at 8000 Hz fed at 8008 samples a second; both switched together).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/tessaray}
seconds=${2:-1200}
mode=${3:-voice}
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under xvfb-run" >&2; exit 2; }
[ "$seconds" -ge 40 ] || { echo "at least 40 seconds" >&2; exit 2; }

work=$(mktemp -d /tmp/tess-bench-drift.XXXXXX)
patch_pid=""
feeder_pid=""
cleanup() {
    if [ -n "$patch_pid" ]; then kill "$patch_pid" 2>/dev/null || true; fi
    if [ -n "$feeder_pid" ]; then kill "$feeder_pid" 2>/dev/null || true; fi
    if [ -f "$XDG_RUNTIME_DIR/pulse-test.pid" ]; then
        kill "$(cat "$XDG_RUNTIME_DIR/pulse-test.pid")" 2>/dev/null || true
    fi
    rm -rf "$work"
}
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/Quorvanta" "$XDG_STATE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE
trap cleanup EXIT
"$here/../tests/start-pulse.sh" >/dev/null
pactl info >/dev/null || { echo "PulseAudio did not start" >&2; exit 1; }
source=0
case "$mode" in
voice) ;;
desktop) source=1 ;;
both)
    source=2
    # The fast microphone: 8008 samples a second into a source that says 8000.
    pactl load-module module-pipe-source source_name=fastmic file="$work/fastmic.fifo" \
        format=s16le rate=8000 channels=1 >/dev/null
    gst-launch-1.0 -q audiotestsrc is-live=true freq=440 volume=0.5 samplesperbuffer=160 \
        ! audio/x-raw,format=S16LE,rate=8008,channels=1 \
        ! filesink location="$work/fastmic.fifo" buffer-mode=unbuffered >/dev/null 2>&1 &
    feeder_pid=$!
    pactl set-default-source fastmic
    ;;
*) echo "mode: voice, desktop or both" >&2; exit 2 ;;
esac
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"WMFrameRate"="30"\n"SoundSource"="%s"\n"DesktopSource"="desktop.monitor"\n' \
    "$source" > "$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg"

# The patch: an override-redirect window that turns white on "w" and black on "b" (stdin).
cat > "$work/patch.c" <<'C'
#include <X11/Xlib.h>
#include <stdio.h>
int main(void) {
    Display* d = XOpenDisplay(NULL);
    if (!d) return 1;
    XSetWindowAttributes a;
    a.override_redirect = True;
    a.background_pixel = 0;
    Window w = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 64, 48, 0, CopyFromParent,
                             InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(d, w);
    XSync(d, False);
    int c;
    while ((c = getchar()) != EOF) {
        if (c != 'w' && c != 'b') continue;
        XSetWindowBackground(d, w, c == 'w' ? 0xFFFFFF : 0);
        XClearWindow(d, w);
        XSync(d, False);
        printf("%c\n", c);
        fflush(stdout);
    }
    return 0;
}
C
cc -O2 -o "$work/patch" "$work/patch.c" -lX11
mkfifo "$work/in" "$work/out"
"$work/patch" < "$work/in" > "$work/out" &
patch_pid=$!
exec 3>"$work/in" 4<"$work/out"
switch() { # w or b: the picture first (acknowledged by the client), then the tone
    echo "$1" >&3
    read -r _ <&4
    local mute; mute=$([ "$1" = w ] && echo 0 || echo 1)
    case "$mode" in
    voice) pactl set-source-mute tone "$mute" ;;
    desktop) pactl set-sink-input-mute "$desk_input" "$mute" ;;
    both) pactl set-sink-input-mute "$desk_input" "$mute"; pactl set-source-mute fastmic "$mute" ;;
    esac
}
# The desktop's tone is the player's stream into the sink "desktop" (muting the sink would
# leave its monitor playing).
desk_sink=$(pactl list short sinks | awk '$2 == "desktop" { print $1 }')
desk_input=$(pactl list short sink-inputs | awk -v s="$desk_sink" '$2 == s { print $1; exit }')
pactl set-source-mute tone 1
[ -z "$desk_input" ] || pactl set-sink-input-mute "$desk_input" 1
pactl set-source-mute fastmic 1 2>/dev/null || true

file="$work/drift.wmv"
"$program" --record --seconds "$seconds" --audio --region 0,0,64,48 --output "$file" >/dev/null &
rec=$!
sleep 5; switch w; sleep 5; switch b
sleep $((seconds - 20)); switch w; sleep 5; switch b
wait "$rec"
exec 3>&-

# Picture: the patch's brightness per frame. Sound: RMS level per 10 ms. Both with the
# times ffmpeg gives each frame.
ffmpeg -v error -i "$file" -map 0:v:0 \
    -vf "scale=1:1,format=gray,signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=-" \
    -f null - | awk '/pts_time/ { split($3, a, ":"); t = a[2] }
                     /YAVG/ { split($0, b, "="); on = b[2] > 128;
                              if (on != last) print t, on; last = on }' > "$work/video-edges"
ffmpeg -v error -i "$file" -map 0:a:0 \
    -af "aresample=8000,asetnsamples=n=80:p=0,astats=metadata=1:reset=1,ametadata=print:key=lavfi.astats.Overall.RMS_level:file=-" \
    -f null - | awk '/pts_time/ { split($3, a, ":"); t = a[2] }
                     /RMS_level/ { split($0, b, "="); on = (b[2] != "-inf" && b[2] > -20);
                                   if (on != last) print t, on; last = on }' > "$work/sound-edges"
echo "edge  picture(s)  sound(s)  sound-picture(s)"
paste -d' ' "$work/video-edges" "$work/sound-edges" |
    awk '{ d = $3 - $1; printf "%-5s %10.3f %9.3f %9.3f\n", ($2 ? "on" : "off"), $1, $3, d;
           o[NR] = d }
         END { if (NR != 4) { print "expected 4 edges, found " NR; exit 1 }
               printf "drift over the recording: %.3f s (start %.3f s, end %.3f s)\n",
                      (o[3] + o[4]) / 2 - (o[1] + o[2]) / 2, (o[1] + o[2]) / 2, (o[3] + o[4]) / 2 }'
