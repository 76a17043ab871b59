#!/bin/bash
# A performer's pop-up choice as a person makes it: one performer of the All page selected, a right
# click on the other and "Never pop up" by its key. The choice is for the row clicked, is in the
# settings file at once and is still there after the program has ended and started again.
# usage: PopupChoiceRestart.sh BUILD [TIME_SCALE]   (run under xvfb-run; starts its own openbox)
set -u
build=$(cd "$1" && pwd)
scale=${2:-1}
work=$(mktemp -d)
. "$(dirname "$0")/Desktop.sh"
export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
# A menu left up holds the program past SIGTERM: it must not keep the test waiting.
fail() { echo "FAILED: $*"; cat "$work/host.out" "$XDG_CONFIG_HOME/Messenger.conf"; kill -9 "${host:-}" 2>/dev/null; exit 1; }
stored() { sed -n "s/^$1=//p" "$XDG_CONFIG_HOME/Messenger.conf"; }
start()
{
    "$build/bin/Solvane" >> "$work/host.out" 2>&1 & host=$!; pids+=($host)
    main=""; until_true 20 find_main || fail "no main window"
    until_true 10 grep -q '^web GET /' "$work/site.out" || fail "the list was never asked for"
    sleep 1
}
exit_program() { menu_key f x; until_true 5 host_ended || fail "E&xit did not end the program"; }
# The page a row opens names its performer: the desktop's browser writes it down.
export BROWSER=$work/browser
printf '#!/bin/sh\necho "$1" >> "%s"\n' "$work/pages" > "$BROWSER" && chmod +x "$BROWSER"
for name in anna_longname bert_longname; do
    printf '%s.viewers = 0;\nonline_performers.add(%s);\nfree_performers.add(%s);\n' "$name" "$name" "$name"
done > "$work/list.js"

start_openbox || fail "no window manager"
start_site "$build/sitesim/sitesim" --list "$work/list.js" --no-churn || fail "no site"
splash=0 write_settings '[Update]' 'check=0' '[PopupDialog]' 'online=0' 'free=0'
start

# The first performer selected from the keyboard; Enter opens her page, which says who she is.
geometry "$main"
xdotool mousemove $((gx + gw / 2)) $((gy + gh - 20)) click 1
xdotool key Home Down Return
until_true 5 grep -qs _longname "$work/pages" || fail "Enter on the first performer opened no page"
selected=$(grep -o '[a-z]*_longname' "$work/pages" | head -1)
other=$([ "$selected" = anna_longname ] && echo bert_longname || echo anna_longname)
# Her row is the highlighted band of the tree; the other performer's is the row below it.
read -r top bottom < <(import -window root -crop "1x$gh+$((gx + gw / 2))+$gy" -depth 8 txt:- |
    sed -n 's/^0,\([0-9]*\): *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \4/p' |
    awk '$3 - $2 > 60 { if (top == "") top = $1; bottom = $1 } END { print top, bottom }')
[ -n "$top" ] || fail "no selected row seen"
xdotool mousemove $((gx + gw / 2)) $((gy + bottom + (bottom - top) / 2 + 1)) click 3
until_true 3 menu_up || fail "no context menu on the second performer"
xdotool key n
until_true 3 test -n "$(stored never)" || fail "\"Never pop up\" stored nothing"
[ "$(stored never)" = "$other," ] || fail "the choice went to '$(stored never)', not to the row clicked ($other)"

# Ended and started again: the choice is still stored, and kept at the next exit.
exit_program
start
exit_program
[ "$(stored never)" = "$other," ] || fail "after a restart the stored choice is '$(stored never)'"
echo "ok: \"Never pop up\" on $other (with $selected selected) survives a restart"
