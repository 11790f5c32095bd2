#!/usr/bin/env bash
# Writers beside the resident companion: while it syncs the band through the bus, vantro-cli import and
# store-day loops write the same database, the band's own dates included. No write may fail and no row
# may be lost. Each round starts on an empty directory, so the band's dates are new when the sync, the
# import and store-day all add them at once.
# usage: concurrent_writers_test.sh VANTRO VANTRO_CLI [ROUNDS]
set -u
vantro=$1
cli=$2
rounds=${3:-2}
. "$(dirname "$0")/../support/shell_fixture.sh"
require dbus-daemon dbus-send
start_session_bus
app=
loops=()
on_cleanup() {
  for p in "${loops[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "$app" ] && kill "$app" 2>/dev/null
}
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data

# The simulated band keeps the 14 days before today (its clock is set by the sync, in UTC here).
seq 1 14 | sed 's/.*/today - & days/' | date -u -f - +%F | sort >"$work/band-dates"
# An import of the band's dates and 3000 others; store-day writes the band's dates and 36 of its own.
{ cat "$work/band-dates"; seq 0 2999 | sed 's/.*/2001-01-01 + & days/' | date -u -f - +%F; } >"$work/import-dates"
{ echo "date,step,distance"; awk '{ print $0 "," NR "," NR % 97 }' "$work/import-dates"; } >"$work/import.csv"
{ cat "$work/band-dates"; seq 0 35 | sed 's/.*/1990-01-01 + & days/' | date -u -f - +%F; } >"$work/store-dates"
sort -u "$work/import-dates" "$work/store-dates" >"$work/all-dates"
expected=$(wc -l <"$work/all-dates")

# loop NAME COMMAND...: runs the command until the stop file appears, counting runs and failures.
loop() {
  local name=$1 runs=0 failures=0; shift
  while [ ! -e "$work/stop" ]; do
    if ! "$@" >>"$work/$name.out" 2>&1; then failures=$((failures + 1)); fi
    runs=$((runs + 1))
  done
  echo "$runs $failures" >"$work/$name.count"
}
storeDays() {  # one whole pass over the store-day dates
  local i=0 status=0
  while read -r d; do
    i=$((i + 1))
    "$cli" --data-dir "$data" store-day "$d" "$i" 2 3 4 5 || status=1
  done <"$work/store-dates"
  return $status
}

total_syncs=0 total_sync_failures=0 total_imports=0 total_import_failures=0 total_stores=0 total_store_failures=0
for round in $(seq 1 "$rounds"); do
  data=$work/d$round
  rm -f "$work/stop" "$work"/*.count
  "$vantro" --background --simulate --data-dir "$data" --verbose >/dev/null 2>"$work/app$round.log" &
  app=$!
  check "round $round: the companion owns the name" "wait_for 30 owned org.vantro.Vantro"
  # The connect starts the automatic sync at once, while the writers start; four more syncs are asked
  # for through the bus.
  syncs=0 sync_failures=0
  "$cli" connect >"$work/connect" 2>&1 || fail "connect: $(cat "$work/connect")"
  loop import "$cli" --data-dir "$data" import --overwrite "$work/import.csv" &
  loops=($!)
  loop store storeDays &
  loops+=($!)
  idle() { "$cli" status --json | grep -q '"Syncing":false'; }
  check "round $round: the automatic sync ends" "wait_for 60 idle"
  for _ in 1 2 3 4; do
    syncs=$((syncs + 1))
    if ! "$cli" sync >>"$work/sync$round.out" 2>&1; then sync_failures=$((sync_failures + 1)); fi
  done
  touch "$work/stop"
  wait "${loops[@]}"
  loops=()
  read -r imports import_failures <"$work/import.count"
  read -r stores store_failures <"$work/store.count"
  # The automatic sync reports only to the log, where every failed write of the companion is a warning.
  auto_failed=$(grep -c 'database .* failed' "$work/app$round.log")
  "$vantro" --quit
  wait_for 20 eval '! kill -0 $app 2>/dev/null'
  app=
  rows=$("$cli" --data-dir "$data" history | cut -d' ' -f1 | sort -u | comm -12 - "$work/all-dates" | wc -l)
  echo "round $round: $syncs syncs through the bus ($sync_failures failed; failed writes in the companion: $auto_failed)," \
    "$imports imports of $(wc -l <"$work/import-dates") records ($import_failures failed)," \
    "$stores store-day passes ($store_failures failed); $rows of $expected dates stored"
  check "round $round: every sync stored everything" "[ $sync_failures -eq 0 ] && [ $auto_failed -eq 0 ]"
  check "round $round: every import succeeded" "[ $imports -gt 0 ] && [ $import_failures -eq 0 ]"
  check "round $round: every store-day succeeded" "[ $stores -gt 0 ] && [ $store_failures -eq 0 ]"
  check "round $round: no row lost" "[ $rows -eq $expected ]"
  total_syncs=$((total_syncs + syncs + 1)) total_sync_failures=$((total_sync_failures + sync_failures + auto_failed))
  total_imports=$((total_imports + imports)) total_import_failures=$((total_import_failures + import_failures))
  total_stores=$((total_stores + stores)) total_store_failures=$((total_store_failures + store_failures))
done
echo "total: $total_syncs syncs, $total_imports imports, $total_stores store-day passes;" \
  "$((total_sync_failures + total_import_failures + total_store_failures)) failures"
if [ $failures -ne 0 ]; then
  for f in "$work"/sync*.out "$work"/import.out "$work"/store.out; do
    [ -s "$f" ] && { echo "--- $f"; grep -iv '^[0-9]* days added' "$f" | tail -5; }
  done
  echo "--- app log"; grep -i -e warn -e fail -e locked "$work"/app*.log | tail -20
fi
finish
