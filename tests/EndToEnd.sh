#!/bin/bash
# The installed program as a person meets it, seen from outside through the window manager:
# the installed host against the installed simulated site, settings in a private folder.
# usage: EndToEnd.sh BUILD [TIME_SCALE]   (run under xvfb-run; starts its own openbox)
set -u
build=$1
scale=${2:-1}
work=$(mktemp -d)
pids=()
cleanup()
{
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail()
{
    echo "FAILED: $*"
    echo "--- host output"; cat "$work/host.out" 2>/dev/null
    echo "--- settings"; cat "$work/config/Messenger.conf" 2>/dev/null
    exit 1
}
# until SECONDS COMMAND...: runs COMMAND a few times a second until it succeeds.
until_true()
{
    local limit=$(( $1 * scale * 10 )); shift
    for ((i = 0; i < limit; ++i)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
# x y width height of a window, frame excluded, in screen coordinates.
geometry()
{
    eval "$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {print "gx=" $4} /Absolute upper-left Y/ {print "gy=" $4}
                                      /Width:/ {print "gw=" $2} /Height:/ {print "gh=" $2}')"
}

cmake --install "$build" --prefix "$work/usr" > /dev/null || fail "cmake --install"
export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
mkdir -p "$XDG_CONFIG_HOME"

openbox > /dev/null 2>&1 & pids+=($!)
until_true 10 wmctrl -m > /dev/null 2>&1 || fail "no window manager"

"$work/usr/bin/sitesim" --web 0 --image 0 --preview 0 --log \
    --accounts "$work/usr/share/solvane/demo-accounts.txt" > "$work/site.out" & pids+=($!)
until_true 10 grep -q '^sitesim: web' "$work/site.out" || fail "sitesim did not start"
read -r web image preview < <(sed -n 's|^sitesim: web http://\(.*\) image http://\(.*\) preview http://\(.*\)$|\1 \2 \3|p' "$work/site.out")
cat > "$XDG_CONFIG_HOME/Messenger.conf" <<CONF
[Site]
webserver=$web
imageserver=$image
previewserver=$preview
[System]
syncinterval=1
[SplashScreen]
duration=1
[Update]
check=0
CONF

"$work/usr/bin/solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)

# The main window, by its title, managed and of a usable size; the site's list reached it.
main=""
find_main() { main=$(window '^Solvane LoginChecker$'); [ -n "$main" ]; }
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
dialog=""
open_dialog()
{
    xdotool windowactivate --sync "$main" key --clearmodifiers alt+t 2>/dev/null
    sleep 0.3
    xdotool key u
    for ((j = 0; j < 10 * scale; ++j)); do
        dialog=$(window '^Authentication$'); [ -n "$dialog" ] && return 0
        sleep 0.1
    done
    xdotool key Escape Escape
    return 1
}
until_true 2 open_dialog || fail "no Authentication dialog"
xdotool windowactivate --sync "$dialog" type --delay 20 demo
xdotool key Tab type --delay 20 demo
xdotool key Return
until_true 10 grep -q '^web GET /loginchecker?username=demo&password=demo$' "$work/site.out" ||
    fail "the login never reached the site"
until_true 10 sh -c "! xdotool search --onlyvisible --name '^Authentication$' > /dev/null" || fail "dialog stayed"
# Logged in, the favourites filled: the command now asks the site again without a dialog.
logins() { [ "$(grep -c '^web GET /loginchecker?' "$work/site.out")" -ge "$1" ]; }
refresh()
{
    xdotool windowactivate --sync "$main" key --clearmodifiers alt+t 2>/dev/null
    sleep 0.3
    xdotool key u
    [ -z "$(window '^Authentication$')" ] || fail "asked for the account again"
    until_true 1 logins 2
}
until_true 3 refresh || fail "no second login after the first was accepted"

# Closed through the window manager: the program ends well and keeps the window's place.
wmctrl -i -c "$main"
host_ended() { ! kill -0 "$host" 2>/dev/null; }
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
