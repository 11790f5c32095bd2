#!/usr/bin/env bash
# The link through a phone's day, long version: every fault class ten times (the waits the table
# names: 5 s and 60 s away, 30 s asleep), find-me off and on, then the idle radio over a minute.
# Prints the recovery table and the idle figures. Takes about half an hour.
# usage: bench/phone_day.sh [BUILD_DIR] [TRIES]
set -euo pipefail
build=${1:-build}
tries=${2:-10}
here=$(cd "$(dirname "$0")/.." && pwd)
exec "$here/tests/bluez/with_private_bus.sh" 7200 /usr/bin/python3 "$here/tests/bluez/phone_day.py" \
  "$build/bin/vantro" "$build/bin/vantro-cli" "$build/tests/bluez/vantro-firmware" \
  --full --tries "$tries" --idle 60
