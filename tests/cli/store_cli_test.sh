#!/usr/bin/env bash
# store_cli_test.sh VANTRO_CLI: the database, settings, sync-frames and export commands on a fresh data dir.
set -u
cli=$1
. "$(dirname "$0")/../support/shell_fixture.sh"
# The file's own checks need the sqlite3 shell; without it the run fails rather than passing them by.
command -v sqlite3 >/dev/null || { fail "the sqlite3 shell is missing (scripts/setup installs it)"; finish; }

# check LABEL STATUS EXPECTED_STDOUT ARGS...: runs vantro-cli --data-dir $work ARGS.
check() { expect "$1" "$2" "$3" "$cli" --data-dir "$work" "${@:4}"; }
stderr_has() { grep -qF -- "$2" "$work/.stderr" || fail "$1: stderr lacks \"$2\": $(cat "$work/.stderr")"; }

# Activity database.
check fresh-history 0 "" history
check fresh-nights 0 "" nights
check day 0 "" store-day 2014-07-15 50000 1200 300 150 45
check night 0 "" store-night 2014-07-15 10 200 120 60 20 2 06:50 23:30
check night-only 0 "" store-night 2014-07-14 1 2 3 4 5 6 - 22:00
check day-update 0 "" store-day 2014-07-15 65535 1300 310 160 50
check history 0 $'2014-07-14 0 0 0 0 0\n2014-07-15 65535 1300 310 160 50' history
check nights 0 $'2014-07-14 1 2 3 4 5 6 00:00 22:00\n2014-07-15 10 200 120 60 20 2 06:50 23:30' nights
check bad-date 2 "" store-day 2014-02-30 1 2 3 4 5
stderr_has bad-date "not a date"
check bad-count 2 "" store-day 2014-07-16 65536 2 3 4 5
stderr_has bad-count "STEPS must be a whole number from 0 to 65535"
check bad-time 2 "" store-night 2014-07-16 1 2 3 4 5 6 24:00 -
check few-args 2 "" store-night 2014-07-16 1 2
check unchanged 0 $'2014-07-14 0 0 0 0 0\n2014-07-15 65535 1300 310 160 50' history

tables=$(sqlite3 "$work/database.sqlite3" .tables)
[ "$tables" = "sportsTable" ] || fail "sqlite3 shell sees: $tables"
row=$(sqlite3 "$work/database.sqlite3" "SELECT cStep, cTotalTime FROM sportsTable WHERE cDate='2014-07-15'")
[ "$row" = "65535|06:50" ] || fail "sqlite3 shell row: $row"

# Export: never-written columns are empty (CSV) or null (JSON), not zeros.
csv=$'date,step,distance,calories,activetime,restcal,enter_time,spindles_time,deep_time,rem_time,wakeup_count,wakeup_time,start_time,total_time,tstep\r\n2014-07-14,,,,,,1,2,3,4,6,5,22:00,,\r\n2014-07-15,65535,1300,310,50,160,10,200,120,60,2,20,23:30,06:50,0\r'
check export-csv 0 "$csv" export --format csv
check export-out 0 "" export --format=json --out "$work/backup.json"
first=$(python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(len(d), d[1]["step"], d[0]["start_time"], d[0]["step"], d[0]["total_time"])' "$work/backup.json")
[ "$first" = "2 65535 22:00 None None" ] || fail "export json: $first"
check export-bad-format 2 "" export --format xml
check export-no-dir 1 "" export --format csv --out "$work/no/such/dir/out.csv"

# Import merges by date: fills what was never stored, replaces only with --overwrite, all or nothing.
printf 'date,step,start_time\n2014-07-14,9,23:00\n2014-07-15,1,\n2014-07-16,,21:00\n' > "$work/part.csv"
check import-fill 0 "1 days added, 0 updated; 1 nights added, 0 updated" import "$work/part.csv"
check import-again 0 "0 days added, 0 updated; 0 nights added, 0 updated" import "$work/part.csv"
check import-overwrite 0 "0 days added, 1 updated; 0 nights added, 1 updated" import --overwrite "$work/part.csv"
check after-import 0 $'2014-07-14 9 0 0 0 0\n2014-07-15 1 1300 310 160 50\n2014-07-16 0 0 0 0 0' history
printf 'date,step\n2014-07-20,5\n2014-07-21,5.5\n' > "$work/bad.csv"
check import-bad 1 "" import "$work/bad.csv"
stderr_has import-bad "bad.csv:3: step must be a whole number"
check import-bad-nothing 0 $'2014-07-14 9 0 0 0 0\n2014-07-15 1 1300 310 160 50\n2014-07-16 0 0 0 0 0' history
check import-missing 1 "" import "$work/no-such-file.json"
check import-no-file 2 "" import
# A date text with a comma, as another tool might have written it, is quoted.
sqlite3 "$work/database.sqlite3" "INSERT INTO sportsTable(cDate, cStep) VALUES('2015,\"x\"', 7)"
last=$("$cli" --data-dir "$work" export --format csv | tail -n 1)
[ "$last" = '"2015,""x""",7,,,,,,,,,,,,,'$'\r' ] || fail "export quoting: $last"
check clear 0 "" clear
check cleared 0 "" history
check cleared-export 0 "[]" export --format json

# Commands that only read create nothing, in an absent directory or a present empty one; a missing
# database lists as empty.
mkdir "$work/empty"
for data in absent empty; do
  for args in history nights "export --format csv" "screen history" "screen sleep" "screen settings"; do
    "$cli" --data-dir "$work/$data" $args >/dev/null 2>&1 || fail "read-only $args in $data failed"
  done
done
[ -e "$work/absent" ] && fail "a read-only command created $work/absent"
[ -z "$(ls -A "$work/empty")" ] || fail "a read-only command wrote $(ls -A "$work/empty")"

# An empty or unusable data directory is bad usage, and the default database is not touched.
home=$(mktemp -d)
XDG_DATA_HOME=$home "$cli" store-day 2014-07-15 1 2 3 4 5
for bad in "" "$work/settings.json" "$work/settings.json/sub"; do
  : > "$work/settings.json"
  out=$(XDG_DATA_HOME=$home "$cli" --data-dir "$bad" clear 2>&1); status=$?
  [ "$status" = 2 ] && [ "$(echo "$out" | wc -l)" = 1 ] || fail "data dir '$bad': $status $out"
done
rm -f "$work/settings.json"
[ "$(XDG_DATA_HOME=$home "$cli" history)" = "2014-07-15 1 2 3 4 5" ] || fail "default database changed"
rm -rf "$home"

# A sportsTable of another layout is refused in one line, not listed as zeros, and left as it is.
mkdir "$work/other"
sqlite3 "$work/other/database.sqlite3" "CREATE TABLE sportsTable (cDate TEXT PRIMARY KEY, cStep TEXT); INSERT INTO sportsTable VALUES('2014-07-15','x')"
before=$(md5sum < "$work/other/database.sqlite3")
for args in history nights "export --format json" "screen history"; do
  out=$("$cli" --data-dir "$work/other" $args 2>&1); status=$?
  [ "$status" = 1 ] && echo "$out" | grep -q "another layout" || fail "other layout, $args: $status $out"
done
[ "$(md5sum < "$work/other/database.sqlite3")" = "$before" ] || fail "other layout file changed"

# Settings.
check settings-empty 0 "" settings list
check get-unset-int 0 "0" settings get bodyHeight
check get-unset-bool 0 "false" settings get alertswitch
check get-unset-text 1 "" settings get imaphone
check init 0 "initialised" settings init
check init-again 0 "already initialised" settings init
check get-height 0 "165" settings get bodyHeight
check get-phone 0 "00" settings get imaphone
check set-height 0 "" settings set bodyHeight 180
check set-height-low 2 "" settings set bodyHeight 79
stderr_has set-height-low "from 80 to 255"
check set-height-text 2 "" settings set bodyHeight tall
check set-findme 2 "" settings set findme 3
stderr_has set-findme "1 (on) or 2 (off)"
check set-medicine 2 "" settings set MedicineInteval 13
check set-sit 0 "" settings set LongTimeSitInteval 5
check set-wish 2 "" settings set Wish 13
check set-bool 2 "" settings set alertswitch maybe
check set-flags 2 "" settings set flags 0
check set-phone 0 "" settings set imaphone "+86 10 1234"
check get-phone2 0 "+86 10 1234" settings get imaphone
check set-stamp-bad 2 "" settings set alerttime 25:00
check get-height2 0 "180" settings get bodyHeight
lines=$("$cli" --data-dir "$work" settings list | wc -l)
[ "$lines" = 19 ] || fail "settings list has $lines lines"
"$cli" --data-dir "$work" settings list | grep -qx 'bodyHeight integer 180' || fail "list bodyHeight"

# Sync frames for stored settings, at a fixed moment (TZ=UTC in the test environment).
export TZ=UTC
for setting in "alerttime 2014-07-15T07:30:00" "alertswitch true" "LongTimeSitSTime 2014-07-15T09:00:00" \
               "LongTimeSitETime 2014-07-15T18:15:00" "MedicineInteval 12" "MedicineSTime 2014-07-15T08:00:00" \
               "MedicineETime 2014-07-15T21:45:00"; do
  # shellcheck disable=SC2086
  check "set $setting" 0 "" settings set $setting
done
frames=$'08 07 DE 07 0F\n09 0A 00 00\n04 B4\n05 41\n0B 05\n0C 07 1E\n0A 02\n17\n1B 00\n1C 00\n1E 05 09 00 12 0F\n1F 0C 08 00 15 2D\n19\n15'
check sync-frames 0 "$frames" sync-frames --at 2014-07-15T10:00:00
check sync-frames-bad-at 2 "" sync-frames --at 2014-07-15
# The stamp given as HH:MM is today at that local time.
check set-alarm-hhmm 0 "" settings set alerttime 06:05
alarm=$("$cli" --data-dir "$work" sync-frames | sed -n 6p)
[ "$alarm" = "0C 06 05" ] || fail "alarm from HH:MM: $alarm"

# A database file that is not a database: errors, and the file stays as it was.
printf 'not a database' > "$work/database.sqlite3"
check notadb-history 1 "" history
stderr_has notadb-history "file is not a database"
check notadb-store 1 "" store-day 2014-07-15 1 2 3 4 5
check notadb-clear 1 "" clear
[ "$(cat "$work/database.sqlite3")" = "not a database" ] || fail "database file changed"

finish "all store cli checks passed"
