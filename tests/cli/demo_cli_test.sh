#!/usr/bin/env bash
# demo_cli_test.sh VANTRO_CLI: the demo syncs a simulated band into a fresh data dir, and says why when it cannot.
set -u
cli=$1
. "$(dirname "$0")/../support/shell_fixture.sh"

out=$("$cli" --lang en --data-dir "$work/a" demo --days 6 --nights 6 --seed 11 2>"$work/err"); status=$?
[ "$status" = 0 ] || fail "demo exit $status: $(cat "$work/err")"
for want in "Discovered: Vantro: 5EB0A7C2-31D4-4E6F-9A10-000000000001 (advertised at -58 dBm)" \
            "Link status: Connected" "Stored days (6):" "Stored nights (6):" "  Firmware version   1.5" \
            "  Signal strength    -65db" "  Battery            87 %"; do
  grep -qxF -- "$want" <<<"$out" || fail "demo output lacks '$want'"
done
grep -qE '^Transfer status: Synced [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}$' <<<"$out" ||
  fail "no sync-complete status with the local time"
rows=$(sqlite3 "$work/a/database.sqlite3" "select count(*) from sportsTable where cStep > 0 and cDeepTime > 0")
[ "$rows" = 6 ] || fail "database holds $rows full rows, not 6"
[ -s "$work/a/settings.json" ] || fail "the settings were not written before the sync"

# The same seed gives the same band: the stored days are identical.
days() { sed -n '/^Stored days/,/^Stored nights/p' <<<"$1"; }
again=$("$cli" --lang en --data-dir "$work/b" demo --days 6 --nights 6 --seed 11 2>/dev/null)
[ "$(days "$out")" = "$(days "$again")" ] || fail "the same seed gave other days"
other=$("$cli" --lang en --data-dir "$work/c" demo --days 6 --nights 6 --seed 12 2>/dev/null)
[ "$(days "$out")" != "$(days "$other")" ] || fail "another seed gave the same days"

# A step that does not happen ends with status 1 and its reason.
check_fault() {
  "$cli" --lang en --data-dir "$work/f" demo --fault "$1" --timeout 1 >/dev/null 2>"$work/err"; local s=$?
  [ "$s" = 1 ] || fail "fault $1: exit $s"
  grep -qF -- "$2" "$work/err" || fail "fault $1: stderr lacks '$2': $(cat "$work/err")"
  # In English the failure is said in English: no debug lines of the band or the store.
  LC_ALL=C grep -qP '[\x80-\xff]' "$work/err" && fail "fault $1: debug text in the message: $(cat "$work/err")"
}
check_fault out-of-range "no wristband was discovered within 1 s"
check_fault refuse-notifications "did not connect and accept notifications within 1 s"
check_fault no-service "did not connect and accept notifications within 1 s"

# After the sync the band walks away (or its link breaks) and comes back: the demo shows the link
# ending and the band connected again, with find-me off.
for fault in away drop; do
  "$cli" --data-dir "$work/l-$fault" demo --fault "$fault" --days 2 --nights 1 >"$work/out" 2>"$work/err"; s=$?
  [ "$s" = 0 ] || fail "fault $fault: exit $s: $(cat "$work/err")"
  grep -q "^Link status: Disconnected$" "$work/out" || fail "fault $fault: the link did not show as ended"
  grep -qE "^Reconnected after [0-9.]+ s: Connected$" "$work/out" || fail "fault $fault: not reconnected: $(cat "$work/out")"
done

# Bad options are usage errors.
for args in "--days -1" "--days 36501" "--nights x" "--seed" "--timeout 0" "--fault sneeze" "surplus"; do
  # shellcheck disable=SC2086
  "$cli" --data-dir "$work/u" demo $args >/dev/null 2>"$work/err"; s=$?
  [ "$s" = 2 ] && [ -s "$work/err" ] || fail "demo $args: exit $s, stderr '$(cat "$work/err")'"
done

finish "demo: all checks passed"
