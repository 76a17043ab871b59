#!/bin/sh
# Renders every skin picture (data/skin/*.png) from its SVG source in data/skin/src/, and again at
# twice the size (NAME@2x.png) for screens scaled by 2.
# Needs: librsvg2-bin (rsvg-convert), imagemagick (identify), fonts-dejavu-core.
# Usage: ./render.sh            (run from anywhere)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
src="$here/src"

for tool in rsvg-convert identify; do
    command -v "$tool" >/dev/null 2>&1 || { echo "render.sh: '$tool' not found" >&2; exit 1; }
done
fc-list | grep -q "DejaVuSans-Bold.ttf" || echo "render.sh: warning: DejaVu Sans Bold not installed (apt-get install fonts-dejavu-core)" >&2

# name  width  height
pictures="
UserListTreeCtrl_onlineGroupIcon   16  16
UserListTreeCtrl_offlineGroupIcon  16  16
UserListTreeCtrl_freeIcon          16  16
UserListTreeCtrl_busyIcon          16  16
UserListTreeCtrl_offlineIcon       16  16
PopupDialog_titleBar              144  18
PopupDialog_styleBar_ONLINE       144  12
PopupDialog_styleBar_FREE         144  12
PopupDialog_profileImage          107  82
PopupDialog_contentPanel          150 150
SplashScreen_bitmap               400 250
Application_icon                   32  32
"

# render NAME SUFFIX WIDTH HEIGHT
render() {
    out="$here/$1$2.png"
    rsvg-convert --width "$3" --height "$4" --format png "$src/$1.svg" --output "$out.tmp"
    mv "$out.tmp" "$out"
    got=$(identify -format '%wx%h' "$out")
    [ "$got" = "${3}x${4}" ] || { echo "render.sh: $1$2.png is $got, wanted ${3}x${4}" >&2; exit 1; }
    echo "  $1$2.png  ${3}x${4}"
}

echo "$pictures" | while read -r name w h; do
    [ -n "$name" ] || continue
    render "$name" "" "$w" "$h"
    render "$name" "@2x" $((w * 2)) $((h * 2))
done
