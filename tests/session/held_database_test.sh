#!/usr/bin/env bash
# The resident companion beside a database another program holds: the bus keeps answering at once while
# the band's records wait, and once the file is let go they are stored and the sync succeeds.
# usage: held_database_test.sh VANTRO VANTRO_CLI
set -u
vantro=$1
cli=$2
. "$(dirname "$0")/../support/shell_fixture.sh"
require dbus-daemon dbus-send
py=python3
[ -x /usr/bin/python3 ] && py=/usr/bin/python3
$py -c 'import dbus, sqlite3' 2>/dev/null || { echo "SKIP: python3-dbus is missing (scripts/setup installs it)"; exit 77; }
start_session_bus
app=
on_cleanup() { [ -n "$app" ] && kill "$app" 2>/dev/null; }
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
data=$work/d
"$vantro" --background --simulate --data-dir "$data" --verbose >/dev/null 2>"$work/app.log" &
app=$!
check "the companion owns the name" "wait_for 30 owned org.vantro.Vantro"
"$cli" connect >/dev/null 2>&1 || fail "connect"
idle() { "$cli" status --json | grep -q '"Syncing":false'; }
check "the automatic sync ended" "wait_for 30 idle"

# Another program holds the file (as an open transaction in a database browser does) until told to stop.
$py - "$data/database.sqlite3" "$work/stop" >"$work/holder" 2>&1 <<'PY' &
import os, sqlite3, sys, time
db = sqlite3.connect(sys.argv[1], isolation_level=None)
db.execute("BEGIN EXCLUSIVE")
print("held", flush=True)
end = time.monotonic() + 60
while not os.path.exists(sys.argv[2]) and time.monotonic() < end:
    time.sleep(0.05)
db.execute("ROLLBACK")
PY
holder=$!
track $holder
check "the file is held" "wait_for 10 grep -q held '$work/holder'"
"$cli" sync >"$work/sync" 2>&1 &
syncer=$!
# The status is asked for every 0.1 s while the sync waits for the file: each answer is timed.
$py - >"$work/latency" 2>&1 <<'PY'
import time, dbus
bus = dbus.SessionBus()
longest, syncing = 0.0, 0
for _ in range(60):
    start = time.monotonic()
    status = bus.call_blocking("org.vantro.Vantro", "/org/vantro/Vantro", "org.vantro.Vantro.Companion",
                               "GetStatus", "", [], timeout=30)
    longest = max(longest, time.monotonic() - start)
    syncing += bool(status.get("Syncing"))
    time.sleep(0.1)
print("longest %.3f syncing %d" % (longest, syncing))
PY
read -r _ longest _ syncing <"$work/latency"
echo "GetStatus beside the held file: longest answer ${longest:-?} s"
check "GetStatus answers at once while the file is held ($(cat "$work/latency"))" \
  "awk 'BEGIN { exit !(${longest:-9} < 0.5) }'"
check "the sync waits for the file" "[ ${syncing:-0} -ge 30 ] && kill -0 $syncer"
check "the wait is logged" "grep -q 'is held by another program' '$work/app.log'"
touch "$work/stop"
wait $syncer
check "once let go, the sync succeeds" "[ $? -eq 0 ] && grep -Eq '^Synced: 14 days and [0-9]+ nights stored' '$work/sync'"
# The automatic sync wrote each of the 14 days once; the held sync wrote each again once let go.
writes=$(grep -cE ': (插入|更新)数据$' "$work/app.log")
check "each day written once per sync ($writes day writes)" "[ $writes -eq 28 ]"
check "14 days stored" "[ \$('$cli' --data-dir '$data' history | wc -l) -eq 14 ]"
finish "the bus answered while the database was held"
