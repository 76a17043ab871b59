#!/bin/bash
# The program on GNOME's compositor (mutter, headless), seen from outside. With WAYLAND_DISPLAY and
# DISPLAY both set and GDK_BACKEND unset, as on GNOME, it runs through XWayland: the main window and
# six pop-ups are X11 windows, the pop-ups notifications standing apart at the right edge. With
# GDK_BACKEND=wayland, or no X display at all, it runs on Wayland, says once that pop-ups can not
# be placed there, and keeps no window place. All end as they should, without a word from the
# toolkit.
# usage: GnomeDesktop.sh BUILD [TIME_SCALE]   (run inside dbus-run-session; starts its own mutter)
set -u
build=$(cd "$1" && pwd)
scale=${2:-1}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
fail()
{
    echo "FAILED: $*"
    echo "--- host output"; cat "$work/host.out" 2>/dev/null
    echo "--- compositor"; tail -5 "$work/mutter.out" 2>/dev/null
    exit 1
}

unset DISPLAY WAYLAND_DISPLAY GDK_BACKEND XAUTHORITY
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
mkdir -m 700 "$XDG_RUNTIME_DIR"
accounts=$(cd "$(dirname "$0")/../sitesim/data" && pwd)/accounts.txt
start_site "$build/sitesim/sitesim" --accounts "$accounts" || fail "sitesim did not start"
# Pop-ups stay long enough for the column to fill.
write_settings '[Update]' 'check=0' '[PopupDialog]' 'duration=60'

# GNOME as it is: Wayland with XWayland beside it.
start_mutter || fail "mutter did not start with XWayland"
"$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
main=""
until_true 20 find_main || fail "no main window among the X11 windows"
# column: true when six pop-ups are on screen, each at the right edge, none over another.
column()
{
    local id tops=""
    popups=0
    for id in $(xdotool search --onlyvisible --name '^Popup$' 2> /dev/null); do
        geometry "$id"
        [ $((gx + gw)) -eq 1280 ] || { placed="${gx},${gy} ${gw}x$gh is not at the right edge"; return 1; }
        tops="$tops $gy"
        popups=$((popups + 1))
        popup=$id
    done
    [ "$popups" -ge 6 ] || { placed="$popups pop-ups"; return 1; }
    placed=$(echo "$tops" | tr ' ' '\n' | sed '/^$/d' | sort -n | awk 'NR > 1 && $1 - last < 150 {print "overlapping at " $1} {last = $1}')
    [ -z "$placed" ]
}
until_true 30 column || fail "no column of six pop-ups at the right edge: ${placed:-}"
xprop -id "$popup" _NET_WM_WINDOW_TYPE WM_HINTS > "$work/popup.props"
grep -q '_NET_WM_WINDOW_TYPE_NOTIFICATION$' "$work/popup.props" && grep -q 'input focus: False' "$work/popup.props" ||
    { cat "$work/popup.props"; fail "the pop-up is no notification"; }
wmctrl -i -c "$main"
until_true 10 host_ended || fail "the host did not end through XWayland"
wait "$host"; code=$?
[ "$code" -eq 0 ] || fail "the host ended with $code through XWayland"
said=$(toolkit_said "$work/host.out") && fail "the program said through XWayland: $said"
grep -q 'place their windows' "$work/host.out" && fail "placement said to be impossible through XWayland"

# on_wayland HOW [ENV...]: the program on Wayland, seen through its requests to the site (no X11
# window shows it); ended by a polite kill. It says once that pop-ups can not be placed and keeps
# no place.
asked() { grep -c '^web GET /include/js/online_performers.js' "$work/site.out"; }
on_wayland()
{
    local how=$1 before
    shift
    before=$(asked)
    env "$@" "$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
    until_true 20 eval '[ "$(asked)" -gt "$before" ]' || fail "the program did not run $how"
    [ -z "$(window '^Solvane LoginChecker$')" ] || fail "an X11 window $how"
    kill -TERM "$host"
    until_true 10 host_ended || fail "the host did not end $how"
    wait "$host"; code=$?
    [ "$code" -eq 0 ] || fail "the host ended with $code $how"
    [ "$(grep -c 'place their windows' "$work/host.out")" -eq 1 ] || fail "not said once $how that pop-ups can not be placed"
    said=$(toolkit_said "$work/host.out") && fail "the program said $how: $said"
    for key in x y; do
        sed -n '/^\[MainFrame\]/,/^\[/p' "$XDG_CONFIG_HOME/Messenger.conf" | grep -q "^$key=-1$" ||
            fail "a place kept $how: $(grep -A4 '^\[MainFrame\]' "$XDG_CONFIG_HOME/Messenger.conf" | tr '\n' ' ')"
    done
}
# The user's own choice stands.
on_wayland "with GDK_BACKEND=wayland" GDK_BACKEND=wayland
kill "$mutter"; wait "$mutter"

# Wayland alone: no X display anywhere.
start_mutter --no-x11 || fail "mutter did not start"
on_wayland "on Wayland alone"
echo "GNOME: main window and $popups pop-ups through XWayland at the right edge; Wayland by choice and alone said so once, no place kept"
exit 0
