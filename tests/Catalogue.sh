#!/bin/sh
# Every translatable text in the code has a Japanese translation (an untranslated or fuzzy one
# counts as missing), and the committed template is the one the code gives.
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
if ! diff -u "$root/po/Solvane.pot" "$work/Solvane.pot"; then
    echo "po/Solvane.pot is out of date: build the solvane_pot target"
    status=1
fi
exit $status
