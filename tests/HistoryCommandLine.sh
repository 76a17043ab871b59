#!/bin/bash
# The history's report and export from the command line, on a history the real program writes
# against the simulated site: read while the program runs (it goes on recording), without a
# display; the report's lines and table as documented, a session going on marked "online" and,
# once the program has ended, "exit"; an unknown name and an unwritable file fail with exit code 1
# and a message. Started under Xvfb and openbox against sitesim.
# usage: HistoryCommandLine.sh BUILD [TIME_SCALE]   (run under xvfb-run)
set -u
build=$(cd "$1" && pwd)
scale=${2:-1}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
fail()
{
    echo "FAILED: $*"
    echo "--- host output"; tail -20 "$work/host.out" 2>/dev/null
    exit 1
}
export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
history=$XDG_DATA_HOME/solvane/history.sqlite
lists() { grep -c '^web GET /include/js/online_performers.js' "$work/site.out"; }
# Runs the host's history option without a display; its output in $work/out, $work/err.
answer() { env -u DISPLAY -u WAYLAND_DISPLAY "$build/bin/Solvane" "$@" > "$work/out" 2> "$work/err"; }
time_re='[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}'
# The report of $1 as documented: its header, one line a session, a blank line, the table.
check_report()
{
    local sessions
    sessions=$(sed -n '1s/^.*: \([0-9]*\) sessions (start\tend\tseconds\tended)$/\1/p' "$work/out")
    [ -n "$sessions" ] || fail "report of $1: header: $(head -1 "$work/out")"
    [ "$sessions" -ge 1 ] || fail "report of $1: no session"
    [ "$(sed -n "2,$((sessions + 1))p" "$work/out" | grep -cE "^$time_re	$time_re	[0-9]+	(offline|exit|online)$")" \
        -eq "$sessions" ] || fail "report of $1: session lines: $(sed -n 2,4p "$work/out")"
    [ -z "$(sed -n "$((sessions + 2))p" "$work/out")" ] || fail "report of $1: no blank line after the sessions"
    [ "$(tail -n +$((sessions + 4)) "$work/out" | grep -cE '^(Mon|Tue|Wed|Thu|Fri|Sat|Sun)(	([0-9]+|-)){24}$')" -eq 7 ] \
        || fail "report of $1: table: $(tail -8 "$work/out")"
}

start_openbox || fail "no window manager"
start_site "$build/sitesim/sitesim" --population 40 || fail "sitesim did not start"
write_settings '[Update]' 'check=0'
"$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
until_true 20 find_main || fail "no main window"
until_true 20 eval '[ "$(lists)" -ge 6 ]' || fail "too few lists"

# While the program runs: every event so far, then the report of somebody online now.
answer --history-export "$work/all.csv" || fail "export: exit code $?: $(cat "$work/err")"
[ "$(head -1 "$work/all.csv")" = "time,name,event" ] || fail "export: header $(head -1 "$work/all.csv")"
events=$(($(wc -l < "$work/all.csv") - 1))
[ "$(tail -n +2 "$work/all.csv" | grep -cE "^$time_re,[^,]+,(online at start|came online|went offline|now free|busy|online)$")" \
    -eq "$events" ] || fail "export: rows $(sed -n 2,3p "$work/all.csv")"
[ "$events" -ge 40 ] || fail "export: only $events events"
name=$(awk -F, 'NR > 1 && $3 == "came online" {name = $2} END {print name}' "$work/all.csv")
[ -n "$name" ] || fail "nobody came online"
answer --history-report "$name" || fail "report of $name: exit code $?: $(cat "$work/err")"
check_report "$name"
online=$(awk -F, 'NR > 1 && $3 == "online at start" {name = $2} END {print name}' "$work/all.csv")
answer --history-report "$online" || fail "report of $online: exit code $?"
check_report "$online"
grep -qE "	(online|offline)$" "$work/out" || fail "report of $online: no session online or ended: $(sed -n 2,3p "$work/out")"
answer --history-report "nobody-of-that-name"
code=$?
[ "$code" -eq 1 ] && [ -s "$work/err" ] && [ ! -s "$work/out" ] || fail "unknown name: exit code $code, $(cat "$work/err")"

# The program went on recording meanwhile.
before=$(lists)
until_true 10 eval '[ "$(lists)" -ge $((before + 2)) ]' || fail "no lists after the reads"
host_ended && fail "the program ended"
grep -q "history is off" "$work/host.out" && fail "the program lost its history: $(grep "history is off" "$work/host.out")"

menu_key f x
until_true 10 host_ended || fail "the program did not end"
wait "$host"
after=$(sqlite3 "$history" "SELECT count(*) FROM events;")
[ "$after" -gt "$events" ] || fail "no events written after the export ($events, then $after)"
# Somebody online at the end: their last session ended with the program.
last=$(sqlite3 "$history" "SELECT n.name FROM names n JOIN events e
                           ON e.id = (SELECT max(id) FROM events WHERE name_id = n.id) WHERE e.kind != 3 LIMIT 1;")
[ -n "$last" ] || fail "nobody online at the end"
answer --history-report "$last" || fail "report of $last after the end: exit code $?"
check_report "$last"
sessions=$(sed -n '1s/^.*: \([0-9]*\) sessions.*$/\1/p' "$work/out")
sed -n "$((sessions + 1))p" "$work/out" | grep -qE "	exit$" || fail "report of $last: last session $(sed -n "$((sessions + 1))p" "$work/out")"
answer --history-export "$work/missing/all.csv"
code=$?
[ "$code" -eq 1 ] && [ -s "$work/err" ] || fail "export to a missing folder: exit code $code"
said=$(toolkit_said "$work/host.out") && fail "the toolkit said: $said"
echo "export of $events events, reports of $name, $online and $last read beside the running program and after it"
exit 0
