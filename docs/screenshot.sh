#!/bin/bash
# Draws docs/solvane.png: the main window and its pop-ups against the simulated site, on a
# small virtual screen. usage (under xvfb-run): screenshot.sh BIN_DIR SITESIM ACCOUNTS OUT
set -u
bin=$1 sitesim=$2 accounts=$3 out=$4
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work LANG=${SCREENSHOT_LANG:-C} LANGUAGE= LC_ALL=
wait_for() { for ((i = 0; i < 300; ++i)); do "$@" && return 0; sleep 0.1; done; return 1; }
openbox > /dev/null 2>&1 & pids+=($!)
wait_for wmctrl -m > /dev/null 2>&1
"$sitesim" --web 0 --image 0 --preview 0 --accounts "$accounts" > "$work/site.out" & pids+=($!)
wait_for grep -q '^sitesim: web' "$work/site.out"
read -r web image preview < <(sed -n 's|^sitesim: web http://\(.*\) image http://\(.*\) preview http://\(.*\)$|\1 \2 \3|p' "$work/site.out")
printf '[Site]\nwebserver=%s\nimageserver=%s\npreviewserver=%s\n[System]\nsyncinterval=1\n[SplashScreen]\nduration=1\n[Update]\ncheck=0\n[MainFrame]\nx=60\ny=40\nwidth=260\nheight=480\n' \
    "$web" "$image" "$preview" > "$work/Messenger.conf"
"$bin/Solvane" > /dev/null 2>&1 & pids+=($!)
popups() { [ "$(xdotool search --onlyvisible --name '^Popup$' 2>/dev/null | wc -l)" -ge 2 ]; }
wait_for popups || { echo "no pop-ups came"; exit 1; }
sleep 1 # their pictures
import -window root -colors 96 "PNG8:$out"
echo "$out: $(stat -c %s "$out") bytes"
