#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program on a private system bus of its own and tears everything down however it ends:
# the bus, and every mock service whose id the program wrote to $VANTRO_BUS_DIR/pids.
# Usage: with_private_bus.sh SECONDS PROGRAM [ARGS...]
set -u
limit=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/shell_fixture.sh"
# The mocks the program started wrote their ids to $VANTRO_BUS_DIR/pids.
on_cleanup() { [ -f "$work/pids" ] && while read -r pid; do track "$pid"; done <"$work/pids"; }

socket="$work/system_bus_socket"
dbus-daemon --config-file="$here/private_system_bus.conf" --address="unix:path=$socket" \
  --nofork --nopidfile --syslog-only &
track $!
wait_for 5 test -S "$socket" || { echo "with_private_bus: dbus-daemon did not start" >&2; exit 1; }

export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$socket"
export VANTRO_BUS_DIR="$work"
export VANTRO_MOCK_DIR="$here"
unset DBUS_SESSION_BUS_ADDRESS
timeout -k 5 "$limit" "$@"
