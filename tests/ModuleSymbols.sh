#!/bin/sh
# The module's boundary: of our own code only the C exports may be visible to the host.
# Everything else a loader could bind to is the toolkit's or the C++ library's (templates and
# type information that their headers leave visible), or the linker's own markers.
set -eu
module="$1"
[ -f "$module" ] || { echo "no module at $module"; exit 1; }
symbols=$(nm -D --defined-only -C "$module" | cut -d' ' -f3-)
ours=$(printf '%s\n' "$symbols" \
  | sed -e 's/^\(typeinfo name for\|typeinfo for\|vtable for\|VTT for\) //' \
        -e 's/^void //' -e 's/^[A-Za-z_:<>*& ,]*\* std::/std::/' \
  | grep -v -E '^(std::|__gnu_cxx::|wx|_edata$|_end$|__bss_start$|SiteRun$|GetNewPluginFileName$)' || true)
if [ -n "$ours" ]; then
  echo "the module shows symbols beyond its exports:"
  printf '%s\n' "$ours"
  exit 1
fi
printf '%s\n' "$symbols" | grep -q -x SiteRun || { echo "the module does not export SiteRun"; exit 1; }
echo "module boundary: only the exports are ours"
