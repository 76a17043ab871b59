#!/bin/bash
# The account's password in the desktop's keyring, seen from outside: typed into the dialog, a
# rejected one is stored nowhere; an accepted one goes to the keyring (read back with secret-tool)
# and leaves the settings file, or stays in the file where no keyring answers; a restart logs in
# with no dialog; a keyring that never answers delays neither the first list nor the exit.
# usage: Keyring.sh BUILD [TIME_SCALE]   (run under dbus-run-session and xvfb-run)
set -u
build=$(cd "$1" && pwd)
scale=${2:-1}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
fail()
{
    echo "FAILED: $*"
    echo "--- host output"; tail -20 "$work/host.out" 2>/dev/null
    echo "--- settings"; cat "$conf" 2>/dev/null
    exit 1
}
export HOME=$work/home XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
mkdir -p "$HOME"
conf=$XDG_CONFIG_HOME/Messenger.conf
lookup() { secret-tool lookup application solvane id demo 2>/dev/null; }
# logins PASSWORD: the logins of demo with that password since the case began.
declare -A base=()
logins() { echo $(($(grep -c "^web GET /loginchecker?username=demo&password=$1\$" "$work/site.out") - ${base[$1]:-0})); }
lists() { grep -c '^web GET /include/js/online_performers.js' "$work/site.out"; }
has_secrets() { gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
                    -m org.freedesktop.DBus.NameHasOwner org.freedesktop.secrets 2>/dev/null | grep -q true; }
# start: the program; first_ms is the time until the polling thread asks for the second list,
# which it does once the first has been handed to the window.
start()
{
    local before; before=$(lists)
    t0=$(now_ms)
    "$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
    until_true 20 find_main || fail "no main window"
    until_true 10 eval '[ "$(lists)" -ge $((before + 2)) ]' || fail "no second list"
    first_ms=$(($(now_ms) - t0))
}
stop()
{
    menu_key f x
    until_true 5 host_ended || fail "still running after E&xit"
    exit_ms=$(($(now_ms) - key_ms))
    wait "$host"
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
# A keyring unlocked with a password: an empty one would make it ask through a prompt.
printf pw | gnome-keyring-daemon --unlock --components=secrets --foreground > "$work/keyring.out" 2>&1 &
keyring=$!; pids+=($keyring)
until_true 5 has_secrets || fail "no keyring on the bus"
keyring_bus=$DBUS_SESSION_BUS_ADDRESS

for case in keyring file; do
    # Without a session bus no keyring is asked.
    [ "$case" = file ] && unset DBUS_SESSION_BUS_ADDRESS
    base=(); demo=$(logins demo) wrong=$(logins wrong); base=([demo]=$demo [wrong]=$wrong)
    splash=0 write_settings '[Update]' 'check=0'
    start
    type_account demo wrong
    until_true 10 eval '[ "$(logins wrong)" -ge 1 ]' || fail "$case: the login never reached the site"
    until_true 10 eval '[ -n "$(window "^Error$")" ]' || fail "$case: no \"Could not login.\""
    xdotool key Return
    grep -q '^password=' "$conf" && fail "$case: the rejected password went to the file"
    [ -z "$(lookup)" ] || fail "$case: the rejected password went to the keyring"
    type_account demo demo
    until_true 10 eval '[ "$(logins demo)" -ge 1 ]' || fail "$case: the second login never reached the site"
    if [ "$case" = keyring ]; then
        until_true 10 eval '[ "$(lookup)" = demo ]' || fail "the keyring does not hold the password"
        until_true 5 eval '! grep -q "^password=" "$conf"' || fail "the password stayed in the file"
    else
        until_true 10 grep -q '^password=demo$' "$conf" || fail "file: the password is not in the file"
    fi
    stop
    # A restart: one login with the stored account, no dialog.
    start
    until_true 10 eval '[ "$(logins demo)" -ge 2 ]' || fail "$case: no login at start"
    [ -z "$(window '^Authentication$|^Error$')" ] || fail "$case: a dialog at start"
    echo "$case: first list ${first_ms} ms"
    stop
    [ "$(logins demo)" -eq 2 ] && [ "$(logins wrong)" -eq 1 ] || fail "$case: more logins than one at start"
done

# A keyring that never answers (stopped): the account's password is not found and nothing waits.
export DBUS_SESSION_BUS_ADDRESS=$keyring_bus
kill -STOP "$keyring"
sed -i '/^password=/d' "$conf"
base=(); demo=$(logins demo); base=([demo]=$demo)
start
echo "keyring that never answers: first list ${first_ms} ms"
[ "$first_ms" -le $((3000 * scale)) ] || fail "the first list came after ${first_ms} ms"
sleep $((6 * scale))
[ -z "$(window '^Authentication$|^Error$')" ] || fail "a dialog once the keyring's time ran out"
[ "$(logins demo)" -eq 0 ] || fail "a login without a password"
stop
echo "keyring that never answers: exit ${exit_ms} ms"
kill -CONT "$keyring"
[ "$exit_ms" -le $((1000 * scale)) ] || fail "the exit took ${exit_ms} ms"
toolkit_said "$work/host.out" && fail "the toolkit complained"
echo "PASSED"
