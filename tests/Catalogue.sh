#!/bin/sh
# Every translatable text in the code has a Japanese translation (an untranslated or fuzzy one
# counts as missing), no skin picture has words of its own, and the committed template is the one
# the code gives.
set -u
root=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sh "$root/po/extract.sh" "$root" "$work/Solvane.pot" "$version" || exit 1
status=0
for lang in ja; do
    msgcmp "$root/po/$lang.po" "$work/Solvane.pot" || { echo "po/$lang.po lacks the texts above"; status=1; }
    msgfmt --check -o /dev/null "$root/po/$lang.po" || status=1
done
# Nor does a picture of the skin carry words, but the program's name: those the program draws
# over it come from the catalogue, in the user's language.
for svg in "$root"/data/skin/src/*.svg; do
    words=$(grep -o '<text[^>]*>[^<]*</text>' "$svg" | sed 's/<[^>]*>//g' | grep -vx 'Solvane')
    [ -z "$words" ] || { echo "${svg##*/} has words of its own:" $words; status=1; }
done
if ! diff -u "$root/po/Solvane.pot" "$work/Solvane.pot"; then
    echo "po/Solvane.pot is out of date: build the solvane_pot target"
    status=1
fi
exit $status
