#!/usr/bin/env bash
# expect.sh STATUS EXPECTED_STDOUT -- COMMAND...: runs the command, compares exit status and stdout
# ("*" takes any stdout, "-" is none); a failure must say why on stderr.
set -u
. "$(dirname "$0")/../support/shell_fixture.sh"
want_out=$2
[ "$want_out" = "-" ] && want_out=""
expect "${*:4}" "$1" "$want_out" "${@:4}"
exit $((failures > 0))
