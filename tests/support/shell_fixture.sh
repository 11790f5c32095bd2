# SPDX-License-Identifier: MIT
# Sourced by the shell tests. It makes a work directory $work, ends every process handed to `track`
# (after an `on_cleanup` the test may define, then last first) and removes $work however the test ends;
# it counts failures for `finish`, and starts, waits on and asks a private D-Bus.

# require TOOL...: skips the test (77) when a tool is missing.
require() {
  local tool
  for tool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup installs it)"; exit 77; }
  done
}

tracked=()
track() { tracked+=("$@"); }
fixture_cleanup() {
  local i
  if declare -F on_cleanup >/dev/null; then on_cleanup; fi
  for ((i = ${#tracked[@]} - 1; i >= 0; i--)); do kill "${tracked[i]}" 2>/dev/null; done
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
work=$(mktemp -d "${TMPDIR:-/tmp}/vantro-test.XXXXXX")
trap fixture_cleanup EXIT
trap 'exit 130' INT TERM HUP

# fail WHAT: says and counts a failure; check LABEL EXPRESSION fails when the expression is false;
# finish ends the test, with status 1 after any failure.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { eval "$2" || fail "$1"; }
finish() {
  [ "$failures" = 0 ] && echo "${1:-all checks passed}"
  exit $((failures > 0))
}

# wait_for SECONDS COMMAND...: runs the command every 0.1 s until it succeeds; false when time runs out.
wait_for() {
  local limit=$(($1 * 10)) _
  shift
  for _ in $(seq 1 "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}

# start_session_bus: a dbus-daemon of the test's own becomes the session bus.
start_session_bus() {
  local bus
  mapfile -t bus < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  [ -n "${bus[1]:-}" ] || { echo "dbus-daemon did not start" >&2; exit 1; }
  track "${bus[1]}"
  export DBUS_SESSION_BUS_ADDRESS=${bus[0]}
}

# owned NAME [--system]: someone owns NAME on the session (or system) bus.
owned() {
  dbus-send "${2:---session}" --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q true
}

# expect LABEL STATUS STDOUT COMMAND...: runs the command; another status or stdout is a failure ("*"
# takes any stdout), and so is bad usage (2) without a message on stderr, which is left in $work/.stderr.
expect() {
  local label=$1 want_status=$2 want_out=$3 out status
  shift 3
  out=$("$@" 2>"$work/.stderr")
  status=$?
  if [ "$status" != "$want_status" ] || { [ "$want_out" != "*" ] && [ "$out" != "$want_out" ]; }; then
    fail "$(printf '%s: status %s (want %s)\nstdout:\n%s\nwanted:\n%s\nstderr:\n%s' "$label" "$status" \
      "$want_status" "$out" "$want_out" "$(cat "$work/.stderr")")"
  fi
  [ "$want_status" != 2 ] || [ -s "$work/.stderr" ] || fail "$label: no message on stderr"
}
