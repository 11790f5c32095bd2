#!/usr/bin/env bash
# progress_cli_test.sh VANTRO_CLI: a demo sync counts stored records on one line on a terminal, and only there.
# A generous time-out: what is checked is the line, not how fast a busy disk stores 300 records.
set -u
cli=$1
. "$(dirname "$0")/../support/shell_fixture.sh"
require script
script -qec "'$cli' --data-dir '$work/tty' demo --days 150 --nights 150 --timeout 60" /dev/null > "$work/tty.out"
last=$(tr '\r' '\n' < "$work/tty.out" | grep -a 'Stored so far' | tail -n 1)
[ "$last" = "Stored so far: 150 days, 150 nights" ] ||
  fail "terminal progress ends '$last'; the demo said: $(tr '\r' '\n' < "$work/tty.out" | tail -n 2)"
"$cli" --data-dir "$work/pipe" demo --days 150 --nights 150 --timeout 60 > "$work/pipe.out"
grep -q 'Stored so far' "$work/pipe.out" && fail "progress written to a pipe"
finish "progress checks passed"
