#!/usr/bin/env bash
# The resident companion on a private session bus that this test starts: one instance, the
# freedesktop Application actions, vantro-cli through the bus, busy answers and bad calls.
# usage: resident_bus_test.sh VANTRO VANTRO_CLI
set -u  # no pipefail: the bad calls below fail on purpose and their errors are grepped
vantro=$1
cli=$2
for tool in dbus-daemon dbus-send gdbus; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup installs it)"; exit 77; }
done
work=$(mktemp -d)
mapfile -t bus < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "${bus[1]:-}" ] && kill "${bus[1]}" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export DBUS_SESSION_BUS_ADDRESS=${bus[0]}
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
data=$work/d
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }
owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.vantro.Vantro 2>/dev/null | grep -q true
}
waitFor() {  # waitFor SECONDS COMMAND...
  local limit=$(($1 * 10)); shift
  for _ in $(seq 1 "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
call() { gdbus call --session --dest org.vantro.Vantro --object-path /org/vantro/Vantro --method "$@" 2>&1; }

"$vantro" --background --simulate --data-dir "$data" --verbose >/dev/null 2>"$work/app.log" &
app=$!
check "background start owns the name" "waitFor 20 owned"

# A second start shows the first one's window and ends at once, without a link of its own.
timeout 30 "$vantro" --simulate --data-dir "$data" 2>"$work/second.log"
check "second instance exits 0" "[ $? -eq 0 ]"
# Options the running companion cannot take are said in one line, not silently dropped.
check "the second names what it could not apply" \
  "[ \$(grep -c 'not applied' '$work/second.log') -eq 1 ] && grep -q -- '--data-dir $data, --simulate not applied' '$work/second.log'"
timeout 30 "$vantro" 2>"$work/third.log"
check "a plain second start has nothing to say about options" "! grep -q 'not applied' '$work/third.log'"
check "the first hears Activate" "waitFor 5 grep -q 'bus: Activate' '$work/app.log'"
check "the first still runs" "kill -0 $app"

"$cli" status --json >"$work/status" 2>&1
check "status through the bus" "grep -q '\"running\":true' '$work/status' && grep -q '\"State\":\"Disconnected\"' '$work/status'"
"$cli" connect >"$work/connect" 2>&1
check "connect through the bus" "[ $? -eq 0 ] && grep -q 'through the running app' '$work/connect'"
check "status shows the link" "'$cli' status | grep -q '^State: *Connected'"

# A connect starts the automatic sync; a sync asked for meanwhile is told the companion is busy.
check "the band syncs on its own after the connect" "waitFor 10 grep -q 'automatic sync' '$work/app.log'"
call org.vantro.Vantro.Companion.Sync >"$work/sync0"
check "a sync during the automatic one answers busy" "grep -q 'Error.Busy' '$work/sync0'"
idle() { "$cli" status --json | grep -q '"Syncing":false'; }
check "the automatic sync ends" "waitFor 30 idle"

# Two syncs at once: one runs, the other is told the companion is busy.
call org.vantro.Vantro.Companion.Sync >"$work/sync1" &
first=$!
call org.vantro.Vantro.Companion.Sync >"$work/sync2"
wait $first
cat "$work/sync1" "$work/sync2" >"$work/syncs"
check "one of two syncs answers busy" "[ \$(grep -c 'Error.Busy' '$work/syncs') -eq 1 ]"
check "the other one syncs" "grep -q 'synced:' '$work/syncs'"
"$cli" sync >"$work/sync3" 2>&1
check "sync through the bus" "[ $? -eq 0 ] && grep -q 'through the running app' '$work/sync3'"
days=$("$cli" --data-dir "$data" history | wc -l)
check "14 days stored" "[ $days -eq 14 ]"
# Three syncs ran (the automatic one and two asked for), all in the app: vantro-cli asked for no
# records of its own, and the busy answers sent nothing to the band.
asked=$(grep -c 'SendData: CMD_TYPE_GETDAY_DATA' "$work/app.log")
check "the app asked for the days once per sync ($asked)" "[ $asked -eq 3 ]"

# Bad calls get D-Bus errors and the companion lives on.
check "unknown action" "call org.freedesktop.Application.ActivateAction fly [] {} | grep -q InvalidArgs"
check "malformed call" "dbus-send --session --print-reply --dest=org.vantro.Vantro /org/vantro/Vantro \
  org.freedesktop.Application.ActivateAction string:quit 2>&1 | grep -q InvalidArgs"
check "unknown method" "call org.vantro.Vantro.Companion.Explode | grep -q UnknownMethod"
check "still running after bad calls" "kill -0 $app"

# vantro --quit ends it.
timeout 20 "$vantro" --quit
check "--quit exits 0" "[ $? -eq 0 ]"
check "the companion ended" "waitFor 10 eval '! kill -0 $app 2>/dev/null'"
wait "$app" 2>/dev/null
check "it ended cleanly" "[ $? -eq 0 ]"
app=
check "--quit with none running fails" "! timeout 20 '$vantro' --quit 2>/dev/null"
check "status with none running" "'$cli' status --json | grep -q '\"running\":false'"

# ActivateAction quit ends a companion too.
"$vantro" --background --simulate --data-dir "$data" >/dev/null 2>>"$work/app.log" &
app=$!
check "started again" "waitFor 20 owned"
call org.freedesktop.Application.ActivateAction quit [] {} >/dev/null
check "ActivateAction quit ends it" "waitFor 10 eval '! kill -0 $app 2>/dev/null'"
app=

# Without a session bus: one log line, and the app runs as a single window.
DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus timeout 5 "$vantro" --simulate --data-dir "$data" 2>"$work/nobus.log"
check "no bus: runs until stopped" "[ $? -eq 124 ]"
check "no bus: one log line" "[ \$(grep -c 'no session bus' '$work/nobus.log') -eq 1 ]"
check "no bus: the line names the relay" "grep 'no session bus' '$work/nobus.log' | grep -q 'desktop notifications'"

[ $fail -eq 0 ] || { echo "--- app log"; grep -v -e 数据 -e SendData -e -add: "$work/app.log" | tail -40; }
exit $fail
