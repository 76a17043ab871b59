# Shell helpers for the tests that meet the program as a person does, from outside, through a
# window manager on a virtual display: sourced by EndToEnd.sh, FaultMatrix.sh, Soak.sh and
# GnomeDesktop.sh.
# The caller sets `scale` (time limits are multiplied by it) and `work` (a private folder), and
# may add process ids to `pids`: they are all ended on exit.
pids=()
# The program's history goes into the private folder: a test never reads what an earlier one wrote.
export XDG_DATA_HOME=$work/data
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

# Now and then openbox can not open a display that is there ("Failed to open the display from the
# DISPLAY environment variable", 2 starts in 15 in a loop) and ends at once: it is started again.
start_openbox()
{
    local attempt openbox
    for attempt in 1 2 3; do
        openbox > /dev/null 2>&1 & openbox=$!
        openbox_settled() { wmctrl -m > /dev/null 2>&1 || ! kill -0 "$openbox" 2>/dev/null; }
        until_true 10 openbox_settled
        if kill -0 "$openbox" 2>/dev/null && wmctrl -m > /dev/null 2>&1; then
            pids+=($openbox)
            return 0
        fi
        kill "$openbox" 2>/dev/null
    done
    return 1
}

# start_mutter [--no-x11]: GNOME's compositor, headless, on a virtual monitor of 1280x1024 (run
# inside a session bus of its own, with XDG_RUNTIME_DIR set); sets mutter to its process and
# exports WAYLAND_DISPLAY, and DISPLAY and XAUTHORITY for its XWayland unless --no-x11.
start_mutter()
{
    local name=solvane-$$-$RANDOM
    : > "$work/mutter.out"
    mutter --headless --wayland "$@" --virtual-monitor 1280x1024 --wayland-display="$name" > "$work/mutter.out" 2>&1 &
    mutter=$!; pids+=($mutter)
    until_true 10 grep -q "Using Wayland display name" "$work/mutter.out" || return 1
    export WAYLAND_DISPLAY=$name
    if [ "${1:-}" = --no-x11 ]; then
        unset DISPLAY XAUTHORITY
        return 0
    fi
    until_true 10 grep -q "Using public X11 display" "$work/mutter.out" || return 1
    DISPLAY=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$work/mutter.out")
    XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2> /dev/null | head -1)
    export DISPLAY XAUTHORITY
    [ -n "$DISPLAY" ] && [ -n "$XAUTHORITY" ]
}

# start_trayer [STRUT]: a real notification area (XEmbed), as a panel at the bottom right holds it;
# with STRUT false it reserves no room, and windows may cover it. Sets panel to its window.
start_trayer()
{
    trayer --edge bottom --align right --SetDockType true --SetPartialStrut "${1:-true}" --widthtype request \
        --height 24 > /dev/null 2>&1 & pids+=($!)
    find_panel() { panel=$(xdotool search --classname '^panel$' 2>/dev/null | head -1); [ -n "$panel" ]; }
    until_true 10 find_panel
}
# find_icon: sets icon to the program's icon docked in the panel.
find_icon() { icon=$(xwininfo -tree -id "$panel" 2>/dev/null | awk '/"Solvane": \(/ {print $1; exit}'); [ -n "$icon" ]; }
# click_icon BUTTON [COUNT]: clicks on the middle of the icon, COUNT times in a row (a double click).
click_icon()
{
    geometry "$icon"
    xdotool mousemove --window "$icon" $((gw / 2)) $((gh / 2)) click --repeat "${2:-1}" --delay 80 "$1"
}
# is_shown ID: the window is mapped and seen.
is_shown() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
# menu_up: a pop-up menu of the program is on screen (a window without a window manager's frame).
menu_up()
{
    local id
    for id in $(xdotool search --onlyvisible --name '^Solvane$' 2>/dev/null); do
        xwininfo -id "$id" | grep -q 'Override Redirect State: yes' && return 0
    done
    return 1
}
# toolkit_said FILE: the first line of FILE that tells of a toolkit's warning, critical, failed
# assertion or error.
toolkit_said() { grep -m1 -iE 'critical|warning|assert|error' "$1"; }

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

