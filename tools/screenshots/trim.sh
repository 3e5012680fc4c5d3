#!/usr/bin/env bash
# Screenshots of trimming: a recording made by the program shown in the main window with In
# and Out marks set by the keys in the video area (the marks in the status bar, the frame's
# time in the position pane, the Set In and Set Out buttons on the playback bar, the band of
# the selection under the position slider), the Control and File menus with the new items,
# the export's options offering "Only the selection", the Save Trimmed Copy file dialog
# proposing "rec (trimmed).wmv", and the status bar once the copy is saved. Own Xvfb with
# openbox.
#   tools/screenshots/trim.sh OUTPUT_DIR [BUILD_DIR]
set -euo pipefail
. "$(dirname "$0")/prologue.sh"

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$build" "$out" "$tmp" "$(cd "$(dirname "$0")" && pwd)" <<'INNER'
set -euo pipefail
build=$1 out=$2 tmp=$3
. "$4/recorded-file.sh"
openbox >/dev/null 2>&1 & wm=$!
sleep 1
shot() { sleep "$2"; import -window root "$out/$1.png"; }

show_recorded_file 6
sleep 1.5
win=$(xdotool search --onlyvisible --pid "$app" | head -1)
# A click in the video area gives it the keyboard focus; then In, five frames on, Out.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 3)) click 1
sleep 0.5
xdotool key --delay 200 Right i period period period period period o
shot trim-marks 1
xdotool key --clearmodifiers F10 Right Right
shot trim-control-menu 1
xdotool key Escape
sleep 0.5
xdotool key --clearmodifiers alt+f
shot trim-file-menu 1
xdotool key Escape
sleep 0.5
# File > Export... with the marks set: the options offer "Only the selection".
xdotool key --clearmodifiers alt+f e
sleep 2
xdotool key --clearmodifiers ctrl+a type "rec-part.gif"
xdotool key Return
shot trim-export-options 2
xdotool key Escape
sleep 1
xdotool key --clearmodifiers alt+f m
shot trim-save-dialog 2
xdotool key Return
shot trim-saved 3
kill "$app"; wait "$app" || true
kill "$wm" || true
INNER
echo "screenshots in $out"
