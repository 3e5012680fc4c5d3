#!/usr/bin/env bash
# Screenshots of the record wizard: every page for a video and for a picture, shown by the
# wizard test program under Xvfb with openbox, saved as PNG files into OUTDIR.
#   tools/screenshots/wizard.sh OUTDIR [BUILD_DIR]        (build by default)
exec "$(dirname "$0")/run-test-shots.sh" "${1:?usage: wizard.sh OUTDIR [BUILD_DIR]}" \
    "${2:-${BUILD_DIR:-build}}" tess_wizard_tests "WizardWindows.EveryPageLaysOutItsControlsInsideInEnglishGermanAndJapanese"
