#!/bin/bash
# Draws docs/card.png: a performer's card on two weeks of simulated history, under openbox on a
# small virtual screen, cropped to the card. SCREENSHOT_LANG=ja_JP.UTF-8 for the Japanese.
# usage (under xvfb-run -s "-screen 0 800x700x24"): card-screenshot.sh BUILD_DIR OUT
set -u
build=$1 out=$2
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work LANG=${SCREENSHOT_LANG:-C} LANGUAGE= LC_ALL=
wait_for() { for ((i = 0; i < 300; ++i)); do "$@" && return 0; sleep 0.1; done; return 1; }
openbox > /dev/null 2>&1 & pids+=($!)
wait_for wmctrl -m > /dev/null 2>&1
"$build/tests/performer_card_show" "$build/bin" Alice_Moon 14 > "$work/card.out" 2>&1 & pids+=($!)
card() { id=$(xdotool search --onlyvisible --pid "${pids[1]}" 2>/dev/null | tail -1); [ -n "$id" ]; }
wait_for card || { echo "no card came"; cat "$work/card.out"; exit 1; }
sleep 1
# The card with its frame: the frame window is the parent that openbox made.
eval "$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {print "x=" $4} /Absolute upper-left Y/ {print "y=" $4}
                                    /Width:/ {print "w=" $2} /Height:/ {print "h=" $2}')"
import -window root -crop "$((w + 20))x$((h + 66))+$((x - 10))+$((y - 40))" +repage "$out"
echo "$out: $(stat -c %s "$out") bytes"
