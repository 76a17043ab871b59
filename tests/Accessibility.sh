#!/bin/bash
# What a screen reader reads of the real program: with the accessibility bridge on, on a session
# bus and an accessibility bus of the test's own, the History page's rows (time, name, event) are
# reachable as text and every field shown has a name. The listing of roles and names is left in
# DUMP (default: the test's folder, removed). Started under Xvfb and openbox against sitesim.
# usage: Accessibility.sh BUILD [TIME_SCALE [DUMP]]   (run under xvfb-run; exit 77: skipped)
set -u
build=$(cd "$1" && pwd)
scale=${2:-1}
python=/usr/bin/python3
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -z "${SOLVANE_OWN_BUS:-}" ]; then
    for need in dbus-run-session /usr/libexec/at-spi-bus-launcher; do
        command -v "$need" > /dev/null || { echo "SKIPPED: $need is missing (packages dbus, at-spi2-core)"; exit 77; }
    done
    $python -c 'import gi; gi.require_version("Atspi", "2.0")' 2> /dev/null ||
        { echo "SKIPPED: $python has no Atspi (packages python3-gi, gir1.2-atspi-2.0)"; exit 77; }
    SOLVANE_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
work=$(mktemp -d)
dump=${3:-$work/tree.txt}
. "$(dirname "$0")/Desktop.sh"
fail()
{
    echo "FAILED: $*"
    echo "--- host output"; tail -20 "$work/host.out" 2>/dev/null
    exit 1
}
# The suite turns the bridge off for every other test; a reader needs it.
unset NO_AT_BRIDGE
export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL= BROWSER=true
/usr/libexec/at-spi-bus-launcher --launch-immediately > "$work/bus.out" 2>&1 & pids+=($!)
start_openbox || fail "no window manager"
start_site "$build/sitesim/sitesim" || fail "sitesim did not start"
splash=0 write_settings '[Update]' 'check=0'
"$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
until_true 20 find_main || fail "no main window"
# The first list recorded: the rows are there to read.
until_true 10 eval '[ -n "$(ls "$XDG_DATA_HOME"/solvane/history.sqlite 2>/dev/null)" ]' || fail "no history"
sleep 1
$python "$(dirname "$0")/accessibility_tree.py" Solvane "$dump"; code=$?
[ -f "$dump" ] || fail "no listing"
echo "--- what a screen reader reads ($(wc -l < "$dump") lines)"; grep -v "^ *filler ''$" "$dump" | head -60
[ "$code" -eq 0 ] || fail "the reader's view"
said=$(toolkit_said "$work/host.out") && fail "the toolkit said: $said"
exit 0
