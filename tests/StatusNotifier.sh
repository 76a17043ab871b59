#!/bin/bash
# The icon in a panel that shows items of the session bus: with no such panel the tray's icon is
# there as before; a panel started later holds the item in its place, whose click hides and shows
# the window and whose menu's E&xit ends the program.
# usage: StatusNotifier.sh BUILD [TIME_SCALE]   (run under xvfb-run and dbus-run-session)
set -u
build=$(cd "$1" && pwd)
scale=${2:-1}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
fail() { echo "FAILED: $*"; cat "$work/host.out" 2>/dev/null; exit 1; }
export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL= BROWSER=true NO_AT_BRIDGE=1
# The panel's settings service is started by the bus, which must look for them in this folder.
dbus-update-activation-environment XDG_CONFIG_HOME NO_AT_BRIDGE
mkdir -p "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
cp "$(dirname "$0")/data/xfce4-panel.xml" "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/"
bus() { gdbus call --session -d "$1" -o "$2" -m "$3" "${@:4}" 2>/dev/null; }
items() { bus org.kde.StatusNotifierWatcher /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
    org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems; }

start_openbox && start_trayer || fail "no window manager or notification area"
trayer=${pids[-1]}
start_site "$build/sitesim/sitesim" || fail "sitesim did not start"
write_settings '[Update]' 'check=0'
"$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
item=org.kde.StatusNotifierItem-$host-1
until_true 20 find_main || fail "no main window"
until_true 10 find_icon || fail "with no panel's watcher, no icon in the notification area"

# The panel comes after the program.
xfce4-panel > "$work/panel.out" 2>&1 & xfce=$!; pids+=($xfce)
registered() { items | grep -q "$item"; }
until_true 20 registered || fail "the item was not registered with the panel's watcher: $(items)"
# The notification area stays trayer's: a tray's icon left shown would still be docked there.
until_true 5 eval '! find_icon' || fail "the tray's icon is shown beside the item"
# What the panel reads: the names, the tooltip and the icon at 1x and 2x, each picture as many
# ARGB bytes as it has pixels times four.
prop() { bus "$item" /StatusNotifierItem org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1"; }
for want in "Id (<'solvane'>,)" "Title (<'Solvane'>,)" "ToolTip (<('', @a(iiay) [], 'Messenger', '')>,)"; do
    got=$(prop "${want%% *}")
    [ "$got" = "${want#* }" ] || fail "the item's ${want%% *} is $got"
done
sizes=$(prop IconPixmap | grep -oE '\(([0-9]+), ([0-9]+), \[[^]]*' | awk '{gsub(/[(,]/, ""); print $1 "x" $2 "/" gsub(/0x/, "")}' | xargs)
read -r small large <<< "$sizes"
[ -n "$large" ] && [ "${large%x*}" = $((2 * ${small%x*})) ] || fail "the item's pictures are $sizes, not 1x and 2x"
for size in $sizes; do
    w=${size%x*} h=${size#*x}; h=${h%/*}
    [ "${size#*/}" = $((w * h * 4)) ] || fail "the item's $size picture is not four bytes a pixel"
done
[ -n "${SOLVANE_SNI_SHOT:-}" ] && sleep 1 && import -window root "$SOLVANE_SNI_SHOT"

# A click on the item hides the window in sight, and a second brings it back.
for want in hidden shown; do
    bus "$item" /StatusNotifierItem org.kde.StatusNotifierItem.Activate 0 0 > /dev/null || fail "Activate failed"
    in_state() { if [ "$want" = shown ]; then is_shown "$main"; else ! is_shown "$main"; fi; }
    until_true 5 in_state || fail "after Activate the window is not $want"
done

# Minimised, the window leaves the task bar: the item brings it back, with no tray's icon there.
xdotool windowminimize "$main"
withdrawn() { ! xprop -id "$main" WM_STATE | grep -qE 'Iconic|Normal'; }
until_true 5 withdrawn || fail "minimised, the window stayed: $(xprop -id "$main" WM_STATE)"
bus "$item" /StatusNotifierItem org.kde.StatusNotifierItem.Activate 0 0 > /dev/null
until_true 5 is_shown "$main" || fail "Activate did not bring the minimised window back: $(xprop -id "$main" WM_STATE _NET_WM_STATE; xwininfo -id "$main" | grep -E "Map State")"

# The panel goes, with the notification area it may have taken over: the tray's icon is the way
# back again, and the next panel gets the item anew. The area is held by the panel's plugin, a
# process of its own that ends a moment after the panel; a tray started before then finds the
# area taken and never holds one, so the new tray waits for all of them to be gone.
plugins=$(pgrep -P "$xfce")
kill "$xfce" "$trayer"
# ended PID...: each process has ended, or is a zombie (this shell's children are reaped later).
ended() { ! ps -o stat= -p "$@" | grep -qv '^Z'; }
until_true 10 ended "$xfce" "$trayer" $plugins || fail "the panel did not end: $(ps -o pid=,stat=,args= -p "$xfce" "$trayer" $plugins)"
start_trayer && until_true 10 find_icon || fail "with the panel gone, no icon in the notification area"
xfce4-panel > "$work/panel.out" 2>&1 & xfce=$!; pids+=($xfce)
until_true 20 registered || fail "the item was not registered with the second panel's watcher: $(items)"

# E&xit, as a panel sends it: the item whose label is "E_xit" is clicked.
layout=$(bus "$item" /MenuBar com.canonical.dbusmenu.GetLayout 0 -- -1 '[]')
exit_id=$(grep -oE "\(([0-9]+), \{[^}]*'label': <'E_xit'>" <<< "$layout" | grep -oE '[0-9]+' | head -1)
[ -n "$exit_id" ] || fail "no E_xit in the item's menu: $layout"
bus "$item" /MenuBar com.canonical.dbusmenu.Event "$exit_id" clicked '<0>' 0 > /dev/null
until_true 10 host_ended || fail "the menu's E_xit did not end the program"
wait "$host"; status=$?
[ "$status" = 0 ] || fail "the program ended with status $status"
said=$(toolkit_said "$work/host.out") && fail "the toolkit said: $said"
# The panel, then its settings service (which the bus started), end before the bus: left to see
# the bus go, the service complains on stderr; ended first, the panel would start it again.
settings=$(bus org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.GetConnectionUnixProcessID \
    org.xfce.Xfconf | grep -oE '[0-9]+,' | tr -d ,)
plugins=$(pgrep -P "$xfce")
kill "$xfce"
until_true 10 ended "$xfce" $plugins && kill $settings 2>/dev/null && until_true 5 ended $settings
echo "passed"
