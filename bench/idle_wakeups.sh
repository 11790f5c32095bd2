#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# How often the resident companion wakes while idle: connected, window closed, find-me off. Counts the
# voluntary context switches of all its threads over SECONDS (default 60) and prints them per minute,
# first with the simulated band (whose own reports count there), then on the mock bluetoothd.
# usage: bench/idle_wakeups.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
seconds=${2:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
vantro=$build/bin/vantro
cli=$build/bin/vantro-cli
work=$(mktemp -d)
mapfile -t bus < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
pid=
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  kill "${bus[1]}" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DBUS_SESSION_BUS_ADDRESS=${bus[0]} QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/c XDG_DATA_HOME=$work/x

wakeups() {  # wakeups PID: voluntary context switches of all its threads so far
  cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'
}

"$cli" --data-dir "$work/data" settings set findme 2 >/dev/null
"$vantro" --background --simulate --data-dir "$work/data" >"$work/app.log" 2>&1 &
pid=$!
for _ in $(seq 1 100); do "$cli" status --json 2>/dev/null | grep -q '"running":true' && break; sleep 0.1; done
"$cli" --data-dir "$work/data" connect >/dev/null
"$cli" --data-dir "$work/data" sync >/dev/null
sleep 5  # the link settles
before=$(wakeups "$pid")
sleep "$seconds"
after=$(wakeups "$pid")
awk -v n=$((after - before)) -v s="$seconds" \
  'BEGIN { printf "simulated band, connected, idle: %.1f wakeups a minute\n", n * 60 / s }'
"$vantro" --quit >/dev/null 2>&1 || true
wait "$pid" 2>/dev/null || true
pid=

# The mock bluetoothd: the phone's-day script's idle minute, find-me off, without its faults.
firmware=$build/tests/bluez/vantro-firmware
if [ -x "$firmware" ] && /usr/bin/python3 -c 'import dbus, dbusmock' 2>/dev/null; then
  "$here/tests/bluez/with_private_bus.sh" $((seconds * 2 + 240)) /usr/bin/python3 "$here/tests/bluez/phone_day.py" \
    "$vantro" "$cli" "$firmware" --idle-only --findme off --idle "$seconds" |
    awk -F'|' '/^\| idle, connected/ { split($3, f, ","); printf "mock bluetoothd, connected, idle: %.1f wakeups a minute\n", f[3] }'
else
  echo "mock bluetoothd: skipped (needs $firmware and python3-dbusmock)"
fi
