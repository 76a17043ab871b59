#!/bin/sh
# The Debian package as Debian would judge it: lintian finds no error or warning in a freshly made
# .deb, the AppStream metainfo and the desktop entry validate, and the manual pages format cleanly.
# A tool that is not installed is said and its check skipped.
# usage: Package.sh BUILD SOURCE
set -u
build=$1
source=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
have() { command -v "$1" > /dev/null || { echo "skipped: $1 is not installed"; return 1; }; }

if have lintian; then
    (cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
    report=$(lintian --fail-on none "$out"/*.deb 2>&1 | grep -v 'running with root privileges')
    [ -z "$report" ] || { echo "lintian:"; echo "$report"; status=1; }
fi
if have appstreamcli; then
    appstreamcli validate --no-net "$source/packaging/solvane.metainfo.xml" || status=1
fi
if have desktop-file-validate; then
    report=$(desktop-file-validate "$source/packaging/solvane.desktop")
    [ -z "$report" ] || { echo "desktop-file-validate: $report"; status=1; }
fi
for page in "$source"/packaging/*.1; do
    report=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$report" ] || { echo "$page: $report"; status=1; }
done
exit $status
