#!/usr/bin/env bash
# Writes the message template of the program's texts (po/tessaray.pot, or the file given) from
# the sources, the desktop entry and the metainfo. With --merge, brings every po/LANG.po up to
# date with it afterwards (msgmerge: new texts come in untranslated, changed ones fuzzy).
# The build target `tess_pot` runs it with --merge.
set -euo pipefail
cd "$(dirname "$0")/.."
out=po/tessaray.pot
merge=0
for a in "$@"; do
    case "$a" in
    --merge) merge=1 ;;
    *) out=$a ;;
    esac
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The program's sources, not the tests, benchmarks, fuzz targets or tools.
git ls-files -- '*.cpp' '*.h' | grep -v -E '^(tests|bench|fuzz|tools)/' | LC_ALL=C sort >"$tmp/files"
xgettext --from-code=UTF-8 --language=C++ --force-po --sort-by-file \
    --keyword=_ --keyword=wxPLURAL:1,2 --keyword=wxTRANSLATE --keyword=Tr --keyword=TrN:1,2 \
    --keyword=N_ --keyword=wxGETTEXT_IN_CONTEXT:1c,2 --keyword=TrC:1c,2 \
    --flag=Tr:1:pass-c-format --flag=_:1:pass-c-format \
    --add-comments=TRANSLATORS: --package-name=Tessaray --package-version=1 \
    --msgid-bugs-address=tessaray@quorvanta.invalid --copyright-holder=Quorvanta \
    --files-from="$tmp/files" -o "$tmp/code.pot"
xgettext --from-code=UTF-8 --language=Desktop --force-po --omit-header \
    --keyword= --keyword=Name --keyword=GenericName --keyword=Comment --keyword=Keywords \
    resources/desktop/tessaray.desktop -o "$tmp/desktop.pot"
xgettext --from-code=UTF-8 --force-po --omit-header --its=/usr/share/gettext/its/metainfo.its \
    resources/desktop/tessaray.metainfo.xml -o "$tmp/metainfo.pot"
msgcat --use-first "$tmp/code.pot" "$tmp/desktop.pot" "$tmp/metainfo.pot" \
    | sed -e '/^"POT-Creation-Date:/d' >"$tmp/all.pot"
# The same header every time, so that the template changes only with the texts.
sed -e 's/^"Content-Type: text\/plain; charset=CHARSET\\n"/"Content-Type: text\/plain; charset=UTF-8\\n"/' \
    "$tmp/all.pot" >"$out"
if [ "$merge" = 1 ]; then
    for po in po/*.po; do
        [ -e "$po" ] || continue
        msgmerge --quiet --update --backup=none --previous "$po" "$out"
    done
fi
