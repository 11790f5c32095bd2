#!/usr/bin/env bash
# expect.sh STATUS EXPECTED_STDOUT -- COMMAND...: runs the command, compares exit status and stdout.
set -u
want_status=$1; want_out=$2; shift 3
out=$("$@" 2>/tmp/vantro-cli-test-stderr.$$); status=$?
err=$(cat /tmp/vantro-cli-test-stderr.$$); rm -f /tmp/vantro-cli-test-stderr.$$
fail=0
if [ "$status" != "$want_status" ]; then echo "exit status $status, expected $want_status"; fail=1; fi
[ "$want_out" = "-" ] && want_out=""
if [ "$want_out" != "*" ] && [ "$out" != "$want_out" ]; then printf 'stdout:\n%s\nexpected:\n%s\n' "$out" "$want_out"; fail=1; fi
if [ "$want_status" = 2 ] && [ -z "$err" ]; then echo "expected a message on stderr"; fail=1; fi
exit $fail
