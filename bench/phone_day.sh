#!/usr/bin/env bash
# The link through a phone's day, long version: every fault class ten times (the waits the table
# names: 5 s and 60 s away, 30 s asleep, 78 s away past a full-duty search cut to 65 s), find-me off
# and on, then the idle radio over a minute with the band away past the full-duty search.
# Prints the per-class recovery table (tries, median, worst, bounds) and the idle figures; exits 1 when
# a class missed its bounds. Takes about 50 minutes; --no-monitor after TRIES runs it on a bluetoothd
# without the advertisement monitor.
# usage: bench/phone_day.sh [BUILD_DIR] [TRIES]
set -euo pipefail
build=${1:-build}
tries=${2:-10}
here=$(cd "$(dirname "$0")/.." && pwd)
exec "$here/tests/bluez/with_private_bus.sh" 7200 /usr/bin/python3 "$here/tests/bluez/phone_day.py" \
  "$build/bin/vantro" "$build/bin/vantro-cli" "$build/tests/bluez/vantro-firmware" \
  --full --tries "$tries" --idle 60 "${@:3}"
