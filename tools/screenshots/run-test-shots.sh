#!/usr/bin/env bash
# Shared runner of the screenshot scripts whose windows are opened by a test program's
# screenshot cases (they skip in an ordinary test run): builds the test program, gives it
# temporary XDG directories, and runs the chosen cases under a private X server with openbox,
# saving PNG files into OUTDIR.
#   run-test-shots.sh OUTDIR BUILD_DIR TEST_PROGRAM GTEST_FILTER [SCREEN]
set -euo pipefail
out=$(realpath -m "${1:?usage: run-test-shots.sh OUTDIR BUILD_DIR TEST_PROGRAM GTEST_FILTER}")
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${2:?build directory} # relative to the repository
case "$build" in /*) ;; *) build=$root/$build ;; esac
program=${3:?test program}
filter=${4:?gtest filter}
screen=${5:-1280x900x24}
mkdir -p "$out"
cmake --build "$build" --target "$program" -j2 >/dev/null

tmp=$(mktemp -d /tmp/tess-shots.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_STATE_HOME="$tmp/state"
export XDG_RUNTIME_DIR="$tmp/runtime" HOME="$tmp/home"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export NO_AT_BRIDGE=1 GTK_A11Y=none ASAN_OPTIONS=detect_leaks=0
export TESS_SCREENSHOT_DIR="$out"

xvfb-run -a -s "-screen 0 $screen" bash -c '
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    "$0" --gtest_filter="$1" 2>&1 | grep -E "^\[|shot"
    rc=${PIPESTATUS[0]}
    kill $wm 2>/dev/null || true
    exit $rc' "$build/tests/$program" "$filter"
ls "$out"/*.png
