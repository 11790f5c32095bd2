#!/usr/bin/env bash
# Runs a command with a mock org.freedesktop.Notifications on the (private) session bus.
# usage: with_notification_daemon.sh PYTHON COMMAND [ARGS...]
python=$1
shift
. "$(dirname "$0")/../support/shell_fixture.sh"
"$python" -m dbusmock --template notification_daemon >/dev/null 2>&1 &
track $!
wait_for 10 owned org.freedesktop.Notifications || { echo "mock notification daemon did not start" >&2; exit 1; }
"$@"
