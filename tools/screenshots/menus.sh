#!/usr/bin/env bash
# Screenshots of the Control menu's specify sub-menus with "Snapshot Last Region" and "Record
# Last Region" (a last region stored, so they are not greyed), and of the capture modes with
# "Monitor" chosen: the Control menu, the tool bar's box, the display area's menu and the tray
# menu, and of a paused recording (the Control and tray menus, the tool bar's pause button),
# under a private X server with openbox and a tray.
#   tools/screenshots/menus.sh OUTPUT_DIR [BUILD_DIR]
set -euo pipefail
. "$(dirname "$0")/prologue.sh"
mkdir -p "$XDG_CONFIG_HOME/Quorvanta"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"LastRegion"="100,100,400,300"\n"CapSelect"="3"\n"TrayIcon"="1"\n' \
    >"$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg"

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$build" "$out" <<'INNER'
set -euo pipefail
build=$1 out=$2
openbox >/dev/null 2>&1 & wm=$!
trayer --edge bottom --align right --widthtype pixel --width 60 --height 32 >/dev/null 2>&1 &
tray=$!
sleep 1
"$build/tessaray" & app=$!
for i in $(seq 100); do
    win=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.2
done
sleep 1
# The Control menu, the third of the bar, with its first item chosen: F10 opens the first menu
# with nothing chosen, where Right does not move on; Down chooses its first item, and then each
# Right opens the next menu with its first item chosen.
control_menu() {
    xdotool windowactivate --sync "$win" key --clearmodifiers F10
    sleep 0.5
    for k in Down Right Right; do xdotool key $k; sleep 0.3; done
    sleep 0.2
}
# The Control menu, down to its Nth item (a specify sub-menu), opened with Right.
open_submenu() {
    control_menu
    for _ in $(seq $(($1 - 1))); do xdotool key Down; sleep 0.1; done
    xdotool key Right
    sleep 0.7
    import -window root "$out/$2.png"
    xdotool key Escape Escape Escape
    sleep 0.5
}
open_submenu 7 menu-snapshot-specify
open_submenu 11 menu-record-specify
# The capture modes: the Control menu, the box at the tool bar's left, the display area's menu.
shot_after() {
    sleep 0.7
    import -window root "$out/$1.png"
    xdotool key Escape Escape
    sleep 0.5
}
control_menu
shot_after menu-control-modes
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
shot_after menu-popup-modes
# The tray icon, at the right end of the tray along the bottom edge of the 1280 x 800 screen.
xdotool mousemove $((1280 - 16)) $((800 - 16)) click 3
shot_after menu-tray-modes
# A paused recording: the Control menu with "Pause Recording" ticked over the tool bar's pressed
# pause button and the title saying "(Paused)", then the tray menu.
xdotool windowactivate --sync "$win" key --clearmodifiers alt+r
sleep 1.5
xdotool key Pause
sleep 0.5
control_menu
shot_after menu-control-paused
xdotool mousemove $((1280 - 16)) $((800 - 16)) click 3
shot_after menu-tray-paused
xdotool key --clearmodifiers Pause
sleep 0.3
# The box's list, which opens over the box: the window lower down, so all of it shows.
xdotool windowmove --sync "$win" 100 250 windowactivate --sync "$win"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 45)) $((Y + 25)) click 1
shot_after combo-capture-modes
kill "$app"; wait "$app" || true
kill "$tray" "$wm" || true
INNER
echo "screenshots in $out"
