#!/usr/bin/env bash
# progress_cli_test.sh VANTRO_CLI: a demo sync counts stored records on one line on a terminal, and only there.
# A generous time-out: what is checked is the line, not how fast a busy disk stores 300 records.
set -u
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
command -v script >/dev/null || { echo "SKIP: script (bsdutils) is missing (scripts/setup installs it)"; exit 77; }
failures=0
script -qec "'$cli' --data-dir '$dir/tty' demo --days 150 --nights 150 --timeout 60" /dev/null > "$dir/tty.out"
last=$(tr '\r' '\n' < "$dir/tty.out" | grep -a 'Stored so far' | tail -n 1)
[ "$last" = "Stored so far: 150 days, 150 nights" ] ||
  { echo "FAIL terminal progress ends '$last'; the demo said: $(tr '\r' '\n' < "$dir/tty.out" | tail -n 2)"; failures=$((failures + 1)); }
"$cli" --data-dir "$dir/pipe" demo --days 150 --nights 150 --timeout 60 > "$dir/pipe.out"
grep -q 'Stored so far' "$dir/pipe.out" && { echo "FAIL progress written to a pipe"; failures=$((failures + 1)); }
[ "$failures" = 0 ] && echo "progress checks passed"
exit $((failures > 0))
