#!/bin/bash
# The installed program as a person meets it, seen from outside through the window manager and a
# real notification area: the installed host against the installed simulated site, settings in a
# private folder.
# usage: EndToEnd.sh BUILD [TIME_SCALE]   (run under xvfb-run; starts its own openbox and trayer)
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
mkdir -p "$XDG_CONFIG_HOME/gtk-3.0"
# The double-click time, written down: two clicks further apart than this are two single clicks.
double_click_ms=300
printf '[Settings]\ngtk-double-click-time=%s\n' "$double_click_ms" > "$XDG_CONFIG_HOME/gtk-3.0/settings.ini"
# The desktop's browser writes down the pages it is asked to open.
export BROWSER=$work/browser
printf '#!/bin/sh\necho "$1" >> "%s"\necho "GDK_GL=${GDK_GL-unset}" >> "%s"\n' "$work/pages" "$work/browser.env" > "$BROWSER"
chmod +x "$BROWSER"

start_openbox || fail "no window manager"
start_trayer || fail "no notification area"
start_site "$work/usr/bin/sitesim" --accounts "$work/usr/share/solvane/demo-accounts.txt" || fail "sitesim did not start"
write_settings '[Update]' 'check=0'

"$work/usr/bin/solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)

# The main window, by its title, managed and of a usable size; the site's list reached it.
main=""
until_true 20 find_main || fail "no main window"
geometry "$main"
[ "$gw" -ge 100 ] && [ "$gh" -ge 200 ] || fail "main window is ${gw}x$gh"
until_true 10 grep -q '^web GET /.*' "$work/site.out" || fail "the list was never asked for"
# A dock matches the window to the installed menu entry by its class.
entry_class=$(sed -n 's/^StartupWMClass=//p' "$work/usr/share/applications/solvane.desktop")
[ -n "$entry_class" ] || fail "the menu entry names no window class"
xprop -id "$main" WM_CLASS | grep -q "= \"solvane\", \"$entry_class\"\$" ||
    fail "window class $(xprop -id "$main" WM_CLASS) is not the entry's $entry_class"

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
# Its title and style strips run to its right edge: their blue there, not the window's white.
for row in 9 24; do
    read -r r g b < <(import -window root -crop "1x1+$((px + pw - 2))+$((py + row))" -depth 8 txt:- |
                      sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1 \2 \3/p')
    [ $((${b:-0} - ${g:-0})) -gt 60 ] || fail "the pop-up's strip at row $row ends short of its right edge ($r,$g,$b there)"
done

# Pop-ups are notifications: they come while another program holds the focus and leave it there,
# also when one is clicked, and a click on the picture still opens the performer's page.
xmessage -name solvane-typing "Somebody types here." & typist=$!; pids+=($typist)
find_typing() { typing=$(xdotool search --classname '^solvane-typing$' 2>/dev/null | head -1); [ -n "$typing" ]; }
until_true 10 find_typing || fail "the other program did not start"
xdotool windowactivate --sync "$typing"
seen=" $(xdotool search --name '^Popup$' 2>/dev/null | tr '\n' ' ')"
new_popup()
{
    local id
    for id in $(xdotool search --onlyvisible --name '^Popup$' 2>/dev/null); do
        case $seen in *" $id "*) ;; *) popup=$id; return 0;; esac
    done
    return 1
}
until_true 20 new_popup || fail "no pop-up came while another program had the focus"
[ "$(xdotool getwindowfocus)" = "$typing" ] || fail "a pop-up took the focus"
xprop -id "$popup" _NET_WM_WINDOW_TYPE _NET_WM_STATE WM_HINTS > "$work/popup.props"
for said in '_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_NOTIFICATION$' '_NET_WM_STATE_SKIP_TASKBAR' \
        '_NET_WM_STATE_SKIP_PAGER' '_NET_WM_STATE_ABOVE' 'accepts input or input focus: False'; do
    grep -q "$said" "$work/popup.props" || { cat "$work/popup.props"; fail "the pop-up's properties lack $said"; }
done
# The picture sits below the two strips, in the middle.
xdotool mousemove --window "$popup" 75 79 click 1
until_true 10 grep -q "/preview.shtml?" "$work/pages" 2>/dev/null || fail "a click on the picture opened no page"
# Nothing here draws with OpenGL: the system's GL driver stays unloaded, and the browser does
# not inherit the setting that keeps it so.
grep -q 'libGLX_mesa\|swrast_dri' "/proc/$host/maps" && fail "the program loaded a GL driver"
[ "$(sort -u "$work/browser.env")" = "GDK_GL=unset" ] || fail "the browser was started with $(sort -u "$work/browser.env")"
[ "$(xdotool getwindowfocus)" = "$typing" ] || fail "a click on a pop-up took the focus"
kill "$typist"

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

# The notification area as a person uses it: minimised, the window lives on as the icon; a double
# click brings it back, a single click hides it and the next one shows it; the icon's menu ends the
# program, its item chosen with the keyboard.
until_true 10 find_icon || fail "no icon in the notification area"
xdotool windowminimize "$main"
until_true 5 eval '! is_shown "$main"' || fail "minimising did not hide the window"
# wait_after MS: until MS milliseconds have passed since the last click on the icon was sent (a
# busy machine may send it well after the command began).
wait_after() { while [ $(( $(now_ms) - clicked_ms )) -le "$1" ]; do sleep 0.05; done; }
click_icon 1 2
clicked_ms=$(now_ms)
until_true 5 is_shown "$main" || fail "a double click on the icon did not bring the window back"
# Both clicks of the pair have been handled once twice the time for a pair is over.
wait_after $((double_click_ms * 2))
is_shown "$main" || fail "a double click on the icon hid the window again"
click_icon 1
clicked_ms=$(now_ms)
until_true 5 eval '! is_shown "$main"' || fail "a click on the icon did not hide the window"
# The next click is not the second of a double click.
wait_after $((double_click_ms * 2))
click_icon 1
until_true 5 is_shown "$main" || fail "a second click on the icon did not show the window"
click_icon 3
until_true 5 menu_up || fail "a right click on the icon showed no menu"
xdotool key x
until_true 20 host_ended || fail "the host did not end"
wait "$host"; code=$?
[ "$code" -eq 0 ] || fail "the host ended with $code"
for key in x y width height; do
    sed -n '/^\[MainFrame\]/,/^\[/p' "$XDG_CONFIG_HOME/Messenger.conf" | grep -q "^$key=" || fail "no /MainFrame/$key"
done
grep -q '^favorites=' "$XDG_CONFIG_HOME/Messenger.conf" && fail "/favorites left behind"
grep -q '^id=demo$' "$XDG_CONFIG_HOME/Messenger.conf" || fail "the account was not kept"
# Nothing for a person to see on the terminal.
said=$(toolkit_said "$work/host.out") && fail "the program said: $said"
echo "end to end: pop-up at $popupAt on ${sw}x${sh}, focus kept, logged in, tray used, ended with 0"
exit 0
