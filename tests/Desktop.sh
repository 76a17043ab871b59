# Shell helpers for the tests that meet the program as a person does, from outside, through a
# window manager on a virtual display: sourced by EndToEnd.sh, FaultMatrix.sh and Soak.sh.
# The caller sets `scale` (time limits are multiplied by it) and `work` (a private folder), and
# may add process ids to `pids`: they are all ended on exit.
pids=()
desktop_cleanup()
{
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap desktop_cleanup EXIT

# until_true SECONDS COMMAND...: runs COMMAND a few times a second until it succeeds.
until_true()
{
    local limit=$(( $1 * scale * 10 )) i; shift
    for ((i = 0; i < limit; ++i)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
# x y width height of a window, frame excluded, in screen coordinates: gx gy gw gh.
geometry()
{
    eval "$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {print "gx=" $4} /Absolute upper-left Y/ {print "gy=" $4}
                                      /Width:/ {print "gw=" $2} /Height:/ {print "gh=" $2}')"
}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# The program under test, by its process id in `host`: whether it has ended, its resident memory.
host_ended() { ! kill -0 "$host" 2>/dev/null; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$host/status" 2>/dev/null || echo 0; }

start_openbox()
{
    openbox > /dev/null 2>&1 & pids+=($!)
    until_true 10 wmctrl -m > /dev/null 2>&1
}

# start_site SITESIM ARGS...: the simulated site on free ports, its request log in $work/site.out;
# sets web, image and preview to its servers.
start_site()
{
    local sitesim=$1; shift
    # Emptied here first: the new site opens the file in its own time, and until then the last
    # site's log would answer for it.
    : > "$work/site.out"
    "$sitesim" --web 0 --image 0 --preview 0 --log "$@" > "$work/site.out" & site=$!; pids+=($site)
    until_true 10 grep -q '^sitesim: web' "$work/site.out" || return 1
    read -r web image preview < <(sed -n 's|^sitesim: web http://\(.*\) image http://\(.*\) preview http://\(.*\)$|\1 \2 \3|p' "$work/site.out")
}

# write_settings [LINES...]: the settings of a fast-polling program against the site, a splash of
# ${splash:-1} seconds, then the given lines ("[Group]" or "key=value").
write_settings()
{
    mkdir -p "$XDG_CONFIG_HOME"
    {
        printf '[Site]\nwebserver=%s\nimageserver=%s\npreviewserver=%s\n' "$web" "$image" "$preview"
        printf '[System]\nsyncinterval=1\n[SplashScreen]\nduration=%s\n' "${splash:-1}"
        local line
        for line in "$@"; do printf '%s\n' "$line"; done
    } > "$XDG_CONFIG_HOME/Messenger.conf"
}

# find_main: sets main to the main window once it is shown.
find_main() { main=$(window '^Solvane LoginChecker$'); [ -n "$main" ]; }

# menu_key MENU ITEM: a command of the main window's menu bar from the keyboard (Alt+MENU, ITEM);
# key_ms is the time the ITEM key went.
menu_key()
{
    xdotool windowactivate --sync "$main" key --clearmodifiers "alt+$1" 2>/dev/null
    sleep 0.3
    key_ms=$(now_ms)
    xdotool key "$2"
}

# open_login_dialog: "&UpdateFavorite"; sets dialog to the Authentication dialog it opens.
open_login_dialog()
{
    local j
    menu_key t u
    for ((j = 0; j < 10 * scale; ++j)); do
        dialog=$(window '^Authentication$'); [ -n "$dialog" ] && return 0
        sleep 0.1
    done
    xdotool key Escape Escape
    return 1
}

# login USER PASSWORD: the account typed into the dialog and sent.
login()
{
    until_true 2 open_login_dialog || return 1
    xdotool windowactivate --sync "$dialog" type --delay 20 "$1"
    xdotool key Tab type --delay 20 "$2"
    xdotool key Return
}

