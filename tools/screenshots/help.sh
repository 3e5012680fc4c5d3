#!/usr/bin/env bash
# Screenshots of the about box, a context-help pop-up and the help window, opened by the
# application tests' screenshot case under a private X server with openbox.
#   tools/screenshots/help.sh OUTDIR [BUILD_DIR]        (build by default)
exec "$(dirname "$0")/run-test-shots.sh" "${1:?usage: help.sh OUTDIR [BUILD_DIR]}" \
    "${2:-build}" tess_app_tests "HelpScreenshots.*" 1280x800x24
