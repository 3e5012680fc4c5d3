#!/usr/bin/env bash
# Every screenshot script, each into its own folder under OUTDIR.
#   tools/screenshots/all.sh OUTDIR [BUILD_DIR]        (build by default)
set -euo pipefail
out=$(realpath -m "${1:?usage: all.sh OUTDIR [BUILD_DIR]}")
here=$(dirname "$0")
build=$(realpath -m "${2:-$here/../../build}")
for area in preferences wizard help display menus selection annotate text; do
    "$here/$area.sh" "$out/$area" "$build"
done
