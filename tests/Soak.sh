#!/bin/bash
# A long run of the real program against a fast-changing simulated site, logged in, pop-ups on:
# one row a minute of its resident memory, CPU, threads, descriptors and visible windows. It
# passes when memory and handles stay flat after the warm-up and no pop-up outlives its time.
# usage: Soak.sh BUILD [MINUTES] [WARMUP_MINUTES]   (run under xvfb-run; starts its own openbox)
set -u
build=$(cd "$1" && pwd)
minutes=${2:-30}
warmup=${3:-5}
scale=1
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
fail()
{
    echo "FAILED: $*"
    echo "--- host output"; tail -20 "$work/host.out" 2>/dev/null
    exit 1
}
# A pop-up shows for this many seconds; it may be seen a little longer while it is taken down.
popup_seconds=8
popup_slack=2

export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
start_openbox || fail "no window manager"
start_site "$build/sitesim/sitesim" --population 300 --accounts "$(dirname "$0")/../sitesim/data/accounts.txt" ||
    fail "sitesim did not start"
write_settings '[Update]' 'check=0' '[PopupDialog]' "duration=$popup_seconds"
"$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!; pids+=($host)
main=""
until_true 20 find_main || fail "no main window"
login demo demo || fail "no Authentication dialog"
until_true 10 grep -q '^web GET /loginchecker?' "$work/site.out" || fail "the login never reached the site"

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$host/stat"; }
threads() { awk '/^Threads:/ {print $2}' "/proc/$host/status"; }
descriptors() { ls "/proc/$host/fd" | wc -l; }
windows() { xdotool search --onlyvisible --pid "$host" 2>/dev/null | wc -l; }

# Each visible pop-up by window id, with the time it was first seen.
declare -A seen
oldest=0
check_popups()
{
    local t=$(now_ms) id age
    declare -A visible
    for id in $(xdotool search --onlyvisible --name '^Popup$' 2>/dev/null); do
        visible[$id]=1
        [ -n "${seen[$id]:-}" ] || { seen[$id]=$t; popups_total=$((popups_total + 1)); }
        age=$(( (t - seen[$id]) / 1000 ))
        [ "$age" -gt "$oldest" ] && oldest=$age
        [ "$age" -le $((popup_seconds + popup_slack)) ] || fail "pop-up $id shown for ${age} s"
    done
    for id in "${!seen[@]}"; do [ -n "${visible[$id]:-}" ] || unset "seen[$id]"; done
}

printf '%6s %9s %6s %11s %11s %8s %10s %11s\n' minute rss_mib cpu_% threads descriptors windows popups_seen oldest_popup
declare -a rss thr_min thr_max fd_min fd_max
popups_total=0
last_cpu=$(cpu_ticks)
for ((m = 1; m <= minutes; ++m)); do
    end=$(( $(now_ms) + 60000 ))
    tmin=999999; tmax=0; fmin=999999; fmax=0; wmax=0; oldest=0; next_sample=0
    while [ "$(now_ms)" -lt "$end" ]; do
        kill -0 "$host" 2>/dev/null || fail "the program ended in minute $m"
        check_popups
        if [ "$(now_ms)" -ge "$next_sample" ]; then
            next_sample=$(( $(now_ms) + 5000 ))
            t=$(threads); f=$(descriptors); w=$(windows)
            [ "$t" -lt "$tmin" ] && tmin=$t; [ "$t" -gt "$tmax" ] && tmax=$t
            [ "$f" -lt "$fmin" ] && fmin=$f; [ "$f" -gt "$fmax" ] && fmax=$f
            [ "$w" -gt "$wmax" ] && wmax=$w
        fi
        sleep 0.5
    done
    cpu=$(cpu_ticks)
    rss[$m]=$(rss_kib); thr_min[$m]=$tmin; thr_max[$m]=$tmax; fd_min[$m]=$fmin; fd_max[$m]=$fmax
    printf '%6d %9.1f %6.2f %5d-%-5d %5d-%-5d %8d %10d %10ds\n' "$m" "$(awk "BEGIN {print ${rss[$m]} / 1024}")" \
        "$(awk "BEGIN {print ($cpu - $last_cpu) * 100 / ($ticks * 60)}")" "$tmin" "$tmax" "$fmin" "$fmax" "$wmax" \
        "$popups_total" "$oldest"
    last_cpu=$cpu
done

# Flat after the warm-up: memory grows by at most 5 % (and 4 MiB at least is allowed for the
# allocator's own rounding); the fewest threads and descriptors of a minute, those of no
# transfer under way, never rise above the warm-up's.
[ "$minutes" -gt "$warmup" ] || { echo "soak: no minutes after the warm-up to judge"; exit 0; }
base=${rss[$warmup]}
allowed=$(( base / 20 > 4096 ? base / 20 : 4096 ))
for ((m = warmup + 1; m <= minutes; ++m)); do
    [ $(( rss[m] - base )) -le "$allowed" ] || fail "memory grew from $base KiB (minute $warmup) to ${rss[$m]} KiB (minute $m)"
    [ "${thr_min[$m]}" -le "${thr_min[$warmup]}" ] || fail "threads rose to ${thr_min[$m]} in minute $m"
    [ "${fd_min[$m]}" -le "${fd_min[$warmup]}" ] || fail "descriptors rose to ${fd_min[$m]} in minute $m"
done
[ "$popups_total" -gt 0 ] || fail "no pop-up was ever shown"

menu_key f x
until_true 2 host_ended || fail "the host did not end after E&xit"
wait "$host"; code=$?
[ "$code" -eq 0 ] || fail "the host ended with $code"
echo "soak: $minutes minutes, memory ${rss[$warmup]} KiB at minute $warmup and ${rss[$minutes]} KiB at minute $minutes, $popups_total pop-ups, ended with 0"
