#!/bin/sh
# The folders keep to the layer table of docs/architecture.md, read from the page itself so that
# the page and the code can not drift apart: every quoted include of one of our folders names the
# including file's own folder or one that its row allows; a row allows only rows above it, so the
# layers have no circle; and every folder of src/ has its row.
set -u
root=$1
cd "$root" || exit 1
find src sitesim -path sitesim/tests -prune -o \( -name '*.h' -o -name '*.cpp' \) -print | sort \
  | xargs awk -v folders="$(ls -d src/*/ | tr '\n' ' ')" '
  function fail(what) { print what; bad = 1 }
  # The table: "| `src/util/` | what lives there | util, model |", lowest layer first.
  FILENAME ~ /architecture\.md$/ {
    if (/^## /) inside = ($0 == "## Layers")
    if (!inside || !/^\| `/) next
    split($0, cell, "|"); row = cell[2]; gsub(/[ `]/, "", row); sub(/\/$/, "", row)
    name = row; sub(/^src\//, "", name); may = cell[4]
    if (may ~ /everything above/) may = above
    else if (may ~ /nothing of ours/) may = ""
    else { gsub(/[ `]/, "", may); gsub(/,/, " ", may) }
    n = split(may, each, " ")
    for (i = 1; i <= n; i++)
      if ((" " above " ") !~ (" " each[i] " "))
        fail("docs/architecture.md: " row " may include " each[i] ", which is not a row above it")
    allowed[row] = " " name " " may " "; above = above " " name
    next
  }
  FNR == 1 {
    folder = FILENAME; sub(/\/[^\/]*$/, "", folder)
    if (!(folder in allowed) && !(folder in told)) { told[folder] = 1; fail(folder ": no row in the layer table of docs/architecture.md") }
  }
  /^[ \t]*#[ \t]*include[ \t]*"/ {
    named = $0; sub(/^[^"]*"/, "", named); sub(/".*$/, "", named); target = named
    while (sub(/^\.\.?\//, "", target)) {}
    sub(/^src\//, "", target)
    if (target !~ /\//) next
    top = target; sub(/\/.*$/, "", top)
    if ((" " folders " ") !~ (" src/" top "/ ")) next
    if (allowed[folder] !~ (" " top " "))
      fail(FILENAME ":" FNR ": #include \"" named "\": " folder " may not include " top)
  }
  END { exit bad }
' docs/architecture.md || exit 1
echo "layers: every include keeps to the table of docs/architecture.md"
