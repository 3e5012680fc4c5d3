#!/usr/bin/env bash
# Screenshot of "Copy Text"'s progress window (shown while a long page is read), taken by the
# snapshot suite's text-capture test under Xvfb with openbox. The menus with the new items:
# menus.sh; the Image page's "Text language" and the HotKey page's fourth key: preferences.sh.
#   text.sh OUTDIR [BUILD_DIR]        (a build with the tests, build-test by default)
exec "$(dirname "$0")/run-test-shots.sh" "${1:?usage: text.sh OUTDIR [BUILD_DIR]}" \
    "${2:-${BUILD_DIR:-build-test}}" tess_snapshot_tests \
    "TextCaptureTest.CopyTextReadsTheDisplayedPictureAndCancelStopsIt"
