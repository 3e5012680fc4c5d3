#!/usr/bin/env bash
# Screenshots of the picture editor with each tool used once (arrow, line, rectangle, ellipse,
# pen, marker, two steps, solid and mosaic redactions, typed text, a selection, a crop), made
# by the snapshot tests' screenshot case under a private X server with openbox.
#   tools/screenshots/annotate.sh OUTDIR [BUILD_DIR]        (build by default)
exec "$(dirname "$0")/run-test-shots.sh" "${1:?usage: annotate.sh OUTDIR [BUILD_DIR]}" \
    "${2:-build}" tess_snapshot_tests "EditorScreenshots.*" 1280x800x24
