#!/bin/sh
# Makes one PNG showing the whole skin at a glance: every picture at 1x, the small
# icons also on white, on dark and magnified 4x, plus a pop-up put together from its parts.
# Needs: imagemagick (convert, montage), fonts-dejavu-core.
# Usage: ./contact_sheet.sh OUTPUT.png
set -eu

[ $# -eq 1 ] || { echo "usage: $0 OUTPUT.png" >&2; exit 2; }
out=$1
here=$(cd "$(dirname "$0")" && pwd)
for tool in convert montage; do
    command -v "$tool" >/dev/null 2>&1 || { echo "contact_sheet.sh: '$tool' not found" >&2; exit 1; }
done

font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[ -f "$font" ] || font=DejaVu-Sans
[ -f "$bold" ] || bold=DejaVu-Sans-Bold
sheet_bg="#E4E4E8"   # neutral, slightly cool grey
card_bg="#F4F4F6"
dark_bg="#2A2A30"

sections=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A small icon: 1x on white (as in the tree), 1x on dark, 1x on the sheet grey, then 4x.
icon_card() {
    name=$1
    png="$here/$name.png"
    w=$(convert "$png" -format '%w' info:)
    h=$(convert "$png" -format '%h' info:)
    pad=8
    convert \
        \( -size $((w + 2 * pad))x$((h + 2 * pad)) xc:white "$png" -gravity center -composite \) \
        \( -size $((w + 2 * pad))x$((h + 2 * pad)) xc:"$dark_bg" "$png" -gravity center -composite \) \
        \( -size $((w + 2 * pad))x$((h + 2 * pad)) xc:"$sheet_bg" "$png" -gravity center -composite \) \
        \( "$png" -filter point -resize 400% -background white -gravity center -extent $((w * 4 + 8))x$((h * 4 + 8)) \) \
        -background "$card_bg" -gravity northwest -splice 6x0 -gravity center +append -gravity northwest -chop 6x0 +repage \
        "$tmp/$2.png"
    caption "$tmp/$2.png" "$name"
}

# Writes the name under a card, centred, in the card's colour.
caption() {
    convert -background "$card_bg" "$1" \
        \( -font "$font" -pointsize 11 -fill "#303038" label:"$2" \) \
        -gravity center -splice 0x0 -gravity north -smush 6 +repage "$1"
}

# A larger picture at 1x, on the sheet's card colour.
picture_card() {
    cp "$here/$1.png" "$tmp/$2.png"
    caption "$tmp/$2.png" "$1"
}

# Section header + montage of the given cards.
section() {
    title=$1; tile=$2; shift 2
    montage "$@" -background "$card_bg" \
        -tile "$tile" -geometry '+14+10' -depth 8 "$tmp/body.png"
    convert -background "$sheet_bg" -fill "#4B3F9E" -font "$bold" -pointsize 15 \
        label:"$title" -gravity northwest -splice 14x10 \
        "$tmp/body.png" -append +repage "$tmp/section_$sections.png"
    sections=$((sections + 1))
}

# --- tree icons and application icon
icon_card UserListTreeCtrl_onlineGroupIcon  i1
icon_card UserListTreeCtrl_offlineGroupIcon i2
icon_card UserListTreeCtrl_freeIcon         i3
icon_card UserListTreeCtrl_busyIcon         i4
icon_card UserListTreeCtrl_offlineIcon      i5
icon_card Application_icon                  i6
section "Icons  (1x on white, dark, grey - then 4x)" 2x "$tmp"/i1.png "$tmp"/i2.png "$tmp"/i3.png "$tmp"/i4.png "$tmp"/i5.png "$tmp"/i6.png

# --- a mock tree on white, at 1x, as the list will look
tree="$tmp/tree.png"
convert -size 190x112 xc:white -font "$font" -pointsize 11 -fill "#1F1B3A" \
    "$here/UserListTreeCtrl_onlineGroupIcon.png"  -geometry +6+4    -composite -annotate +26+16  "Online (3)" \
    "$here/UserListTreeCtrl_freeIcon.png"         -geometry +24+22  -composite -annotate +44+34  "Mira_Lune" \
    "$here/UserListTreeCtrl_busyIcon.png"         -geometry +24+40  -composite -annotate +44+52  "Kat_Vega" \
    "$here/UserListTreeCtrl_freeIcon.png"         -geometry +24+58  -composite -annotate +44+70  "Ana_Sol" \
    "$here/UserListTreeCtrl_offlineGroupIcon.png" -geometry +6+76   -composite -annotate +26+88  "Offline (1)" \
    "$here/UserListTreeCtrl_offlineIcon.png"      -geometry +24+94  -composite -fill "#6E7480" -annotate +44+106 "Rosa_Red" \
    +repage "$tree"
caption "$tree" "tree at 1x (mock-up)"

# --- pop-up put together from its parts (150x150)
popup="$tmp/popup.png"
convert "$here/PopupDialog_contentPanel.png" \
    "$here/PopupDialog_titleBar.png"          -geometry +3+3   -composite \
    "$here/PopupDialog_styleBar_FREE.png"     -geometry +3+21  -composite \
    "$here/PopupDialog_profileImage.png"      -geometry +21+38 -composite \
    -font "$bold" -pointsize 11 -fill "#1F1B3A" -gravity south -annotate +0+8 "Mira_Lune" \
    +repage "$popup"
caption "$popup" "pop-up (mock-up)"
section "Mock-ups at 1x" 2x "$tree" "$popup"

# --- pop-up parts
picture_card PopupDialog_titleBar        p1
picture_card PopupDialog_styleBar_ONLINE p2
picture_card PopupDialog_styleBar_FREE   p3
picture_card PopupDialog_profileImage    p4
picture_card PopupDialog_contentPanel    p5
section "Pop-up parts at 1x" 3x "$tmp"/p1.png "$tmp"/p2.png "$tmp"/p3.png "$tmp"/p4.png "$tmp"/p5.png

# --- splash
picture_card SplashScreen_bitmap s1
section "Splash at 1x" 1x "$tmp"/s1.png

convert -background "$sheet_bg" "$tmp"/section_[0-9].png \
    -gravity northwest -splice 0x8 -append \
    -bordercolor "$sheet_bg" -border 12 +repage -depth 8 "$out"
echo "contact sheet written to $out"
