#!/bin/bash
# Every fault the simulated site can play on each of the program's four kinds of request, the
# real program started afresh for each cell and seen from outside. For each cell: the program
# keeps running through the fault, its event loop never waits longer than 100 ms (timed inside
# it by the event loop probe), memory stays bounded, the settings it was given are all still there
# afterwards, and "E&xit" ends it within a second with exit code 0. Prints a table of the cells.
# usage: FaultMatrix.sh BUILD PROBE [TIME_SCALE [KINDS [FAULTS]]]   (run under xvfb-run)
set -u
build=$(cd "$1" && pwd)
probe=$(realpath "$2")
scale=${3:-1}
kinds=${4:-list picture login update}
faults=${5:-refuse no-answer stall-mid-body drop-mid-body not-found server-error redirect chunked garbage endless slow-drip long-lines}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
accounts=$(cd "$(dirname "$0")/../sitesim/data" && pwd)/accounts.txt

# Limits; a sanitizer build runs slower and holds more memory, by its time scale.
max_gap_ms=$((100 * scale))
max_exit_ms=$((1000 * scale))
max_growth_kib=$((64 * 1024 * scale))
# How long each fault plays once its request has been made.
hold_s=2

declare -A path=([list]=/include/js/online_performers.js [picture]='/WebArchive/*' [login]=/loginchecker
                 [update]=/cgi-bin/app/update.cgi)
declare -A asked=([list]='^web GET /include/js/online_performers.js' [picture]='^image GET /WebArchive/'
                  [login]='^web GET /loginchecker?username=demo&password=demo$' [update]='^web GET /cgi-bin/app/update.cgi?')
# An update newer than the program, signed with the build's demo key, small enough to arrive whole
# where the fault lets it.
mkdir -p "$work/update"
echo 9.9.9 > "$work/update/version"
head -c 65536 /dev/urandom > "$work/update/module"

# The settings as "[group]key=value" lines, sorted.
flat_settings() { awk '/^\[/ {group = $0; next} /=/ {print group $0}' "$1" | sort; }

# sample: notes the peak of memory; true once the cell's request has reached the site.
sample() { rss=$(rss_kib); [ "$rss" -gt "$peak" ] && peak=$rss; grep -q "${asked[$kind]}" "$work/site.out"; }
# box_up: sets box to a failure box or the update's question on screen.
box_up() { box=$(window '^Error$|^Confirm$'); [ -n "$box" ]; }

# run_cell KIND FAULT: sets cell to the table's text, "ok ..." or "FAIL ...".
run_cell()
{
    local kind=$1 fault=$2 check=0 t0 base peak rss gap code
    export XDG_CONFIG_HOME=$work/$kind-$fault/config
    # A history of its own too: each cell starts as a first start does, whatever ran before it.
    export XDG_DATA_HOME=$work/$kind-$fault/data
    mkdir -p "$XDG_CONFIG_HOME"
    start_site "$build/sitesim/sitesim" --population 300 --accounts "$accounts" --update-dir "$work/update" \
        --update-key "$build/update-key/demo.key" \
        --fault "${path[$kind]}=$fault" || { cell="FAIL no site"; cat "$work/site.out" > "$work/host.out"; return; }
    [ "$kind" = update ] && check=1
    splash=0 write_settings '[Update]' "check=$check" '[PopupDialog]' 'duration=8' 'onlyFavorite=0' \
        '[MainFrame]' 'x=40' 'y=40' 'width=240' 'height=480' '[Matrix]' "cell=$kind-$fault"
    # The account's name, at the root: before every group. Its password is not stored: with one the
    # program would log in at start, before the cell's own request, and a login cell would meet
    # the fault first in a "Could not login." that hides the menu.
    sed -i '1i id=demo' "$XDG_CONFIG_HOME/Messenger.conf"
    flat_settings "$XDG_CONFIG_HOME/Messenger.conf" | grep -v '^\[MainFrame\]' > "$work/before"
    : > "$work/loop"
    # From a copy of the program's folder, which the update may write into.
    rm -rf "$work/bin" && cp -a "$build/bin" "$work/bin"
    EVENT_LOOP_PROBE_LOG=$work/loop GTK_MODULES=$probe "$work/bin/Solvane" > "$work/host.out" 2>&1 & host=$!
    main=""
    if ! until_true 20 find_main; then cell="FAIL no main window"; kill "$host"; wait "$host"; kill "$site"; wait "$site"; return; fi
    t0=$(now_ms); base=$(rss_kib); peak=$base
    # The login check goes as a person sends it: the password typed into the dialog.
    [ "$kind" = login ] && until_true 2 open_login_dialog &&
        xdotool windowactivate --sync "$dialog" key ctrl+a type demo && xdotool key Tab ctrl+a type demo && xdotool key Return
    if until_true 15 sample; then
        for ((i = 0; i < hold_s * 5; ++i)); do sample; sleep 0.2; done
    else
        cell="FAIL never asked"
    fi
    host_ended && { cell="FAIL ended by the fault"; kill "$site"; wait "$site"; return; }
    # MATRIX_SHOTS=FOLDER keeps a picture of the screen as the fault has played.
    [ -n "${MATRIX_SHOTS:-}" ] && import -window root "$MATRIX_SHOTS/$kind-$fault.png"
    # A box the fault brought up is answered as a person would: OK to a failure, No to an update.
    # An update whose files the fault changed is refused without a question.
    local box="" answered=""
    case $kind-$fault in
        update-long-lines) until_true 10 grep -q 'update refused' "$work/host.out" || cell="FAIL not refused"
                           box_up && cell="FAIL asked about a changed update";;
    esac
    if box_up; then
        answered=" $(xdotool getwindowname "$box" | cut -c1)"
        xdotool windowactivate --sync "$box" key Escape
        until_true 2 eval '! box_up' || cell="FAIL box stayed"
    fi
    menu_key f x
    local waited=0
    until host_ended || [ $waited -ge $((5000 * scale)) ]; do sleep 0.01; waited=$(( $(now_ms) - key_ms )); done
    local exit_ms=$(( $(now_ms) - key_ms ))
    if ! host_ended; then
        cell="FAIL still running $((exit_ms))ms after E&xit"; kill -9 "$host"; wait "$host"; kill "$site"; wait "$site"; return
    fi
    wait "$host"; code=$?
    kill "$site"; wait "$site"
    gap=$(awk -v from="$t0" -v to="$key_ms" '$1 != "start" && $1 >= from && $1 <= to && $2 > max {max = $2} END {print max + 0}' "$work/loop")
    [ "${cell:-}" = "" ] || return
    grep -q '^start' "$work/loop" || { cell="FAIL no probe"; return; }
    # The cell's own login check and no other: one that came first would have met the fault, and
    # the cell would measure that instead.
    local logins
    logins=$(grep -c '^web GET /loginchecker' "$work/site.out")
    [ "$logins" -eq "$([ "$kind" = login ] && echo 1 || echo 0)" ] || { cell="FAIL $logins logins"; return; }
    [ "$code" -eq 0 ] || { cell="FAIL exit $code"; return; }
    [ "$exit_ms" -le "$max_exit_ms" ] || { cell="FAIL exit ${exit_ms}ms"; return; }
    [ "$gap" -le "$max_gap_ms" ] || { cell="FAIL loop ${gap}ms"; return; }
    [ $((peak - base)) -le "$max_growth_kib" ] || { cell="FAIL memory +$(( (peak - base) / 1024 ))M"; return; }
    # Nothing for a person to see on the terminal either: no toolkit warning, no failed assertion.
    local said
    said=$(toolkit_said "$work/host.out") && { cell="FAIL said ${said:0:40}"; return; }
    # Answered No, or never offered: the program's folder is as it was.
    local left
    left=$(ls "$work/bin" | grep -E '\.(new|part|old|bad)$' | head -1)
    [ -z "$left" ] || { cell="FAIL left $left"; return; }
    local lost
    lost=$(flat_settings "$XDG_CONFIG_HOME/Messenger.conf" | comm -23 "$work/before" - | head -1)
    [ -z "$lost" ] || { cell="FAIL lost $lost"; return; }
    [ "$gap" -gt 0 ] || gap="<20"
    cell="ok $(printf "%3s" "$gap")ms $(printf '%4d' "$exit_ms")ms $(printf '%+3d' $(( (peak - base) / 1024 )))M$answered"
}

# No session bus, so no keyring: an accepted login leaves the password in the settings file as
# the cell gave it, and nothing reaches the keyring of the desktop the test runs on.
unset DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR
start_openbox || { echo "no window manager"; exit 1; }
echo "Cells: the longest wait of the event loop, the time from E&xit to the end, memory growth."
printf '%-15s' fault; for kind in $kinds; do printf ' | %-21s' "$kind"; done; echo
failed=0
for fault in $faults; do
    printf '%-15s' "$fault"
    for kind in $kinds; do
        cell=""
        run_cell "$kind" "$fault"
        case $cell in FAIL*) failed=$((failed + 1)); echo "--- $kind $fault:" >> "$work/failures"; tail -5 "$work/host.out" >> "$work/failures";; esac
        printf ' | %-21s' "$cell"
    done
    echo
done
[ "$failed" -eq 0 ] || { cat "$work/failures"; echo "$failed cells failed"; exit 1; }
