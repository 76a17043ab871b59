#!/bin/bash
# The installed program as a person meets it, seen from outside through the window manager:
# the installed host against the installed simulated site, settings in a private folder.
# usage: EndToEnd.sh BUILD [TIME_SCALE]   (run under xvfb-run; starts its own openbox)
set -u
build=$1
scale=${2:-1}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
fail()
{
    echo "FAILED: $*"
    echo "--- host output"; cat "$work/host.out" 2>/dev/null
    echo "--- settings"; cat "$work/config/Messenger.conf" 2>/dev/null
    exit 1
}

cmake --install "$build" --prefix "$work/usr" > /dev/null || fail "cmake --install"
export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
mkdir -p "$XDG_CONFIG_HOME"

start_openbox || fail "no window manager"
start_site "$work/usr/bin/sitesim" --accounts "$work/usr/share/solvane/demo-accounts.txt" || fail "sitesim did not start"
write_settings '[Update]' 'check=0'

"$work/usr/bin/solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)

# The main window, by its title, managed and of a usable size; the site's list reached it.
main=""
until_true 20 find_main || fail "no main window"
geometry "$main"
[ "$gw" -ge 100 ] && [ "$gh" -ge 200 ] || fail "main window is ${gw}x$gh"
until_true 10 grep -q '^web GET /.*' "$work/site.out" || fail "the list was never asked for"

# Somebody the site brings online pops up at the bottom right of the screen.
read -r sw sh < <(xdotool getdisplaygeometry)
# Several may be up at once, stacked upwards: the lowest one sits in the corner.
popupAt=""
lowest_popup()
{
    local id best=-1
    for id in $(xdotool search --onlyvisible --name '^Popup$' 2>/dev/null); do
        geometry "$id"
        if [ "$gy" -gt "$best" ]; then best=$gy; popupAt="${gx},${gy} ${gw}x${gh}"; px=$gx; py=$gy; pw=$gw; ph=$gh; fi
    done
    [ "$best" -ge 0 ]
}
in_corner()
{
    lowest_popup && [ $((sw - px - pw)) -ge 0 ] && [ $((sw - px - pw)) -le 40 ] && [ $((sh - py - ph)) -ge 0 ] &&
        [ $((sh - py - ph)) -le 80 ]
}
until_true 20 in_corner || fail "no pop-up in the bottom right corner (lowest: ${popupAt:-none}) of ${sw}x${sh}"

# "&UpdateFavorite" from the keyboard, the demo account typed into the dialog.
login demo demo || fail "no Authentication dialog"
until_true 10 grep -q '^web GET /loginchecker?username=demo&password=demo$' "$work/site.out" ||
    fail "the login never reached the site"
until_true 10 sh -c "! xdotool search --onlyvisible --name '^Authentication$' > /dev/null" || fail "dialog stayed"
# Logged in, the favourites filled: the command now asks the site again without a dialog.
logins() { [ "$(grep -c '^web GET /loginchecker?' "$work/site.out")" -ge "$1" ]; }
refresh()
{
    menu_key t u
    [ -z "$(window '^Authentication$')" ] || fail "asked for the account again"
    until_true 1 logins 2
}
until_true 3 refresh || fail "no second login after the first was accepted"

# Closed through the window manager: the program ends well and keeps the window's place.
wmctrl -i -c "$main"
until_true 20 host_ended || fail "the host did not end"
wait "$host"; code=$?
[ "$code" -eq 0 ] || fail "the host ended with $code"
for key in x y width height; do
    sed -n '/^\[MainFrame\]/,/^\[/p' "$XDG_CONFIG_HOME/Messenger.conf" | grep -q "^$key=" || fail "no /MainFrame/$key"
done
grep -q '^favorites=' "$XDG_CONFIG_HOME/Messenger.conf" && fail "/favorites left behind"
grep -q '^id=demo$' "$XDG_CONFIG_HOME/Messenger.conf" || fail "the account was not kept"
echo "end to end: pop-up at $popupAt on ${sw}x${sh}, logged in, ended with 0"
exit 0
