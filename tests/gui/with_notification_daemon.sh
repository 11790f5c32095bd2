#!/bin/sh
# Runs a command with a mock org.freedesktop.Notifications on the (private) session bus.
# usage: with_notification_daemon.sh PYTHON COMMAND [ARGS...]
python=$1
shift
"$python" -m dbusmock --template notification_daemon >/dev/null 2>&1 &
mock=$!
ready=0
for _ in $(seq 1 100); do
    if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null | grep -q true; then
        ready=1
        break
    fi
    sleep 0.1
done
if [ "$ready" -ne 1 ]; then
    echo "mock notification daemon did not start" >&2
    kill "$mock" 2>/dev/null
    exit 1
fi
"$@"
rc=$?
kill "$mock" 2>/dev/null
wait "$mock" 2>/dev/null
exit $rc
