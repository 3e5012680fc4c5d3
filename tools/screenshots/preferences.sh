#!/usr/bin/env bash
# Screenshots of the preferences: every page of the "Options" sheet, the "Capture Effects
# Options" sheet and the "Event" dialog, shown by the preferences test program under Xvfb
# with openbox, saved as PNG files into OUTDIR.
#   tools/screenshots/preferences.sh OUTDIR [BUILD_DIR]        (build by default)
exec "$(dirname "$0")/run-test-shots.sh" "${1:?usage: preferences.sh OUTDIR [BUILD_DIR]}" \
    "${2:-${BUILD_DIR:-build}}" tess_preferences_tests "Screenshots.*"
