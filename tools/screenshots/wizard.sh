#!/usr/bin/env bash
# Screenshots of the record wizard: every page for a video and for a picture, shown by the
# wizard test program under Xvfb with openbox, saved as PNG files into OUTDIR.
#   tools/screenshots/wizard.sh OUTDIR        (BUILD_DIR=build by default)
set -euo pipefail
out=$(realpath -m "${1:?usage: wizard.sh OUTDIR}")
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
mkdir -p "$out"
cmake --build "$build" --target tess_wizard_tests -j2 >/dev/null

tmp=$(mktemp -d /tmp/tess-shots.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_STATE_HOME="$tmp/state"
export XDG_RUNTIME_DIR="$tmp/runtime" HOME="$tmp/home"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export NO_AT_BRIDGE=1 GTK_A11Y=none TESS_SCREENSHOT_DIR="$out"

xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    "$0" --gtest_filter="WizardWindows.Screenshots" 2>&1 | grep -E "^\[|shot"
    kill $wm' "$build/tests/tess_wizard_tests"
ls "$out"
