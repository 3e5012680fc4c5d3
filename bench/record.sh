#!/usr/bin/env bash
# Screen recording at 5, 15 and 30 frames a second beside ffmpeg's x11grab with libx264
# (-preset ultrafast) on the same changing 1920 x 1080 screen: frames written per second,
# CPU per cent of the whole process, bytes per minute. Run under a private X server:
#   xvfb-run -a -s "-screen 0 1920x1080x24" bench/record.sh [path/to/tessaray] [seconds] [soak]
# With "soak": one recording at 30 frames a second for the given seconds (outside CI: 1800),
# printing the program's resident memory every minute, to show that it stays flat; then the
# frames of every minute (the rate held) and a decode of the whole file from end to end.
# The screen: a desktop picture, a terminal-like window printing a line of text every
# 50 ms (scrolling), and a clock redrawn every second, drawn by a small X client.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/tessaray}
seconds=${2:-30}
mode=${3:-compare}
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under xvfb-run" >&2; exit 2; }

work=$(mktemp -d /tmp/tess-bench-record.XXXXXX)
workload=""
cleanup() {
    if [ -n "$workload" ]; then kill "$workload" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

convert logo: -resize '1920x1080!' -depth 8 "rgb:$work/bg.rgb"
cat > "$work/workload.c" <<'EOF'
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
int main(int argc, char** argv) {
    const int w = 1920, h = 1080;
    unsigned char* rgb = malloc((size_t)w * h * 3);
    FILE* f = fopen(argv[1], "rb");
    if (!f || fread(rgb, 1, (size_t)w * h * 3, f) != (size_t)w * h * 3) return 1;
    fclose(f);
    Display* d = XOpenDisplay(NULL);
    if (!d) return 1;
    int s = DefaultScreen(d);
    Window root = RootWindow(d, s);
    XImage* img = XCreateImage(d, DefaultVisual(d, s), DefaultDepth(d, s), ZPixmap, 0,
                               malloc((size_t)w * h * 4), w, h, 32, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = rgb + ((size_t)y * w + x) * 3;
            XPutPixel(img, x, y, (unsigned long)p[0] << 16 | p[1] << 8 | p[2]);
        }
    Pixmap pm = XCreatePixmap(d, root, w, h, DefaultDepth(d, s));
    GC gc = XCreateGC(d, pm, 0, NULL);
    XPutImage(d, pm, gc, img, 0, 0, 0, 0, w, h);
    XSetWindowBackgroundPixmap(d, root, pm);
    XClearWindow(d, root);
    XSetWindowAttributes a;
    a.override_redirect = True;
    a.background_pixel = 0x101010;
    const int tw = 1100, th = 760;
    Window term = XCreateWindow(d, root, 120, 100, tw, th, 0, CopyFromParent, InputOutput,
                                CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    a.background_pixel = 0xe0e0e0;
    Window clock = XCreateWindow(d, root, 1700, 20, 200, 40, 0, CopyFromParent, InputOutput,
                                 CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(d, term);
    XMapRaised(d, clock);
    XFontStruct* font = XLoadQueryFont(d, "fixed");
    GC tg = XCreateGC(d, term, 0, NULL);
    if (font) XSetFont(d, tg, font->fid);
    const int lh = font ? font->ascent + font->descent + 2 : 15;
    XSync(d, False);
    printf("ready\n");
    fflush(stdout);
    long n = 0;
    time_t shown = 0;
    for (;;) {
        /* scroll the terminal up one line and print a new one at the bottom */
        XCopyArea(d, term, term, tg, 0, lh, tw, th - lh, 0, 0);
        XSetForeground(d, tg, 0x101010);
        XFillRectangle(d, term, tg, 0, th - lh, tw, lh);
        char line[160];
        snprintf(line, sizeof line, "%06ld  build step %ld: compiling src/module_%03ld.cpp -> obj/module_%03ld.o  [%3ld%%]",
                 n, n, n % 997, n % 997, n % 101);
        XSetForeground(d, tg, 0x40ff40);
        XDrawString(d, term, tg, 6, th - (font ? font->descent + 1 : 3), line, (int)strlen(line));
        time_t now = time(NULL);
        if (now != shown) {
            shown = now;
            char t[32];
            strftime(t, sizeof t, "%H:%M:%S", localtime(&now));
            XClearWindow(d, clock);
            XSetForeground(d, tg, 0x000000);
            XDrawString(d, clock, tg, 60, 26, t, (int)strlen(t));
        }
        XSync(d, False);
        ++n;
        usleep(50000);
    }
}
EOF
cc -O2 -o "$work/workload" "$work/workload.c" -lX11
"$work/workload" "$work/bg.rgb" > "$work/workload.out" &
workload=$!
for _ in $(seq 50); do grep -q ready "$work/workload.out" 2>/dev/null && break; sleep 0.1; done

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_CONFIG_HOME/Quorvanta" "$XDG_DATA_HOME"
# run NAME FILE COMMAND...: runs the command under /usr/bin/time and prints a row: frames
# written per second of recording, the share of the frames asked for (the first frame plus
# one per tick), the CPU of the whole process (user + system over wall time), bytes a minute.
run() {
    local name=$1 file=$2
    shift 2
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" > /dev/null 2> "$work/err" ||
        { echo "$name failed:"; cat "$work/err"; return; }
    local frames bytes
    frames=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames \
             -of csv=p=0 "$file")
    bytes=$(stat -c %s "$file")
    read -r wall user sys < "$work/time"
    printf '%-22s %6.2f fps  %5.1f%% of frames  CPU %6.1f%%  %8.2f MB/min\n' "$name" \
        "$(awk -v f="$frames" -v s="$seconds" 'BEGIN { print f / s }')" \
        "$(awk -v f="$frames" -v s="$seconds" -v r="$rate" 'BEGIN { print 100 * f / (s * r + 1) }')" \
        "$(awk -v u="$user" -v y="$sys" -v w="$wall" 'BEGIN { print 100 * (u + y) / w }')" \
        "$(awk -v b="$bytes" -v s="$seconds" 'BEGIN { print b / s * 60 / 1e6 }')"
}

if [ "$mode" = soak ]; then
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"WMFrameRate"="30"\n' \
        > "$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg"
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

echo "recording ${seconds} s of a 1920 x 1080 screen (terminal scrolling 20 lines/s, clock)"
for rate in 5 15 30; do
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"WMFrameRate"="%s"\n' \
        "$rate" > "$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg"
    rm -f "$work/ours.wmv" "$work/x264.mp4"
    run "tessaray @ $rate" "$work/ours.wmv" "$program" --record --seconds "$seconds" \
        --output "$work/ours.wmv"
    run "ffmpeg x264 @ $rate" "$work/x264.mp4" ffmpeg -v error -y -f x11grab -framerate "$rate" \
        -video_size 1920x1080 -draw_mouse 1 -i "$DISPLAY" -t "$seconds" -c:v libx264 \
        -preset ultrafast "$work/x264.mp4"
done
