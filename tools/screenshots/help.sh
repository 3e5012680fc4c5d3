#!/usr/bin/env bash
# Screenshots of the about box, a context-help pop-up and the help window, taken under a
# private X server with openbox: tools/screenshots/help.sh OUTPUT_DIR [BUILD_DIR]
# The windows are opened by the application tests' screenshot case (it skips in a normal run).
set -euo pipefail
out=${1:?usage: help.sh OUTPUT_DIR [BUILD_DIR]}
build=${2:-build}
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
cmake --build "$root/$build" -j2 --target tess_app_tests >/dev/null

tmp=$(mktemp -d /tmp/tess-shots.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_STATE_HOME="$tmp/state"
export XDG_RUNTIME_DIR="$tmp/runtime" HOME="$tmp/home"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export NO_AT_BRIDGE=1 GTK_A11Y=none ASAN_OPTIONS=detect_leaks=0
export TESS_SCREENSHOT_DIR="$out"

xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    "$0" --gtest_filter="HelpScreenshots.*"
    rc=$?
    kill $wm 2>/dev/null || true
    exit $rc' "$root/$build/tests/tess_app_tests"
ls "$out"/*.png
