#!/usr/bin/env bash
# Screenshots of the Control menu's specify sub-menus with "Snapshot Last Region" and "Record
# Last Region" (a last region stored, so they are not greyed), under a private X server with
# openbox.
#   tools/screenshots/menus.sh OUTPUT_DIR [BUILD_DIR]
set -euo pipefail
out=${1:?output directory}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${2:-$root/build}
mkdir -p "$out"
out=$(cd "$out" && pwd)
tmp=$(mktemp -d /tmp/tess-shots.XXXXXX)
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_STATE_HOME="$tmp/state"
export NO_AT_BRIDGE=1 GTK_A11Y=none
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$XDG_CONFIG_HOME/Quorvanta"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"LastRegion"="100,100,400,300"\n' \
    >"$XDG_CONFIG_HOME/Quorvanta/Tessaray.reg"

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$build" "$out" <<'INNER'
set -euo pipefail
build=$1 out=$2
openbox >/dev/null 2>&1 & wm=$!
sleep 1
"$build/tessaray" & app=$!
for i in $(seq 100); do
    win=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.2
done
sleep 1
# Control menu (Alt+C), down to a specify sub-menu, opened with Right.
open_submenu() {
    xdotool windowactivate --sync "$win" key --clearmodifiers alt+c
    sleep 0.5
    for _ in $(seq "$1"); do xdotool key Down; sleep 0.1; done
    xdotool key Right
    sleep 0.7
    import -window root "$out/$2.png"
    xdotool key Escape Escape Escape
    sleep 0.5
}
open_submenu 5 menu-snapshot-specify
open_submenu 8 menu-record-specify
kill "$app"; wait "$app" || true
kill "$wm" || true
INNER
echo "screenshots in $out"
