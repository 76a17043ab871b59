#!/bin/sh
# Extracts the translatable texts of the sources under ROOT/src into the template OUT.
# Places are kept to the file and the creation date is dropped, so that the committed
# template only changes when a text does.
set -eu
root=$1
out=$2
version=${3:-}
cd "$root"
find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort > "$out.files"
xgettext --from-code=UTF-8 --language=C++ --keyword=_ --keyword=wxTRANSLATE --keyword=wxPLURAL:1,2 \
    --add-location=file --sort-by-file --package-name=Solvane --package-version="$version" \
    --files-from="$out.files" --output="$out.tmp"
rm -f "$out.files"
sed -e '/^"POT-Creation-Date:/d' "$out.tmp" > "$out"
rm -f "$out.tmp"
