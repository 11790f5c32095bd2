#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program on a private session bus of its own, served by dbus-daemon or dbus-broker, and
# tears it down however the program ends. Exit 77 (skipped) when the chosen bus cannot be run here.
# Usage: with_session_bus.sh dbus-daemon|dbus-broker PROGRAM [ARGS...]
set -u
kind=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/vantro-session.XXXXXX")
pids=()

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

case "$kind" in
dbus-daemon)
  command -v dbus-daemon >/dev/null || { echo "with_session_bus: dbus-daemon is not installed" >&2; exit 77; }
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$dir/bus" >/dev/null 2>&1 &
  pids+=($!)
  ;;
dbus-broker)
  # The launcher logs to the journal and takes its socket from socket activation; outside systemd both
  # are stood in for, the journal in a mount namespace of this script's own.
  if [ -z "${VANTRO_IN_NAMESPACE:-}" ]; then
    for tool in dbus-broker-launch systemd-socket-activate unshare; do
      command -v "$tool" >/dev/null || { echo "with_session_bus: $tool is not installed" >&2; exit 77; }
    done
    VANTRO_IN_NAMESPACE=1 exec unshare -m "$0" "$kind" "$@" || exit 77
  fi
  mkdir -p "$dir/journal"
  mount --bind "$dir/journal" /run/systemd/journal 2>/dev/null || {
    echo "with_session_bus: cannot stand in for the journal here" >&2
    exit 77
  }
  /usr/bin/python3 -c "
import socket
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.bind('/run/systemd/journal/socket')
while True:
    s.recv(65536)
" &
  pids+=($!)
  # The launcher also talks to the service manager on a bus of its own: a bare dbus-daemon will do.
  mkdir -p "$dir/runtime"
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$dir/runtime/bus" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$dir/runtime/bus" ] && break; sleep 0.05; done
  XDG_RUNTIME_DIR="$dir/runtime" DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/runtime/bus" \
    systemd-socket-activate -E XDG_RUNTIME_DIR -E DBUS_SESSION_BUS_ADDRESS -l "$dir/bus" \
    dbus-broker-launch --scope user >"$dir/broker.log" 2>&1 &
  pids+=($!)
  ;;
*)
  echo "usage: with_session_bus.sh dbus-daemon|dbus-broker PROGRAM [ARGS...]" >&2
  exit 2
  ;;
esac

export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus"
ready=0
for _ in $(seq 100); do
  if [ -S "$dir/bus" ] && dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetId >/dev/null 2>&1; then
    ready=1
    break
  fi
  sleep 0.05
done
if [ "$ready" -ne 1 ]; then
  echo "with_session_bus: $kind did not start" >&2
  [ -f "$dir/broker.log" ] && cat "$dir/broker.log" >&2
  exit 1
fi
unset DBUS_SYSTEM_BUS_ADDRESS
"$@"
