#!/bin/sh
# The module's boundary: of our own code only the C exports may be visible to the host.
# Everything else a loader could bind to is the toolkit's or the C++ library's (templates and
# type information that their headers leave visible), or the linker's own markers.
set -eu
module="$1"
[ -f "$module" ] || { echo "no module at $module"; exit 1; }
symbols=$(nm -D --defined-only -C "$module" | cut -d' ' -f3-)
# The qualified name of each symbol: without "typeinfo for" and the like, without the
# parameters, and without a return type (the last blank outside template brackets ends it).
names=$(printf '%s\n' "$symbols" | sed -e 's/^\(typeinfo name for\|typeinfo for\|vtable for\|VTT for\|guard variable for\) //' | awk '{
  depth = 0; cut = length($0) + 1; start = 1
  for (i = 1; i <= length($0); i++) {
    c = substr($0, i, 1)
    if (c == "<") depth++
    else if (c == ">") depth--
    else if (c == "(" && depth == 0) { cut = i; break }
    else if (c == " " && depth == 0) start = i + 1
  }
  print substr($0, start, cut - start)
}')
ours=$(printf '%s\n' "$names" \
  | grep -v -E '^(std::|__gnu_cxx::|wx|_edata$|_end$|__bss_start$|SiteRun$|SiteShow$|SiteStop$|GetNewPluginFileName$)' || true)
if [ -n "$ours" ]; then
  echo "the module shows symbols beyond its exports:"
  printf '%s\n' "$ours"
  exit 1
fi
for export in SiteRun SiteShow SiteStop GetNewPluginFileName; do
  printf '%s\n' "$symbols" | grep -q -x "$export" || { echo "the module does not export $export"; exit 1; }
done
echo "module boundary: only the exports are ours"
