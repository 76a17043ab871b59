#!/bin/sh
# Renders every skin picture (data/skin/*.png) from its SVG source in data/skin/src/.
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

echo "$pictures" | while read -r name w h; do
    [ -n "$name" ] || continue
    out="$here/$name.png"
    rsvg-convert --width "$w" --height "$h" --format png "$src/$name.svg" --output "$out.tmp"
    mv "$out.tmp" "$out"
    got=$(identify -format '%wx%h' "$out")
    [ "$got" = "${w}x${h}" ] || { echo "render.sh: $name.png is $got, wanted ${w}x${h}" >&2; exit 1; }
    echo "  $name.png  ${w}x${h}"
done
