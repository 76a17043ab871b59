#!/bin/bash
# The pop-up window as a person meets it, through openbox and a real notification area that
# reserves no room: the column starts above the icon, a click on the close mark sends a pop-up away
# at once and the next takes its slot, the context menu holds a pop-up past its time, "Never pop
# up" is stored and closes the pop-up, and the pause chosen there reaches the main window.
# usage: PopupWindow.sh BUILD [TIME_SCALE]   (run under xvfb-run; starts its own openbox and trayer)
set -u
build=$(cd "$1" && pwd)
scale=${2:-1}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
fail() { echo "FAILED: $*"; cat "$work/host.out" "$XDG_CONFIG_HOME/Messenger.conf" 2>/dev/null; exit 1; }
export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL= BROWSER=true
duration=$((6 * scale))
start_openbox && start_trayer false || fail "no window manager or notification area"
start_site "$build/sitesim/sitesim" || fail "sitesim did not start"
write_settings '[Update]' 'check=0' '[PopupDialog]' "duration=$duration"
"$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
until_true 20 find_icon || fail "no icon in the notification area"
# A pop-up placed before the icon docked may cover it: only those that come after are judged.
early=" $(xdotool search --name '^Popup$' 2>/dev/null | tr '\n' ' ')"
# lowest: sets popup (and px py pw ph) to the lowest pop-up on screen.
lowest()
{
    local id best=-1
    for id in $(xdotool search --onlyvisible --name '^Popup$' 2>/dev/null); do
        geometry "$id"
        if [ "$gy" -gt "$best" ]; then best=$gy; popup=$id; px=$gx; py=$gy; pw=$gw; ph=$gh; fi
    done
    [ "$best" -ge 0 ]
}
fresh() { lowest && case $early in *" $popup "*) false;; esac; }
until_true 30 fresh || fail "no pop-up came"
geometry "$icon"
[ $((px + pw)) -le "$gx" ] || [ $((py + ph)) -le "$gy" ] || [ "$px" -ge $((gx + gw)) ] || [ "$py" -ge $((gy + gh)) ] ||
    fail "the pop-up at $px,$py ${pw}x$ph covers the icon at $gx,$gy ${gw}x$gh"
slot="$px $py"
gone() { ! is_shown "$popup"; }
# next WHAT: the pop-up after this one, in the same slot; its context menu up when WHAT is "menu".
next()
{
    local closed=$popup
    next_in_slot() { lowest && [ "$popup" != "$closed" ] && [ "$px $py" = "$slot" ]; }
    until_true 10 next_in_slot || fail "no pop-up took the freed slot"
    [ "$1" = menu ] || return 0
    xdotool mousemove --window "$popup" 75 79 click 3
    until_true 5 menu_up || fail "a right click on the pop-up showed no menu"
}

# The close mark: the red light at the right end of the title strip.
xdotool mousemove --window "$popup" $((pw - 12)) 10 click 1
until_true 1 gone || fail "a click on the close mark did not close the pop-up"
next menu
shown_ms=$(now_ms)
while [ $(( $(now_ms) - shown_ms )) -le $(( (duration + 1) * 1000 )) ]; do sleep 0.2; done
is_shown "$popup" || fail "the pop-up closed under its menu"
xdotool key Escape
until_true 2 gone || fail "the pop-up stayed after its menu ended past its time"
next menu
xdotool key n
until_true 2 gone || fail "\"Never pop up\" left the pop-up on screen"
grep -q '^never=[^,]\+,$' "$XDG_CONFIG_HOME/Messenger.conf" || fail "\"Never pop up\" was not stored"
# The main window stores the pause. "&Always" takes the first press of its letter, "P&ause" the second.
next menu
xdotool key --delay 150 a h
until_true 2 grep -q '^pausedUntil=[0-9]\+$' "$XDG_CONFIG_HOME/Messenger.conf" || fail "the pause was not stored"

main=""
until_true 10 find_main || fail "no main window"
menu_key f x
until_true 10 host_ended || fail "the host did not end"
wait "$host" || fail "the host ended with $?"
said=$(toolkit_said "$work/host.out") && fail "the program said: $said"
exit 0
