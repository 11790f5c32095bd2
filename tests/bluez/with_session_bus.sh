#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program on a private session bus of its own, served by dbus-daemon or dbus-broker, and
# tears it down however the program ends. Exit 77 (skipped) when the chosen bus cannot be run here.
# Usage: with_session_bus.sh dbus-daemon|dbus-broker PROGRAM [ARGS...]
set -u
kind=$1
shift
# The broker's launcher logs to the journal, which is stood in for in a mount namespace of our own.
if [ "$kind" = dbus-broker ] && [ -z "${VANTRO_IN_NAMESPACE:-}" ]; then
  for tool in dbus-broker-launch systemd-socket-activate unshare; do
    command -v "$tool" >/dev/null || { echo "with_session_bus: $tool is not installed" >&2; exit 77; }
  done
  VANTRO_IN_NAMESPACE=1 exec unshare -m "$0" "$kind" "$@" || exit 77
fi
. "$(dirname "$0")/../support/shell_fixture.sh"

case "$kind" in
dbus-daemon)
  command -v dbus-daemon >/dev/null || { echo "with_session_bus: dbus-daemon is not installed" >&2; exit 77; }
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" >/dev/null 2>&1 &
  track $!
  ;;
dbus-broker)
  # Outside systemd the launcher's journal and socket activation are stood in for.
  mkdir -p "$work/journal"
  mount --bind "$work/journal" /run/systemd/journal 2>/dev/null || {
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
  track $!
  # The launcher also talks to the service manager on a bus of its own: a bare dbus-daemon will do.
  mkdir -p "$work/runtime"
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/runtime/bus" >/dev/null 2>&1 &
  track $!
  wait_for 5 test -S "$work/runtime/bus"
  XDG_RUNTIME_DIR="$work/runtime" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/runtime/bus" \
    systemd-socket-activate -E XDG_RUNTIME_DIR -E DBUS_SESSION_BUS_ADDRESS -l "$work/bus" \
    dbus-broker-launch --scope user >"$work/broker.log" 2>&1 &
  track $!
  ;;
*)
  echo "usage: with_session_bus.sh dbus-daemon|dbus-broker PROGRAM [ARGS...]" >&2
  exit 2
  ;;
esac

export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
answers() {
  [ -S "$work/bus" ] && dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetId >/dev/null 2>&1
}
if ! wait_for 5 answers; then
  echo "with_session_bus: $kind did not start" >&2
  [ -f "$work/broker.log" ] && cat "$work/broker.log" >&2
  exit 1
fi
unset DBUS_SYSTEM_BUS_ADDRESS
"$@"
