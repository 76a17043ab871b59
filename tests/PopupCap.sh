#!/bin/bash
# The real program against a busy simulated site, under openbox, with at most 3 pop-ups a minute:
# every pop-up window that appears is noted with the time it first showed. It passes when no 59
# seconds hold more than 3 of them, some came again after the first minute, and what the cap
# held back was told by one summary window at a time.
# usage: PopupCap.sh BUILD [SCALE] [SECONDS]   (run under xvfb-run; starts its own openbox)
set -u
build=$(cd "$1" && pwd)
scale=${2:-1}
seconds=${3:-65}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
fail()
{
    echo "FAILED: $*"
    echo "--- host output"; tail -20 "$work/host.out" 2>/dev/null
    exit 1
}
per_minute=3

export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
start_openbox || fail "no window manager"
start_site "$build/sitesim/sitesim" --population 4000 || fail "sitesim did not start"
write_settings '[Update]' 'check=0' '[PopupDialog]' 'duration=4' "perMinute=$per_minute"
"$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
main=""
until_true 20 find_main || fail "no main window"

# Window ids with the time each was first seen, pop-ups and summaries apart.
declare -A popup_seen=() summary_seen=()
most_summaries=0 summary_windows=0
start=$(now_ms)
while [ $(( $(now_ms) - start )) -lt $((seconds * 1000)) ]; do
    host_ended && fail "the program ended"
    t=$(now_ms)
    for id in $(xdotool search --onlyvisible --name '^Popup$' 2>/dev/null); do
        [ -n "${popup_seen[$id]:-}" ] || popup_seen[$id]=$t
    done
    summaries=0
    for id in $(xdotool search --onlyvisible --name '^Pop-up summary$' 2>/dev/null); do
        summaries=$((summaries + 1))
        [ -n "${summary_seen[$id]:-}" ] || { summary_seen[$id]=$t; summary_windows=$((summary_windows + 1)); }
    done
    [ "$summaries" -gt "$most_summaries" ] && most_summaries=$summaries
    sleep 0.2
done

times=($(for id in "${!popup_seen[@]}"; do echo "${popup_seen[$id]}"; done | sort -n))
echo "pop-ups seen: ${#times[@]} at ms ${times[*]/%/ } (from $start); summary windows: $summary_windows, at most $most_summaries at once"
# A picture that comes a little late shows its pop-up later than it started: a second of slack.
for ((i = 0; i + per_minute < ${#times[@]}; ++i)); do
    [ $(( times[i + per_minute] - times[i] )) -ge 59000 ] ||
        fail "$((per_minute + 1)) pop-ups within $(( times[i + per_minute] - times[i] )) ms"
done
[ "${#times[@]}" -gt "$per_minute" ] || fail "no pop-up after the first minute's"
[ "$summary_windows" -ge 1 ] || fail "no summary of what the cap held back"
[ "$most_summaries" -eq 1 ] || fail "$most_summaries summary windows at once"
said=$(toolkit_said "$work/host.out") && fail "the toolkit said: $said"
echo "PASSED"
