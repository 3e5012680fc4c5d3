#!/usr/bin/env bash
# Screenshots of the display of files: a recording made by the program shown in the main
# window (fitted to its size, named in the title, with the playback bar), the same while
# playing, its export (the options and progress dialogs), and a picture with the File menu open (its "Copy" enabled). Runs under its own Xvfb with openbox, on a 1280 x 800 screen and
# again on a 1920 x 1080 one (those shots end in "-1920x1080"), where a frame that fits
# itself to the video starts much larger than the video. Then the snapshot countdown, and (on
# the smaller screen) the notifications after a snapshot and after a failed one.
#   tools/screenshots/display.sh OUTPUT_DIR [BUILD_DIR]
set -euo pipefail
. "$(dirname "$0")/prologue.sh"

for size in 1280x800 1920x1080; do
suffix=$([ "$size" = 1280x800 ] || echo "-$size")
export XDG_CONFIG_HOME="$tmp/config-$size" # each a first start
xvfb-run -a -s "-screen 0 ${size}x24" bash -s "$build" "$out" "$tmp" "$suffix" "$(cd "$(dirname "$0")" && pwd)" <<'INNER'
set -euo pipefail
build=$1 out=$2 tmp=$3 suffix=$4
. "$5/recorded-file.sh"
openbox >/dev/null 2>&1 & wm=$!
sleep 1
shot() { sleep "$2"; import -window root "$out/$1$suffix.png"; }

# A short recording of a screen showing a picture, shown.
show_recorded_file 8
shot display-recording 1.5
win=$(xdotool search --onlyvisible --pid "$app" | head -1)
xdotool windowactivate --sync "$win" key --clearmodifiers space 2>/dev/null || true
shot display-playing 1.5
if [ -z "$suffix" ]; then
    # File > Export...: the file dialog takes a .gif name, then the options (frame rate and
    # scale; Escape closes them); again with an .mp4 name, then the export's progress.
    xdotool windowactivate --sync "$win" key --clearmodifiers space alt+f e 2>/dev/null || true
    sleep 2
    xdotool key --clearmodifiers ctrl+a type "rec-copy.gif"
    xdotool key Return
    shot export-options 2
    xdotool key Escape
    sleep 1
    xdotool windowactivate --sync "$win" key --clearmodifiers alt+f e 2>/dev/null || true
    sleep 2
    xdotool key --clearmodifiers ctrl+a type "rec-copy.mp4"
    xdotool key Return
    sleep 2
    xdotool key Return
    # The export of the short recording takes a third of a second: taken as soon as it shows.
    shot export-progress 0.05
    sleep 3
fi
kill "$app"; wait "$app" || true

"$build/tessaray" "$tmp/picture.png" & app=$!
shot display-picture 3
win=$(xdotool search --onlyvisible --pid "$app" | head -1)
xdotool windowactivate --sync "$win" key --clearmodifiers alt+f 2>/dev/null || true
shot display-file-menu 1
kill "$app"; wait "$app" || true

# A snapshot with a delay of 5 seconds: the Control menu naming it, then the countdown in the
# top right corner (the frame stays, "No action").
mkdir -p "$XDG_CONFIG_HOME/Quorvanta"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"CaptureDelay"="1"\n"SnapshotDelay"="5"\n"CaptureAction"="0"\n"DisplayOpenAuto"="0"\n' \
    >"$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg"
"$build/tessaray" & app=$!
for i in $(seq 100); do
    win=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.2
done
sleep 1
xdotool windowactivate --sync "$win" key --clearmodifiers alt+c 2>/dev/null || true
shot countdown-menu 1
# Screen, Window, Rectangle, Monitor, then "Snapshot".
xdotool key Down Down Down Down Return
shot countdown 2
sleep 4
kill "$app"; wait "$app" || true

# The notifications of a command-line snapshot and of one that failed, shown by a real
# notification server (Debian's notification-daemon) on a session bus of their own.
daemon=/usr/lib/notification-daemon/notification-daemon
if [ -z "$suffix" ] && [ -x "$daemon" ] && command -v dbus-daemon >/dev/null; then
    dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$tmp/bus" 4>"$tmp/bus.pid"
    export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$tmp/bus")
    display -geometry +0+0 "$tmp/picture.png" & viewer=$!
    sleep 1.5
    for case in notification:"$tmp/shot.png" notification-failed:/proc/none/shot.png; do
        "$daemon" & server=$!
        sleep 1
        "$build/tessaray" --snapshot --notify --output "${case#*:}" >/dev/null 2>&1 & cli=$!
        shot "${case%%:*}" 2
        kill "$cli" "$server" 2>/dev/null || true
        wait "$cli" "$server" 2>/dev/null || true
    done
    kill "$viewer" 2>/dev/null || true
    kill "$(head -1 "$tmp/bus.pid")" 2>/dev/null || true
    unset DBUS_SESSION_BUS_ADDRESS
fi
kill "$wm" || true
INNER
done
echo "screenshots in $out"
