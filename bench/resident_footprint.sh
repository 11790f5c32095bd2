#!/usr/bin/env bash
# Memory of the resident companion with and without its window, and its CPU time over a minute of
# idling while connected to the simulated band, on a private session bus and the offscreen platform.
# usage: bench/resident_footprint.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
vantro=$build/bin/vantro
cli=$build/bin/vantro-cli
work=$(mktemp -d)
mapfile -t bus < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
pids=()
cleanup() { for p in "${pids[@]}" "${bus[1]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
export DBUS_SESSION_BUS_ADDRESS=${bus[0]} QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/c XDG_DATA_HOME=$work/x
rss() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

run() {  # run NAME ARGS...: starts vantro, connects and syncs through the bus, prints its RSS
  local name=$1; shift
  "$vantro" --simulate --data-dir "$work/$name" "$@" >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 1 100); do "$cli" status --json 2>/dev/null | grep -q '"running":true' && break; sleep 0.1; done
  "$cli" connect >/dev/null && "$cli" sync >/dev/null
  sleep 3
  echo "$name: RSS $(rss "$pid") kB"
  echo "$pid"
}

out=$(run window); echo "${out%$'\n'*}"; pid=${out##*$'\n'}; pids+=("$pid")
"$vantro" --quit; wait "$pid" 2>/dev/null || true
out=$(run background --background); echo "${out%$'\n'*}"; pid=${out##*$'\n'}; pids+=("$pid")
before=$(ticks "$pid")
sleep "$seconds"
after=$(ticks "$pid")
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "background, connected: %.2f s CPU in %d s (%.3f%%)\n", t / hz, s, 100 * t / hz / s }'
"$vantro" --quit
