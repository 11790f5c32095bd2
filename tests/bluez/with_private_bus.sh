#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program on a private system bus of its own and tears everything down however it ends:
# the bus, and every mock service whose id the program wrote to $VANTRO_BUS_DIR/pids.
# Usage: with_private_bus.sh SECONDS PROGRAM [ARGS...]
set -u
limit=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/vantro-bus.XXXXXX")
daemon=""

cleanup() {
  if [ -f "$dir/pids" ]; then
    while read -r pid; do
      [ -n "$pid" ] && kill "$pid" 2>/dev/null
    done <"$dir/pids"
  fi
  if [ -n "$daemon" ]; then
    kill "$daemon" 2>/dev/null
    wait "$daemon" 2>/dev/null
  fi
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

socket="$dir/system_bus_socket"
dbus-daemon --config-file="$here/private_system_bus.conf" --address="unix:path=$socket" \
  --nofork --nopidfile --syslog-only &
daemon=$!
for _ in $(seq 100); do
  [ -S "$socket" ] && break
  sleep 0.05
done
if [ ! -S "$socket" ]; then
  echo "with_private_bus: dbus-daemon did not start" >&2
  exit 1
fi

export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$socket"
export VANTRO_BUS_DIR="$dir"
export VANTRO_MOCK_DIR="$here"
unset DBUS_SESSION_BUS_ADDRESS
timeout -k 5 "$limit" "$@"
