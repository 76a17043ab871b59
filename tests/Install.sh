#!/bin/sh
# Installs the build into a fresh prefix and starts the installed host through its link on
# PATH: it must find its module, its skin and its Japanese catalogue from there.
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > "$prefix/install.log" || { cat "$prefix/install.log"; exit 1; }
status=0
# The program's folder: lib/ARCH/solvane where the build knows its multiarch name.
lib=$(cd "$prefix" && ls -d lib/*/solvane lib/solvane 2>/dev/null | head -1)
for file in bin/solvane bin/sitesim $lib/Solvane $lib/Solvane.so $lib/Solvane.skin $lib/Solvane.no-self-update \
        $lib/ja/LC_MESSAGES/Solvane.mo share/applications/solvane.desktop share/man/man1/solvane.1.gz \
        share/doc/solvane/copyright share/metainfo/org.example.solvane.metainfo.xml \
        share/icons/hicolor/32x32/apps/solvane.png share/solvane/demo-accounts.txt; do
    [ -e "$prefix/$file" ] || { echo "missing: $file"; status=1; }
done
mkdir -p "$prefix/config"
out=$(cd / && PATH="$prefix/bin:/usr/bin:/bin" XDG_CONFIG_HOME="$prefix/config" LANG=ja_JP.UTF-8 \
      LANGUAGE= LC_ALL= LC_MESSAGES= solvane --probe 2>&1)
code=$?
expected="vendor=Tavelo app=Messenger
skin=yes catalogue=ja"
if [ $code -ne 0 ] || [ "$out" != "$expected" ]; then
    echo "the installed host ended with $code and wrote:"; echo "$out"
    status=1
fi
"$prefix/bin/sitesim" --help > /dev/null || { echo "the installed sitesim does not start"; status=1; }
exit $status
