#!/bin/bash
# What the real program costs on a big site, beside a bare toolkit tree holding the same names:
# for each population, the site at its default interval, the program started without an account
# (the All page only), then, after a warm-up, its share of one core over a minute and its
# anonymous memory, and how long E&xit takes from the key to the program's end; then the bare
# tree's memory with the names of the site's list.
# usage: Footprint.sh BUILD [SECONDS] [POPULATION...]   (run under xvfb-run; starts its own openbox)
set -u
build=$(cd "$1" && pwd)
seconds=${2:-60}
populations=(10000 100000)
[ $# -gt 2 ] && populations=("${@:3}")
scale=1
work=$(mktemp -d)
. "$(dirname "$0")/../tests/Desktop.sh"
export XDG_CONFIG_HOME=$work/config LANG=C LANGUAGE= LC_ALL=
start_openbox || { echo "no window manager"; exit 1; }

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
anon_mib() { awk '/^RssAnon:/ {printf "%.0f", $2 / 1024}' "/proc/$1/status"; }
# Share of one core, in percent, over the given seconds.
cpu_share()
{
    local before=$(cpu_ticks "$1")
    sleep "$2"
    awk "BEGIN {printf \"%.2f\", ($(cpu_ticks "$1") - $before) * 100 / ($ticks * $2)}"
}

printf '| performers | Solvane: CPU of one core | Solvane: anonymous memory | bare tree: anonymous memory | above the bare tree | exit |\n'
printf '|---|---|---|---|---|---|\n'
for population in "${populations[@]}"; do
    start_site "$build/sitesim/sitesim" --population "$population" || { echo "sitesim did not start"; exit 1; }
    mkdir -p "$XDG_CONFIG_HOME"
    printf '[Site]\nwebserver=%s\nimageserver=%s\npreviewserver=%s\n[SplashScreen]\nduration=0\n[Update]\ncheck=0\n' \
        "$web" "$image" "$preview" > "$XDG_CONFIG_HOME/Messenger.conf"
    rm -rf "$work/data"
    "$build/bin/Solvane" > "$work/host.out" 2>&1 & host=$!
    until_true 30 find_main || { echo "no main window"; exit 1; }
    # Warm-up: the first list in, laid out, and a few polls after it.
    sleep 30
    cpu=$(cpu_share "$host" "$seconds")
    anon=$(anon_mib "$host")
    menu_key f x
    until_true 10 host_ended || kill "$host"
    exit_ms=$(( $(now_ms) - key_ms ))
    wait "$host" 2>/dev/null

    curl -s "http://$web/include/js/online_performers.js" |
        sed -n 's/^online_performers\.add(\(.*\));$/\1/p' > "$work/names"
    # OpenGL left aside as the program leaves it: loading the GL driver costs either some 8 MB,
    # and whether those pages show varies from run to run.
    GDK_GL=disable "$build/bench/bare_tree" "$work/names" > /dev/null 2>&1 & bare=$!
    bare_shown() { [ -n "$(window '^Bare tree$')" ]; }
    until_true 30 bare_shown || { echo "no bare tree"; exit 1; }
    sleep 5
    bare_anon=$(anon_mib "$bare")
    kill "$bare"; wait "$bare" 2>/dev/null
    kill "$site"; wait "$site" 2>/dev/null

    printf '| %s | %s %% | %s MB | %s MB (%s names) | %s MB | %s ms |\n' "$population" "$cpu" "$anon" "$bare_anon" \
        "$(wc -l < "$work/names")" "$((anon - bare_anon))" "$exit_ms"
done
