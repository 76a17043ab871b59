#!/bin/bash
# The account's password and the keyring, from outside: a rejected password is stored nowhere; an
# accepted one goes to the keyring and leaves the file, or stays in the file without a session
# bus; a restart logs in with no dialog; a keyring that never answers delays nothing.
# usage: Keyring.sh BUILD [TIME_SCALE]   (run under dbus-run-session and xvfb-run)
set -u
build=$(cd "$1" && pwd) scale=${2:-1} work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
fail() { echo "FAILED: $*"; tail -20 "$work/host.out"; cat "$conf"; exit 1; }
export HOME=$work/home XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
conf=$XDG_CONFIG_HOME/Messenger.conf
lookup() { secret-tool lookup application solvane id demo 2>/dev/null; }
# logins PASSWORD: the logins of demo with it since the case began (the counts in `base`).
declare -A base=()
count() { grep -c "^web GET /loginchecker?username=demo&password=$1\$" "$work/site.out"; }
logins() { echo $(($(count "$1") - ${base[$1]:-0})); }
lists() { grep -c '^web GET /include/js/online_performers.js' "$work/site.out"; }
# start: first_ms is the time until the second list is asked for, once the first is in the window.
start()
{
    local before; before=$(lists) t0=$(now_ms)
    "$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
    until_true 20 find_main || fail "no main window"
    until_true 10 eval '[ "$(lists)" -ge $((before + 2)) ]' || fail "no second list"
    first_ms=$(($(now_ms) - t0))
}
stop()
{
    menu_key f x
    until_true 5 host_ended || fail "no exit"
    exit_ms=$(($(now_ms) - key_ms))
    wait "$host" || fail "exit code $?"
    toolkit_said "$work/host.out" && fail "a complaint on stderr"
}
# The account typed over what the dialog shows.
type_account()
{
    until_true 2 open_login_dialog || fail "no Authentication dialog"
    xdotool windowactivate --sync "$dialog" key ctrl+a type --delay 20 "$1"
    xdotool key Tab ctrl+a type --delay 20 "$2"
    xdotool key Return
}

start_openbox || fail "no window manager"
start_site "$build/sitesim/sitesim" --accounts "$(dirname "$0")/../sitesim/data/accounts.txt" || fail "no site"
# Unlocked with a password: with an empty one the keyring asks through a prompt.
printf pw | gnome-keyring-daemon --unlock --components=secrets --foreground > /dev/null 2>&1 &
keyring=$!; pids+=($keyring) keyring_bus=$DBUS_SESSION_BUS_ADDRESS
# Asked of the bus itself (dbus-send comes with the bus): asking the service would start one.
keyring_up() { dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q 'boolean true'; }
until_true 5 keyring_up || fail "no keyring"
for case in keyring file; do
    [ "$case" = file ] && unset DBUS_SESSION_BUS_ADDRESS
    base=([demo]=$(count demo) [wrong]=$(count wrong))
    splash=0 write_settings '[Update]' 'check=0'
    start
    type_account demo wrong
    until_true 10 eval '[ -n "$(window "^Error$")" ]' || fail "$case: no \"Could not login.\""
    xdotool key Return
    grep -q '^password=' "$conf" && fail "$case: the rejected password went to the file"
    [ -z "$(lookup)" ] || fail "$case: the rejected password went to the keyring"
    type_account demo demo
    if [ "$case" = keyring ]; then
        until_true 10 eval '[ "$(lookup)" = demo ]' || fail "the keyring does not hold the password"
        until_true 5 eval '! grep -q "^password=" "$conf"' || fail "the password stayed in the file"
    else
        until_true 10 grep -q '^password=demo$' "$conf" || fail "file: the password is not in the file"
    fi
    stop
    start
    until_true 10 eval '[ "$(logins demo)" -ge 2 ]' || fail "$case: no login at start"
    [ -z "$(window '^Authentication$|^Error$')" ] || fail "$case: a dialog at start"
    echo "$case: first list ${first_ms} ms"
    stop
    [ "$(logins demo)" = 2 ] && [ "$(logins wrong)" = 1 ] || fail "$case: more logins than one at start"
done
# A keyring that never answers (stopped), the password only there: no login, and nothing waits.
export DBUS_SESSION_BUS_ADDRESS=$keyring_bus
kill -STOP "$keyring"
sed -i '/^password=/d' "$conf"
base=([demo]=$(count demo))
for wait_s in 0 $((6 * scale)); do # the exit while the keyring is asked, then after its time ran out
    start
    sleep "$wait_s"
    [ "$(logins demo)" = 0 ] && [ -z "$(window '^Authentication$|^Error$')" ] || fail "a login or a dialog"
    stop
    echo "keyring that never answers, exit after ${wait_s} s: first list ${first_ms} ms, exit ${exit_ms} ms"
    [ "$first_ms" -le $((3000 * scale)) ] && [ "$exit_ms" -le $((1000 * scale)) ] || fail "it waited for the keyring"
done
kill -CONT "$keyring"
echo "PASSED"
