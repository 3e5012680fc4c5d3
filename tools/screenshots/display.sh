#!/usr/bin/env bash
# Screenshots of the display of files: a recording made by the program shown in the main
# window (fitted to its size, named in the title, with the playback bar), the same while
# playing, and a picture. Runs under its own Xvfb with openbox.
#   tools/screenshots/display.sh OUTPUT_DIR [BUILD_DIR]
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

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$build" "$out" "$tmp" <<'INNER'
set -euo pipefail
build=$1 out=$2 tmp=$3
openbox >/dev/null 2>&1 & wm=$!
sleep 1
# A picture, and a short recording of a screen showing it.
convert -size 640x400 gradient:orange-navy -fill white -pointsize 40 -gravity center \
        -annotate 0 'Recorded screen' "$tmp/picture.png"
display -geometry +0+0 "$tmp/picture.png" & viewer=$!
sleep 1.5
"$build/tessaray" --record --seconds 3 --region 0,0,640,400 --output "$tmp/rec.wmv" >/dev/null
kill "$viewer"; wait "$viewer" 2>/dev/null || true

shot() { sleep "$2"; import -window root "$out/$1.png"; }

"$build/tessaray" "$tmp/rec.wmv" & app=$!
shot display-recording 3
win=$(xdotool search --onlyvisible --pid "$app" | head -1)
xdotool windowactivate --sync "$win" key --clearmodifiers space 2>/dev/null || true
shot display-playing 1.5
kill "$app"; wait "$app" || true

"$build/tessaray" "$tmp/picture.png" & app=$!
shot display-picture 3
kill "$app"; wait "$app" || true
kill "$wm" || true
INNER
echo "screenshots in $out"
