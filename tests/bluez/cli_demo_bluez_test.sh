#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# vantro-cli demo --bluez on the private bus: refused without bluetoothd, then a whole sync with the mock
# bluetoothd playing the simulator's firmware. Run through with_private_bus.sh.
# Usage: cli_demo_bluez_test.sh VANTRO_CLI VANTRO_FIRMWARE
set -euo pipefail
cli=$1
firmware=$2
dir=$VANTRO_BUS_DIR

. "$(dirname "$0")/../support/shell_fixture.sh"
# mock METHOD ARGS...: calls the mock bluetoothd (gdbus takes the argument types from its introspection).
mock() { gdbus call --system --dest org.bluez --object-path / --method "org.bluez.Mock.$1" -- "${@:2}"; }

# No bluetoothd on the bus: a clear refusal.
if out=$("$cli" --data-dir "$dir/none" demo --bluez --timeout 2 2>&1); then fail "demo --bluez ran without bluetoothd"; fi
grep -q "no Bluetooth adapter" <<<"$out" || fail "unexpected refusal: $out"

/usr/bin/python3 -m dbusmock --system --template "$VANTRO_MOCK_DIR/mock_bluez.py" \
  --parameters "{\"firmware\": [\"$firmware\", \"--seed\", \"7\", \"--days\", \"3\", \"--nights\", \"3\"]}" \
  >"$dir/mock-cli.log" 2>&1 &
echo $! >>"$dir/pids"
wait_for 15 owned org.bluez --system || { echo "the mock bluetoothd did not start"; exit 1; }
mock AddAdapter hci0 phone >/dev/null
mock AddDevice hci0 C0:11:22:33:44:0A Headset >/dev/null
mock AddWristband hci0 C0:11:22:33:44:01 Vantro -58 >/dev/null

if ! out=$("$cli" --data-dir "$dir/data" --lang en demo --bluez --timeout 20 2>&1); then
  echo "$out" >&2
  fail "demo --bluez failed"
fi
echo "$out"
# Discovered, connected at the end, synced, every day stored, the firmware version and the signal shown.
for want in "^Discovered: Vantro: " "^Link status: Connected" "^Transfer status: Synced [0-9]{4}-[0-9]{2}-[0-9]{2} " \
            "^Stored days \(3\):" "^  .+ +1\.5$" "^  .+ +-58db$"; do
  grep -qE -- "$want" <<<"$out" || fail "the output lacks $want"
done
frames=$(mock ReceivedFrames C0:11:22:33:44:01 | grep -o "'[0-9A-F ]*'" | wc -l)
[ "$frames" -eq 14 ] || fail "the band received $frames frames, not 14"
finish
