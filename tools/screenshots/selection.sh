#!/usr/bin/env bash
# Screenshots of the selection window choosing a rectangle (the dimmed surroundings, the size
# label, the help line; at the screen's corner the label moves inside) on a 1920x1080 and a
# 3840x2160 screen, with what a drag's step costs to paint there (the "shot" lines).
#   selection.sh OUTDIR [BUILD_DIR]
set -euo pipefail
here=$(dirname "$0")
for screen in 1920x1080x24 3840x2160x24; do
    "$here/run-test-shots.sh" "${1:?usage: selection.sh OUTDIR [BUILD_DIR]}" "${2:-build}" \
        tess_snapshot_tests 'SelectRTest.Screenshots' "$screen"
done
