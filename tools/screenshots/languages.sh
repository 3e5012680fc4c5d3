#!/usr/bin/env bash
# Every screenshot script again in German and in Japanese (the main window, its menus, each
# Options page, the wizard, the picture editor...), each language into a folder of its own.
#   tools/screenshots/languages.sh OUTDIR [BUILD_DIR] [LANG...]   (de_DE.UTF-8 ja_JP.UTF-8)
set -euo pipefail
out=$(realpath -m "${1:?usage: languages.sh OUTDIR [BUILD_DIR] [LANG...]}")
here=$(dirname "$0")
build=$(realpath -m "${2:-$here/../../build}")
shift $(($# > 1 ? 2 : 1))
langs=("$@")
[ ${#langs[@]} -gt 0 ] || langs=(de_DE.UTF-8 ja_JP.UTF-8)
for lang in "${langs[@]}"; do
    (unset LANGUAGE LC_ALL LC_MESSAGES; export LANG=$lang; "$here/all.sh" "$out/${lang%%.*}" "$build")
done
