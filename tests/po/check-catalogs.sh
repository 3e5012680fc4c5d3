#!/usr/bin/env bash
# The catalogs against the sources (run by CTest as po/...):
#   check-catalogs.sh template     po/tessaray.pot holds exactly the texts the sources mark (a new
#                                  text not in it, or an entry no source has any more, fails)
#   check-catalogs.sh LANG         po/LANG.po translates every text of the template, nothing
#                                  fuzzy, placeholders checked (msgfmt --check), and each term of
#                                  po/glossary/LANG.txt the same way wherever it occurs
set -uo pipefail
cd "$(dirname "$0")/../.."
export LC_ALL=C.UTF-8
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

# Entries without their places in the sources, sorted, header left out.
entries() { msgcat --no-location --sort-output --no-wrap "$1" | sed -e '1,/^$/d'; }

if [ "$1" = template ]; then
    tools/update-pot.sh "$tmp/sources.pot" || exit 1
    if ! diff -u <(entries po/tessaray.pot) <(entries "$tmp/sources.pot") >"$tmp/diff"; then
        echo "po/tessaray.pot does not match the texts the sources mark ('-' only in the template," \
             "'+' only in the sources); run tools/update-pot.sh --merge (or the tess_pot target):"
        cat "$tmp/diff"
        exit 1
    fi
    exit 0
fi

lang=$1
po=po/$lang.po
stats=$(msgfmt --check --statistics -o /dev/null "$po" 2>&1) || { echo "$stats"; fail=1; }
case "$stats" in
*fuzzy* | *untranslated*) echo "$po: $stats"; fail=1 ;;
esac
# Every text of the template is there, translated and not fuzzy.
msgcmp "$po" po/tessaray.pot || fail=1
# Nothing in the catalog that the template no longer has (kept as obsolete "#~" entries).
if [ -n "$(msgattrib --only-obsolete "$po")" ]; then
    echo "$po keeps entries the template no longer has (msgattrib --no-obsolete)"
    fail=1
fi
# The glossary: "ENGLISH-REGEX<TAB>TRANSLATION-REGEX" lines (POSIX extended regular expressions;
# case counts, so a pattern spells both where both occur: "[Ss]napshot"). Every message whose
# English text has the term must have the translation.
glossary=po/glossary/$lang.txt
if [ ! -s "$glossary" ]; then
    echo "$glossary is missing"
    fail=1
else
    while IFS=$'\t' read -r term want; do
        case "$term" in '' | '#'*) continue ;; esac
        if ! msggrep --no-wrap --msgid -E -e "$term" "$po" >"$tmp/with" ||
            ! msggrep --no-wrap --msgstr -E -v -e "$want" "$tmp/with" >"$tmp/odd0"; then
            echo "$glossary: cannot search for \"$term\" / \"$want\""
            fail=1
            continue
        fi
        sed -e '1,/^$/d' "$tmp/odd0" >"$tmp/odd"
        if [ -s "$tmp/odd" ]; then
            echo "$po: \"$term\" is not translated as \"$want\" in:"
            cat "$tmp/odd"
            fail=1
        fi
    done <"$glossary"
fi
exit $fail
