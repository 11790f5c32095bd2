#!/usr/bin/env bash
# The resident companion on a private session bus that this test starts: one instance, the
# freedesktop Application actions, vantro-cli through the bus, busy answers and bad calls, owners of
# the name that answer late, leave mid-call or are not the companion, and the quitting signals.
# usage: resident_bus_test.sh VANTRO VANTRO_CLI
set -u  # no pipefail: the bad calls below fail on purpose and their errors are grepped
vantro=$1
cli=$2
here=$(dirname "$0")
squat=$here/../support/raw_bus.py
. "$here/../support/shell_fixture.sh"
require dbus-daemon dbus-send dbus-monitor gdbus python3
start_session_bus
app=
squatter=
on_cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$squatter" ] && kill "$squatter" 2>/dev/null
}
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
data=$work/d
call() { gdbus call --session --dest org.vantro.Vantro --object-path /org/vantro/Vantro --method "$@" 2>&1; }

# Whoever the name brings (a desktop activating the app, a script waiting for it) calls at once and is
# answered: the object is on the bus before the name.
/usr/bin/python3 - >"$work/first-call" 2>&1 <<'EOF' &
import sys, time, dbus
bus = dbus.SessionBus()
print("watching", flush=True)
end = time.monotonic() + 60
while not bus.name_has_owner("org.vantro.Vantro") and time.monotonic() < end:
    time.sleep(0.001)
print(dict(bus.call_blocking("org.vantro.Vantro", "/org/vantro/Vantro", "org.vantro.Vantro.Companion",
                             "GetStatus", "", [], timeout=60)).get("State"))
EOF
caller=$!
wait_for 30 grep -q watching "$work/first-call"
"$vantro" --background --simulate --data-dir "$data" --verbose >/dev/null 2>"$work/app.log" &
app=$!
wait $caller
check "a call as soon as the name appears is answered" "grep -qx Disconnected '$work/first-call'"
check "background start owns the name" "wait_for 20 owned org.vantro.Vantro"

# A second start shows the first one's window and ends at once, without a link of its own.
timeout 30 "$vantro" --simulate --data-dir "$data" 2>"$work/second.log"
check "second instance exits 0" "[ $? -eq 0 ]"
# Options the running companion cannot take are said in one line, not silently dropped.
check "the second names what it could not apply" \
  "[ \$(grep -c 'not applied' '$work/second.log') -eq 1 ] && grep -q -- '--data-dir $data, --simulate not applied' '$work/second.log'"
timeout 30 "$vantro" 2>"$work/third.log"
check "a plain second start has nothing to say about options" "! grep -q 'not applied' '$work/third.log'"
check "the first hears Activate" "wait_for 30 grep -q 'bus: Activate' '$work/app.log'"
check "the first still runs" "kill -0 $app"

"$cli" status --json >"$work/status" 2>&1
check "status through the bus" "grep -q '\"running\":true' '$work/status' && grep -q '\"State\":\"Disconnected\"' '$work/status'"
check "unknown values are null" "grep -q '\"Steps\":null' '$work/status' && grep -q '\"LastSync\":null' '$work/status'"
check "an unknown battery is -1 on the bus and null in the status, not 0" \
  "grep -q '\"Battery\":null' '$work/status' && call org.freedesktop.DBus.Properties.Get org.vantro.Vantro.Companion Battery | grep -q '<-1>'"

# connect, then sync: the sync asked for is the automatic one the connect started, and it stores the
# days once.
"$cli" connect >"$work/connect" 2>&1 && "$cli" sync >"$work/sync0" 2>&1
check "connect && sync exit 0" "[ $? -eq 0 ]"
check "connect through the bus" "grep -q '^Connected to .* (through the running app)$' '$work/connect'"
check "status shows the link" "'$cli' status | grep -q '^State: *Connected'"
check "the band synced on its own after the connect" "grep -q 'automatic sync' '$work/app.log'"
check "sync says what was stored" "grep -Eq '^Synced: 14 days and [0-9]+ nights stored \(through the running app\)$' '$work/sync0'"
idle() { "$cli" status --json | grep -q '"Syncing":false'; }
check "the sync ended" "wait_for 60 idle"

# Changes are told on the bus as they happen, in typed values, once each.
dbus-monitor --session "type='signal',path='/org/vantro/Vantro',member='PropertiesChanged'" >"$work/changes" 2>&1 &
monitor=$!
check "the bus is watched" "wait_for 30 grep -q NameLost '$work/changes'"

# A setting another program changes reaches the connected band, and the status shows it.
findMeSent() { grep -c 'SendData: CMD_TYPE_FINDME' "$work/app.log"; }
findMe() { "$cli" status --json | grep -q "\"FindMe\":$1"; }
sentBefore=$(findMeSent)
"$cli" --data-dir "$data" settings set findme 1 >/dev/null 2>&1
check "settings set findme shows in the status" "wait_for 30 findMe true"
check "settings set findme reaches the band" "wait_for 30 eval '[ \$(findMeSent) -eq $((sentBefore + 1)) ]'"
"$cli" --data-dir "$data" settings set findme 2 >/dev/null 2>&1
check "and back off" "wait_for 30 findMe false"
check "settings set went through the bus, not the file" "[ \$(grep -c 'bus: SetSetting findme' '$work/app.log') -eq 2 ]"
check "SetSetting checks the value as the file would" \
  "call org.vantro.Vantro.Companion.SetSetting findme 7 | grep -q \"InvalidArgs.*findme takes 1 (on) or 2 (off), not '7'\""
check "SetSetting refuses the marker" "call org.vantro.Vantro.Companion.SetSetting flags 1 | grep -q InvalidArgs"

# The numbers are numbers, in any language.
LANGUAGE=zh_CN "$cli" --lang zh_CN status --json >"$work/status-zh" 2>&1
check "status --json under zh_CN gives numbers" "grep -Eq '\"Steps\":[0-9]+[,}]' '$work/status-zh' && \
  grep -Eq '\"Battery\":[0-9]+[,}]' '$work/status-zh' && grep -Eq '\"LastSync\":[0-9]{10}[,}]' '$work/status-zh'"
"$cli" --lang zh_CN status >"$work/status-zh-text" 2>&1
check "status speaks one language" "grep -q '已连接' '$work/status-zh-text' && grep -Eq '^Steps: +[0-9]+ 步$' '$work/status-zh-text' &&
  ! grep -Eq ' (steps|minute|cal)$' '$work/status-zh-text'"
check "the bus property is an integer" "call org.freedesktop.DBus.Properties.Get org.vantro.Vantro.Companion Steps | grep -Eq '<int64 [0-9]+>'"

# Two syncs at once: the second waits for the first, both hear its outcome. Meanwhile the status
# still knows when the last sync was.
call org.vantro.Vantro.Companion.Sync --timeout 120 >"$work/sync1" &
first=$!
call org.vantro.Vantro.Companion.Sync --timeout 120 >"$work/sync2" &
second=$!
syncRunning() { "$cli" status --json >"$work/running" 2>&1 && grep -q '"Syncing":true' "$work/running"; }
check "the status shows the sync running" "wait_for 30 syncRunning"
check "LastSync stays known while a sync runs" "grep -Eq '\"LastSync\":[0-9]{10}[,}]' '$work/running'"
wait $first $second
cat "$work/sync1" "$work/sync2" >"$work/syncs"
kill $monitor
wait $monitor 2>/dev/null
told() { grep -A1 "string \"$1\"" "$work/changes" | grep -c "$2"; }
check "find-me on was told once" "[ \$(told FindMe 'boolean true') -eq 1 ]"
check "the sync was told in numbers" "[ \$(told DaysStored 'int32 14$') -ge 1 ] && [ \$(told LastSync 'int64 [0-9]\{10\}$') -ge 1 ]"
check "two syncs at once both answer" "[ \$(grep -c 'days and' '$work/syncs') -eq 2 ]"
"$cli" sync >"$work/sync3" 2>&1
check "sync through the bus" "[ $? -eq 0 ] && grep -q 'through the running app' '$work/sync3'"
days=$("$cli" --data-dir "$data" history | wc -l)
check "14 days stored" "[ $days -eq 14 ]"
# The date key keeps 14 rows whatever was written, so the writes are counted: each sync wrote each
# day once (adding or updating its row), never twice.
writes=$(grep -cE ': (插入|更新)数据$' "$work/app.log")
# Three batches went out (the automatic sync, the two at once, the last), all in the app.
asked=$(grep -c 'SendData: CMD_TYPE_GETDAY_DATA' "$work/app.log")
check "the app asked for the days once per sync ($asked)" "[ $asked -eq 3 ]"
check "each day written once per sync ($writes day writes)" "[ $writes -eq $((14 * asked)) ]"

# What vantro-cli cannot do through the app, it says, in one line, with exit 1.
for verb in sync connect forget disconnect "sim away" "settings set findme 1"; do
  "$cli" --data-dir "$work/elsewhere" $verb >"$work/dd" 2>&1
  check "$verb with another --data-dir exits 1" "[ $? -eq 1 ]"
  check "$verb: it names both directories" \
    "grep -q '$data' '$work/dd' && grep -q '$work/elsewhere' '$work/dd' && [ \$(wc -l <'$work/dd') -eq 1 ]"
done
check "nothing was done on the other directory's behalf" "'$cli' status | grep -q '^State: *Connected' &&
  '$cli' status --json | grep -q '\"FindMe\":false' && [ ! -e '$work/elsewhere' ]"
for verb in sync connect; do
  start=$(date +%s)
  "$cli" $verb NO-SUCH-BAND --timeout 3 >"$work/nosuch" 2>&1
  check "$verb: an unknown band exits 1 with one line" "[ $? -eq 1 ] && [ \$(wc -l <'$work/nosuch') -eq 1 ] &&
    grep -q 'NO-SUCH-BAND was not seen within 3 s' '$work/nosuch'"
  check "$verb: within its timeout" "[ \$((\$(date +%s) - start)) -lt 15 ]"
done
"$cli" forget >"$work/forget" 2>&1
check "forget through the bus" "[ $? -eq 0 ] && grep -q 'Forgot the chosen band (through the running app)' '$work/forget'"
check "the app forgot it" "wait_for 30 grep -q '\"chosenBand\": *{[^}]*\"value\": *\"\"' '$data/settings.json'"

# Bad calls get D-Bus errors and the companion lives on.
check "unknown action" "call org.freedesktop.Application.ActivateAction fly [] {} | grep -q InvalidArgs"
check "malformed call" "dbus-send --session --print-reply --dest=org.vantro.Vantro /org/vantro/Vantro \
  org.freedesktop.Application.ActivateAction string:quit 2>&1 | grep -q InvalidArgs"
check "unknown method" "call org.vantro.Vantro.Companion.Explode | grep -q UnknownMethod"
check "Introspect takes no arguments" "dbus-send --session --print-reply --dest=org.vantro.Vantro /org/vantro/Vantro \
  org.freedesktop.DBus.Introspectable.Introspect string:x 2>&1 | grep -q InvalidArgs"
# Errors that echo the caller's text echo it escaped and cut.
long=$(head -c 100000 /dev/zero | tr '\0' y)
call org.vantro.Vantro.Companion.SimulateFault "'fly\\u001b]0;PWN\\u0007$long'" >"$work/echo-sim"
call org.vantro.Vantro.Companion.Connect "'$long'" 'uint32 1' >"$work/echo-connect"
check "SimulateFault's error is escaped and cut" "grep -qF 'fly\\x1B]0;PWN\\x07' '$work/echo-sim' && [ \$(wc -c <'$work/echo-sim') -lt 600 ]"
check "Connect's error is cut" "grep -q 'the band yyy.*(100033 bytes)' '$work/echo-connect' && [ \$(wc -c <'$work/echo-connect') -lt 600 ]"
# Action names are outside text: the log shows them escaped and cut.
call org.freedesktop.Application.ActivateAction "'fly\\u001b]0;PWN\\u0007'" [] {} >/dev/null
call org.freedesktop.Application.ActivateAction "'$(head -c 100000 /dev/zero | tr '\0' y)'" [] {} >/dev/null
check "the log escapes an action's name" "wait_for 30 grep -qF \"bus: ActivateAction 'fly\\x1B]0;PWN\\x07'\" '$work/app.log'"
check "the log cuts a long action name" "grep -q 'ActivateAction .* (100000 bytes)' '$work/app.log' &&
  ! grep -q 'y\\{1000\\}' '$work/app.log'"
check "no control bytes in the log" "! LC_ALL=C grep -q \$'[\\x01-\\x08\\x0b-\\x1f\\x7f]' '$work/app.log'"
check "still running after bad calls" "kill -0 $app"

# vantro --quit ends it.
timeout 20 "$vantro" --quit
check "--quit exits 0" "[ $? -eq 0 ]"
check "the companion ended" "wait_for 30 eval '! kill -0 $app 2>/dev/null'"
wait "$app" 2>/dev/null
check "it ended cleanly" "[ $? -eq 0 ]"
app=
check "--quit with none running fails" "! timeout 20 '$vantro' --quit 2>/dev/null"
check "status with none running" "'$cli' status --json | grep -q '\"running\":false'"

# Whoever else owns the name: a reply of the wrong type, or none at all, is one line and exit 1.
py=python3
[ -x /usr/bin/python3 ] && py=/usr/bin/python3
if $py -c 'import dbusmock' 2>/dev/null; then
  $py -m dbusmock org.vantro.Vantro /org/vantro/Vantro org.vantro.Vantro.Companion >/dev/null 2>&1 &
  mock=$!
  track $mock
  check "the stand-in owns the name" "wait_for 30 owned org.vantro.Vantro"
  mockCall() { gdbus call --session --dest org.vantro.Vantro --object-path /org/vantro/Vantro \
    --method org.freedesktop.DBus.Mock.AddMethod org.vantro.Vantro.Companion "$@" >/dev/null; }
  mockCall GetStatus '' 'a{sv}' "ret = {'State': 'Connected', 'DataDir': '$data'}"
  mockCall Sync '' 'i' 'ret = 42'
  "$cli" sync >"$work/wrong" 2>&1
  check "a reply of the wrong type exits 1" "[ $? -eq 1 ] && grep -q 'wrong type' '$work/wrong' && [ \$(wc -l <'$work/wrong') -eq 1 ]"
  # Its reply is shown escaped and cut.
  mockCall SimulateFault 's' 's' 'ret = "moved " + chr(27) + "]0;PWN" + chr(7) + " " + "y" * 5000'
  "$cli" sim away >"$work/sim-reply" 2>&1
  check "sim: the reply is escaped" "grep -qF 'moved \x1B]0;PWN\x07 y' '$work/sim-reply' &&
    ! LC_ALL=C grep -q \$'[\x01-\x08\x0b-\x1f\x7f]' '$work/sim-reply'"
  check "sim: the reply is cut" "[ \$(wc -c <'$work/sim-reply') -lt 400 ]"
  # --timeout bounds the whole command against an owner that answers late (each answer blocks the
  # stand-in, so the next call waits until the stand-in has answered the one before).
  for verb in "sync --timeout 2" "connect B --timeout 2"; do
    method=Sync sig=''
    [ "${verb%% *}" = connect ] && method=Connect sig=su
    mockCall $method "$sig" 's' 'import time; time.sleep(10); ret = "late"'
    started=$(date +%s%N)
    "$cli" $verb >"$work/late" 2>&1
    status=$? took=$((($(date +%s%N) - started) / 1000000))
    check "$verb against a late owner exits 1 ($took ms, status $status: $(head -c 300 "$work/late" | tr '\n' ' '))" \
      "[ $status -eq 1 ] && grep -q 'did not answer within [23] s' '$work/late'"
    check "$verb: bounded by the timeout ($took ms)" "[ $took -lt 8000 ]"
    gdbus call --session --dest org.vantro.Vantro --object-path /org/vantro/Vantro --timeout 60 \
      --method org.freedesktop.DBus.Introspectable.Introspect >/dev/null
  done
  # An owner that leaves while a call waits is said at once, not as a timeout.
  mockCall Sync '' 's' "import time; open('$work/called', 'w').close(); time.sleep(60); ret = 'late'"
  "$cli" sync >"$work/gone" 2>&1 &
  waiting=$!
  wait_for 60 test -e "$work/called"
  started=$(date +%s%N)
  kill $mock
  wait $waiting
  status=$? took=$((($(date +%s%N) - started) / 1000000))
  check "an owner gone mid-call exits 1, said as gone ($took ms)" "[ $status -eq 1 ] && grep -q 'left the bus' '$work/gone'"
  check "gone is said at once ($took ms)" "[ $took -lt 5000 ]"
  wait $mock 2>/dev/null
else
  echo "note: python3-dbusmock missing; the stand-in checks are skipped"
fi

# Started in the background (as at login) on settings never written, with no window ever shown, the
# companion sends the band all fourteen commands. ActivateAction quit ends it.
"$vantro" --background --simulate --data-dir "$work/fresh" --verbose >/dev/null 2>"$work/fresh.log" &
app=$!
check "started again" "wait_for 20 owned org.vantro.Vantro"
"$cli" connect >/dev/null 2>&1
"$cli" sync >/dev/null 2>&1
check "its sync ended" "wait_for 60 idle"
check "a background start sends all fourteen commands" "[ \$(grep -c 'SendData: ' '$work/fresh.log') -eq 14 ] &&
  grep -q 'SendData: CMD_TYPE_BODYHEIGHT' '$work/fresh.log' && grep -q 'SendData: CMD_TYPE_BODYWEIGHT' '$work/fresh.log'"
# The interface has one description, data/org.vantro.Vantro.xml: every method there is served with that
# signature and answers with its out-signature, and every property has the type the file gives it.
/usr/bin/python3 - "$here/../../data/org.vantro.Vantro.xml" >"$work/face" 2>&1 <<'EOF'
import sys, xml.etree.ElementTree as ET
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
doc = ET.fromstring("<node>" + open(sys.argv[1]).read() + "</node>")
sample = {"s": "", "u": 1, "a{sv}": {}, "as": [], "av": []}
def call(iface, member, sig="", args=()):
    try:
        params = GLib.Variant("(" + sig + ")", tuple(args)) if sig else None
        reply = bus.call_sync("org.vantro.Vantro", "/org/vantro/Vantro", iface, member, params, None, 0, 40000, None)
        return reply.get_type_string(), reply
    except GLib.Error as e:
        return None, str(Gio.dbus_error_get_remote_error(e)) + ": " + e.message
bad = 0
for iface in doc.findall("interface"):
    name = iface.get("name")
    for m in iface.findall("method"):
        ins = [a.get("type") for a in m.findall("arg") if a.get("direction") == "in"]
        outs = "".join(a.get("type") for a in m.findall("arg") if a.get("direction") == "out")
        got, reply = call(name, m.get("name"), "".join(ins), [sample[t] for t in ins])
        # An error of the method's own (not connected, a bad value) is an answer; a refused signature is not.
        refused = got is None and ("UnknownMethod" in reply or " takes (" in reply)
        if refused or (got is not None and got != "(" + outs + ")"):
            print("FAIL", name, m.get("name"), "".join(ins), got, reply); bad += 1
    props = {p.get("name"): p.get("type") for p in iface.findall("property")}
    if props:
        got, reply = call("org.freedesktop.DBus.Properties", "GetAll", "s", [name])
        all = reply.get_child_value(0)
        served = {k: all.lookup_value(k, None).get_type_string() for k in reply[0]}
        for k, t in props.items():
            if served.get(k) != t:
                print("FAIL property", k, "is", served.get(k), "not", t); bad += 1
        for k in set(served) - set(props) - {"DataDir"}:
            print("FAIL property", k, "is not described"); bad += 1
print("checked" if bad == 0 else "failed")
EOF
check "the object serves what the interface's description says" "grep -qx checked '$work/face'" || cat "$work/face"
call org.freedesktop.Application.ActivateAction quit [] {} >/dev/null
check "ActivateAction quit ends it" "wait_for 30 eval '! kill -0 $app 2>/dev/null'"
app=

# SIGTERM (a logout) and SIGINT take the quit path: the companion ends with status 0.
for sig in TERM INT; do
  "$vantro" --background --simulate --data-dir "$work/fresh" >/dev/null 2>"$work/sig.log" &
  app=$!
  check "SIG$sig: started" "wait_for 20 owned org.vantro.Vantro"
  "$cli" connect >/dev/null 2>&1
  kill -$sig $app
  wait_for 30 eval '! kill -0 $app 2>/dev/null' || kill -9 $app
  wait $app
  check "SIG$sig: the companion quits with status 0" "[ $? -eq 0 ]"
  app=
done

# A process that owns the name but does not answer as the companion: said in one line, status 1, at once.
"$squat" squat org.vantro.Vantro >/dev/null &
squatter=$!
check "the squatter owns the name" "wait_for 30 owned org.vantro.Vantro"
for mode in --background ""; do
  started=$(date +%s%N)
  timeout 30 "$vantro" $mode --simulate --data-dir "$data" >/dev/null 2>"$work/squat.log"
  status=$? took=$((($(date +%s%N) - started) / 1000000))
  echo "a start${mode:+ with $mode} beside the squatter ended with $status after $took ms"
  check "squatter${mode:+ $mode}: status 1" "[ $status -eq 1 ]"
  check "squatter${mode:+ $mode}: said once" "[ \$(grep -c \
    'another process owns org.vantro.Vantro and does not answer as the companion' '$work/squat.log') -eq 1 ]"
  check "squatter${mode:+ $mode}: within 10 s under load ($took ms)" "[ $took -lt 10000 ]"
done
kill $squatter
wait $squatter 2>/dev/null
squatter=

# A squatter that answers every call, with (is) or with a status of the wrong types, is not the companion.
for mode in --int-string --wrong-types; do
  "$squat" squat org.vantro.Vantro $mode >/dev/null &
  squatter=$!
  check "$mode: the squatter owns the name" "wait_for 30 owned org.vantro.Vantro"
  for start in "--background --simulate" --simulate --quit; do
    timeout 30 "$vantro" $start >/dev/null 2>"$work/squat.log"
    check "$mode: vantro $start exits 1 and says so" "[ $? -eq 1 ] &&
      grep -q 'another process owns org.vantro.Vantro and does not answer as the companion' '$work/squat.log'"
  done
  "$cli" status >"$work/squat-status" 2>&1
  check "$mode: status exits 1 with one line" "[ $? -eq 1 ] && [ \$(wc -l <'$work/squat-status') -eq 1 ] &&
    ! grep -q Steps '$work/squat-status'"
  kill $squatter
  wait $squatter 2>/dev/null
  squatter=
done

# An owner of the name (or a band) with hostile texts: the status shows them escaped and cut.
"$squat" squat org.vantro.Vantro --hostile-status >/dev/null &
squatter=$!
check "the hostile owner has the name" "wait_for 30 owned org.vantro.Vantro"
"$cli" status >"$work/hostile" 2>&1
check "status: no control bytes reach the terminal" "! LC_ALL=C grep -q \$'[\\x01-\\x08\\x0b-\\x1f\\x7f]' '$work/hostile'"
check "status: texts shown escaped" "grep -qF 'Connected\\x1B]0;PWN\\x07' '$work/hostile' &&
  grep -qF 'V1\\xC2\\x9B31m' '$work/hostile'"
check "status: a long text is cut" "[ \$(wc -c <'$work/hostile') -lt 2000 ] && grep -q '100004 bytes' '$work/hostile'"
kill $squatter
wait $squatter 2>/dev/null
squatter=

# An owner whose object comes on the bus a moment after its name (as a companion just started) is heard.
"$squat" squat org.vantro.Vantro --hostile-status --late >"$work/late-owner" &
squatter=$!
wait_for 30 grep -q owned "$work/late-owner"
check "status: an object that comes just after the name is waited for" "'$cli' status 2>&1 | grep -qF 'PWN'"
kill $squatter
wait $squatter 2>/dev/null
squatter=

# Without a session bus: one log line, and the app runs as a single window.
DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus "$vantro" --simulate --data-dir "$data" 2>"$work/nobus.log" &
app=$!
check "no bus: said" "wait_for 60 grep -q 'no session bus' '$work/nobus.log'"
sleep 2  # a window that ran on would still be running now
check "no bus: runs until stopped" "kill -0 $app"
kill $app
wait $app 2>/dev/null
app=
check "no bus: one log line" "[ \$(grep -c 'no session bus' '$work/nobus.log') -eq 1 ]"
check "no bus: the line names the relay" "grep 'no session bus' '$work/nobus.log' | grep -q 'desktop notifications'"

[ $failures -eq 0 ] || { echo "--- app log"; grep -v -e 数据 -e SendData -e -add: "$work/app.log" | tail -40; }
finish
