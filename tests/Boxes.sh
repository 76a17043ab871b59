#!/bin/bash
# Boxes, met as a person meets them through a window manager: a data folder that can not be made
# is one line on stderr and no box of the toolkit's, a start-at-login folder that can not be made
# one line and the program's own box, a close of the main window asked for while a box is up
# is carried out once the box is answered, and SIGTERM ends the program under a context menu.
# Each case ends with exit status 0.
# usage: Boxes.sh BUILD [TIME_SCALE]   (run under xvfb-run; starts its own openbox)
set -u
build=$(cd "$1" && pwd)
scale=${2:-1}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
accounts=$(cd "$(dirname "$0")/../sitesim/data" && pwd)/accounts.txt
failed=0
check()
{
    if eval "$2"; then
        echo "ok   $1"
    else
        echo "FAIL $1"
        failed=1
    fi
}
# dialogs: how many windows of the program that are dialogs, not the main window or pop-ups, are on screen.
dialogs()
{
    local id count=0
    for id in $(xdotool search --onlyvisible --pid "$host" 2>/dev/null); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_NET_WM_WINDOW_TYPE_DIALOG' && count=$((count + 1))
    done
    echo "$count"
}
# start CASE: the program with settings and data of the case's own; sets host and main.
start()
{
    export XDG_CONFIG_HOME=$work/$1/config XDG_DATA_HOME=$work/$1/data
    mkdir -p "$XDG_DATA_HOME"
    splash=0 write_settings '[Update]' 'check=0'
    [ -n "${prepare:-}" ] && eval "$prepare"
    "$build/bin/Solvane" > "$work/$1.out" 2> "$work/$1.err" & host=$!; pids+=($host)
    main=""
    until_true 20 find_main
}
# ended_ok SECONDS: the program ends within the time, with status 0.
ended_ok()
{
    until_true "$1" host_ended || return 1
    wait "$host"
}

start_openbox || { echo "FAIL no window manager"; exit 1; }
start_site "$build/sitesim/sitesim" --population 40 --accounts "$accounts" || { echo "FAIL no site"; exit 1; }

# A file where the history's folder belongs: the folder can not be made.
prepare=': > "$XDG_DATA_HOME/solvane"' start unmade-folder
sleep $((2 * scale))
check "no toolkit box for a folder that can not be made" '[ "$(dialogs)" = 0 ]'
check "one line on stderr says why" '[ "$(wc -l < "$work/unmade-folder.err")" = 1 ] && grep -q "history is off" "$work/unmade-folder.err"'
menu_key f x
check "E&xit ends the program with status 0" 'ended_ok 2'

# A file where the start-at-login folder belongs, and "Start at login" ticked in the settings: the
# program's own box says why, and stderr one line.
prepare=': > "$XDG_CONFIG_HOME/autostart"' start unmade-autostart
menu_key t s
settings=""
find_settings() { settings=$(window '^Settings$'); [ -n "$settings" ]; }
until_true 10 find_settings
xdotool windowactivate --sync "$settings" key alt+l
sleep 0.3
xdotool key Return
boxes_up() { [ "$(dialogs)" = 2 ]; }
check "the program's own box says start at login failed" 'until_true 10 boxes_up'
xdotool key Return
check "one line on stderr says why" '[ "$(grep -c . "$work/unmade-autostart.err")" = 1 ] && grep -q "start at login" "$work/unmade-autostart.err"'
sleep 1
menu_key f x
check "E&xit ends the program with status 0" 'ended_ok 2'

# The login refused: "Could not login." is up when the window is closed; its OK ends the program.
start closed-under-box
login nobody wrong
box=""
find_box() { box=$(window '^Error$'); [ -n "$box" ]; }
check "the refused login's box is up" 'until_true 10 find_box'
wmctrl -c 'Solvane LoginChecker'
sleep 1
check "the window waits for the box" '! host_ended'
xdotool windowactivate --sync "$box" key Return
check "the close is carried out once the box is answered, status 0" 'ended_ok 2'

# A performer's context menu is up when SIGTERM comes: the menu goes and the program ends.
start term-under-menu
sleep 1
geometry "$main"
xdotool mousemove $((gx + gw / 2)) $((gy + gh / 3)) click 1 sleep 0.3 click 3
check "the context menu is up" 'until_true 5 menu_up'
kill -TERM "$host"
check "SIGTERM under the menu ends the program with status 0" 'ended_ok 2'

if [ "$failed" != 0 ]; then
    for out in "$work"/*.err; do echo "--- $out"; cat "$out"; done
fi
exit "$failed"
