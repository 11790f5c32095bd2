#!/usr/bin/env bash
# The three start-up figures of the app against a bare Qt window, side by side: instructions to the first
# frame (callgrind), the offscreen time to the first frame and, with DISPLAY set, the time until the window
# is viewable on that X server (16 interleaved pairs); each as a ratio, with the load average around them.
# usage: bench/startup_figures.sh [BUILD_DIR]   (e.g. DISPLAY=:77 after `Xvfb :77 -noreset &`)
set -euo pipefail
build=${1:-build}
load() { cut -d' ' -f1 /proc/loadavg; }
before=$(load)
counts=$(bench/startup_profile.sh "$build")
echo "$counts" | grep instructions
bench=$("$build/bench/startup_bench" 2>&1)
echo "$bench" | grep BM_
field() { echo "$bench" | grep "$1" | grep -o " $2=[0-9.]*" | cut -d= -f2; }
awk -v a="$(echo "$counts" | awk '/^app:/ {print $2}')" -v b="$(echo "$counts" | awk '/^bare:/ {print $2}')" \
  'BEGIN { printf "instructions ratio: %.3f (%.1f M against %.1f M)\n", a / b, a / 1e6, b / 1e6 }'
echo "offscreen ratio: $(field BM_FirstFrame ratio)"
if [ -n "$(field BM_WindowViewable ratio)" ]; then
  echo "real window ratio (median of pairs): $(field BM_WindowViewable ratio)" \
    "(pairs $(field BM_WindowViewable ratio_min)-$(field BM_WindowViewable ratio_max))"
else
  echo "real window ratio: not measured (no DISPLAY, or built without xcb)"
fi
echo "load average: $before before, $(load) after"
