#!/usr/bin/env bash
# Instructions from exec to the first frame, the app against the bare window, under callgrind: a figure
# that other work on the machine does not move (startup_bench's milliseconds do). Each program is started
# once untimed first, so the data directory and settings are as at any later start.
# usage: bench/startup_profile.sh [BUILD_DIR] [OUT_DIR]   (callgrind files for callgrind_annotate)
set -euo pipefail
build=${1:-build}
out=${2:-$(mktemp -d)}
mkdir -p "$out"
work=$(mktemp -d)
mapfile -t bus < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
trap 'kill "${bus[1]}" 2>/dev/null || true; rm -rf "$work"' EXIT
export DBUS_SESSION_BUS_ADDRESS=${bus[0]} QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/c XDG_DATA_HOME=$work/x
export VANTRO_FIRST_FRAME_MARK=exit
profile() {  # profile NAME PROGRAM ARGS...
  local name=$1; shift
  "$@" >/dev/null 2>&1
  valgrind --tool=callgrind --callgrind-out-file="$out/$name.callgrind" "$@" 2>&1 >/dev/null |
    awk -v n="$name" '/Collected/ {gsub(",", "", $4); printf "%s: %d instructions to the first frame\n", n, $4}'
}
profile bare "$build/bench/startup_bare_window"
profile app "$build/bin/vantro" --simulate --data-dir "$work/data"
echo "profiles in $out"
