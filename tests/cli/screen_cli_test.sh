#!/usr/bin/env bash
# screen_cli_test.sh VANTRO_CLI: screen history and screen sleep on a fresh data directory.
set -u
cli=$1
. "$(dirname "$0")/../support/shell_fixture.sh"

# check LABEL STATUS EXPECTED_STDOUT ARGS...: runs vantro-cli --data-dir $work --lang en ARGS; every
# failure says why.
check() {
  expect "$1" "$2" "$3" "$cli" --data-dir "$work" --lang en "${@:4}"
  [ "$2" = 0 ] || [ -s "$work/.stderr" ] || fail "$1: no message on stderr"
}

check empty-history 0 "bars: 0" screen history
check empty-sleep 0 "nights: 0" screen sleep
check empty-sleep-row 1 "nights: 0" screen sleep 0

"$cli" --data-dir "$work" store-day 2014-07-13 100 0 0 0 0 >/dev/null
"$cli" --data-dir "$work" store-day 2014-07-15 12345 0 0 0 0 >/dev/null
"$cli" --data-dir "$work" store-day 2014-07-14 0 0 0 0 0 >/dev/null
"$cli" --data-dir "$work" store-night 2014-07-15 10 20 60 30 5 2 07:30 23:10 >/dev/null
"$cli" --data-dir "$work" store-night 2014-07-16 0 0 0 0 0 0 - - >/dev/null

# Phone layout: chart 300 × 360, four bars and three gaps of 1 point, 265 points of height.
check history 0 "period: 2014-07-13 2014-07-16
bars: 4
bar 0: date 2014-07-13, raw 100, height 2.15, frame (0.00, 342.85, 74.25, 2.15)
bar 1: date 2014-07-14, raw 0, height 0.00, frame (75.25, 345.00, 74.25, 0.00)
bar 2: date 2014-07-15, raw 12345, height 265.00, frame (150.50, 80.00, 74.25, 265.00)
bar 3: date 2014-07-16, raw 0, height 0.00, frame (225.75, 345.00, 74.25, 0.00)" screen history

# The week ending with the newest stored day (a night-only date): days without a record are empty bars.
check history-week 0 "period: 2014-07-10 2014-07-16
bars: 7
bar 0: date 2014-07-10, raw 0, height 0.00, frame (0.00, 345.00, 42.00, 0.00)
bar 1: date 2014-07-11, raw 0, height 0.00, frame (43.00, 345.00, 42.00, 0.00)
bar 2: date 2014-07-12, raw 0, height 0.00, frame (86.00, 345.00, 42.00, 0.00)
bar 3: date 2014-07-13, raw 100, height 2.15, frame (129.00, 342.85, 42.00, 2.15)
bar 4: date 2014-07-14, raw 0, height 0.00, frame (172.00, 345.00, 42.00, 0.00)
bar 5: date 2014-07-15, raw 12345, height 265.00, frame (215.00, 80.00, 42.00, 265.00)
bar 6: date 2014-07-16, raw 0, height 0.00, frame (258.00, 345.00, 42.00, 0.00)" screen history --range week --page 0

# A month's bar is its daily average as the history's panel shows it: 51863 steps over six days is 8643.8,
# which shows as 8643 (truncated), not 8644.
year=$work/year
for d in 1 2 3 4 5; do "$cli" --data-dir "$year" store-day 2014-03-0$d 8643 0 0 0 0 >/dev/null; done
"$cli" --data-dir "$year" store-day 2014-03-06 8648 0 0 0 0 >/dev/null
out=$("$cli" --data-dir "$year" --lang en screen history --range year 2>"$work/.stderr")
grep -q "^bar 11: date .*, raw 8643, " <<<"$out" || fail "year-average: $out"

# Dates with only activity are no nights; a night stored with zero minutes is one.
rows="nights: 2
row 0: 2014-07-15 | Total:07:30, Asleep at:23:10, Wake-ups：2
row 1: 2014-07-16 | Total:00:00, Asleep at:00:00, Wake-ups：0"
check sleep 0 "$rows" screen sleep
check sleep-row 0 "$rows
pie of row 0: 4 slices
slice 1: value 30, start 0.00 deg, end 86.40 deg, title Light sleep:30
slice 2: value 60, start 86.40 deg, end 259.20 deg, title Deep sleep:60
slice 3: value 30, start 259.20 deg, end 345.60 deg, title REM:30
slice 4: value 5, start 345.60 deg, end 360.00 deg, title Awake:5" screen sleep 0
check sleep-zero-night 0 "$rows
pie of row 1: nothing to draw" screen sleep 1
check sleep-no-row 1 "$rows" screen sleep 2

check screen-list 0 "usage: vantro-cli screen NAME [ARGS]
screens:
  screen history [--range R] [--page N]            the step history's bars (R: all, week, month, year)
  screen settings                                  the settings table
  screen sleep [ROW]                               the nights; a row's pie slices" screen help
check no-screen 2 "" screen
check unknown-screen 2 "" screen today-and-tomorrow
check history-args 2 "" screen history 1
check history-bad-range 2 "" screen history --range decade
check history-no-range 2 "" screen history --range
check history-bad-page 2 "" screen history --range week --page -1
check history-no-such-page 1 "" screen history --range week --page 2
check sleep-bad-row 2 "" screen sleep -1
check sleep-two-rows 2 "" screen sleep 1 2
check sleep-not-a-number 2 "" screen sleep 1x

# An unusable data directory is bad usage, not an empty screen.
out=$("$cli" --data-dir "$work/database.sqlite3/sub" screen history 2>"$work/.stderr"); status=$?
[ "$status" = 2 ] && [ -z "$out" ] && grep -q "not a directory" "$work/.stderr" || fail "bad-dir: status $status, stdout '$out'"

finish "screen commands: all checks passed"
