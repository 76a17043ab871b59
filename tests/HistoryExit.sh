#!/bin/bash
# The real program on a long history that is all older than the days it keeps ("[History]
# days=1"): while the history's clean-up is under way, the first list is out within 3 seconds
# (the polling thread asks for the second list only once the first has been handed to the
# window), "E&xit" and SIGTERM each end the program within a second with exit code 0, and the
# file then passes SQLite's integrity check. Started under Xvfb and openbox against sitesim.
# usage: HistoryExit.sh BUILD [TIME_SCALE [EVENTS]]   (run under xvfb-run)
# EXIT_AFTER_MS=N asks for the end N ms after the main window shows, without waiting for the
# first list: for timing a program whose first list waits for the clean-up.
set -u
build=$(cd "$1" && pwd)
scale=${2:-1}
events=${3:-1000000}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
fail()
{
    echo "FAILED: $*"
    echo "--- host output"; tail -20 "$work/host.out" 2>/dev/null
    exit 1
}
max_exit_ms=$((1000 * scale))
max_first_ms=$((3000 * scale))
export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
history=$XDG_DATA_HOME/solvane/history.sqlite
lists() { grep -c '^web GET /include/js/online_performers.js' "$work/site.out"; }

start_openbox || fail "no window manager"
start_site "$build/sitesim/sitesim" || fail "sitesim did not start"
for how in menu signal; do
    rm -rf "$XDG_DATA_HOME"
    # Events up to two days old, so that every one is past the day kept.
    "$build/tests/history_fill" "$history" "$events" 100000 $(($(date +%s) - 2 * 86400)) || fail "no history"
    splash=0 write_settings '[Update]' 'check=0' '[History]' 'days=1'
    before=$(lists)
    t0=$(now_ms)
    "$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
    until_true 20 find_main || fail "no main window"
    if [ -n "${EXIT_AFTER_MS:-}" ]; then
        sleep "$(echo "$EXIT_AFTER_MS" | awk '{print $1 / 1000}')"
        first_ms="(not waited for)"
    else
        until_true 10 eval '[ "$(lists)" -ge $((before + 2)) ]' || fail "$how: no second list"
        first_ms=$(($(now_ms) - t0))
        [ "$first_ms" -le "$max_first_ms" ] || fail "$how: the first list was out only after ${first_ms} ms"
    fi
    host_ended && fail "$how: the program ended"
    if [ "$how" = menu ]; then
        menu_key f x
    else
        key_ms=$(now_ms)
        kill -TERM "$host"
    fi
    until host_ended || [ $(($(now_ms) - key_ms)) -ge $((5000 * scale)) ]; do sleep 0.01; done
    exit_ms=$(($(now_ms) - key_ms))
    host_ended || { kill -9 "$host"; fail "$how: still running ${exit_ms} ms after the request"; }
    wait "$host"; code=$?
    [ "$code" -eq 0 ] || fail "$how: exit code $code"
    left=$(sqlite3 "$history" "SELECT count(*) FROM events;")
    check=$(sqlite3 "$history" "PRAGMA integrity_check;")
    echo "$how: $events old events, the first list out after ${first_ms} ms, ended ${exit_ms} ms after the request, $left events left, integrity: $check"
    [ "$exit_ms" -le "$max_exit_ms" ] || fail "$how: ended only ${exit_ms} ms after the request"
    [ "$check" = ok ] || fail "$how: the history is damaged: $check"
    said=$(toolkit_said "$work/host.out") && fail "$how: the toolkit said: $said"
done
exit 0
