#!/usr/bin/env bash
# usage_cli_test.sh VANTRO_CLI: every command's --help and --opt=value forms, and the bad usage every
# command refuses alike (exit 2, one line, nothing written): an empty language, a data directory whose
# path cannot exist. Command lines are kept as words on purpose:
# shellcheck disable=SC2086
set -u
cli=$1
. "$(dirname "$0")/../support/shell_fixture.sh"

# One valid command line per command; a command missing here fails the test, so new ones are covered.
printf 'date,step\n2014-07-15,5\n' > "$work/backup.csv"
lines=("history" "nights" "clear" "store-day 2014-07-15 1 2 3 4 5" "store-night 2014-07-15 1 2 3 4 5 6 - -"
       "export --format csv" "import $work/backup.csv" "sync-frames" "settings list" "settings get bodyHeight"
       "settings set bodyHeight 170" "settings init" "screen history" "screen sleep" "screen settings"
       "demo --days 1 --nights 1 --timeout 1" "doctor" "frame 8" "decode 0D0E"
       "status --json" "connect --simulate --timeout 1" "sync --simulate --timeout 1" "disconnect" "forget"
       "start-at-login" "sim away")
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | awk 'NF > 0 && $1 != "Commands:" {print $1}')
[ -n "$commands" ] || fail "the help lists no commands"
for c in $commands; do
  found=0
  for l in "${lines[@]}"; do [ "${l%% *}" = "$c" ] && found=1; done
  [ "$found" = 1 ] || fail "no command line for '$c' in this test"
  out=$("$cli" "$c" --help 2>"$work/err"); s=$?
  [ "$s" = 0 ] && grep -q "^Usage: .*$c" <<<"$out" && [ ! -s "$work/err" ] || fail "$c --help: exit $s: $out $(cat "$work/err")"
done
for c in "settings list" "settings get" "settings set" "settings init" "screen history" "screen sleep" "screen settings"; do
  out=$("$cli" $c --help 2>&1); s=$?
  [ "$s" = 0 ] && grep -q "^Usage: .*${c#* }" <<<"$out" || fail "$c --help: exit $s: $out"
done

# --opt=value is the same as --opt value.
d="$work/eq"
[ "$("$cli" frame 8 --at=2014-07-15T10:00:00)" = "08 07 DE 07 0F" ] || fail "frame --at="
[ "$("$cli" --data-dir="$d" --lang=en screen history --range=week --page=0 | head -1)" = "bars: 0" ] || fail "screen history --range= --page="
"$cli" "--data-dir=$d" settings init >/dev/null || fail "settings init"
[ "$("$cli" --data-dir "$d" sync-frames --at=2014-07-15T10:00:00 | head -1)" = "08 07 DE 07 0F" ] || fail "sync-frames --at="
"$cli" --data-dir "$d" export --format=csv --out="$work/eq.csv" && [ -s "$work/eq.csv" ] || fail "export --format= --out="
out=$("$cli" --data-dir "$d" demo --days=2 --nights=1 --seed=3 --timeout=5 2>&1)
grep -qx "Stored days (2):" <<<"$out" || fail "demo --days=: $out"
# A value that names a command is a value, values that look like options are values after --, and
# negative numbers are no options.
"$cli" --data-dir "$d" settings set imaphone history || fail "settings set with a value naming a command"
[ "$("$cli" --data-dir "$d" settings get imaphone)" = "history" ] || fail "a value naming a command was not stored"
"$cli" --data-dir "$d" settings set -- imaphone --112 || fail "settings set -- with a value starting with --"
[ "$("$cli" --data-dir "$d" settings get imaphone)" = "--112" ] || fail "the value after -- was not stored"
"$cli" --data-dir "$d" store-day 2014-07-15 -1 0 0 0 0 2>"$work/err"; s=$?
[ "$s" = 2 ] && grep -q "STEPS must be a whole number" "$work/err" || fail "store-day -1: exit $s: $(cat "$work/err")"

# A timeout that is no number of seconds is bad usage (NaN would pass any range check).
for t in nan inf; do
  for c in sync status; do expect "$c --timeout $t" 2 "" "$cli" $c --timeout $t; done
done

# A word that names no command is called so, at the top and below it.
for c in "nope" "screen nope" "settings nope"; do
  "$cli" $c 2>&1 | grep -q "^vantro-cli.*: unknown command 'nope'$" || fail "$c: $("$cli" $c 2>&1)"
done

# refused LABEL ARGS...: exit 2, one line on stderr, nothing on stdout.
refused() {
  local label=$1; shift
  local out s
  out=$("$cli" "$@" 2>"$work/err"); s=$?
  [ "$s" = 2 ] && [ -z "$out" ] && [ "$(wc -l <"$work/err")" = 1 ] || fail "$label: exit $s, stdout '$out', stderr '$(cat "$work/err")'"
}
long=$(printf 'n%.0s' {1..256})
for l in "${lines[@]}"; do
  refused "--lang '' $l" --lang "" --data-dir "$work/lang" $l
  refused "long name: $l" --data-dir "$work/$long" $l
  refused "long name below a missing directory: $l" --data-dir "$work/missing/$long" $l
done
[ -e "$work/lang" ] || [ -e "$work/missing" ] && fail "a refused command created a directory"

finish "usage: all checks passed"
