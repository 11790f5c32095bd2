#!/usr/bin/env bash
# The one-home check passes on the tree and fails on each kind of stray it exists to catch.
set -u
root=$1
command -v python3 >/dev/null || { echo "python3 is missing (scripts/setup installs it)"; exit 77; }
check="$root/scripts/check-one-home"
"$check" "$root" || { echo "FAIL: the tree itself does not pass"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
expect_fault() {  # FILE LINE WHAT
  rm -rf "$work/src" && cp -r "$root/src" "$work/src"
  printf '%s\n' "$2" >>"$work/src/$1"
  if out=$("$check" "$work" 2>&1); then
    echo "FAIL: not caught: $2"; status=1
  elif ! grep -q "src/$1:.*$3" <<<"$out"; then
    echo "FAIL: caught without naming the place and fault '$3': $out"; status=1
  fi
}
expect_fault link/vantro_view_controller.cpp 'static const char* k = "findme";' 'setting key "findme"'
expect_fault settings/settings_view_controller.cpp 'void f(KeyValueStore& s) { s.setInteger("Wish", 1); }' 'setInteger with a literal key'
expect_fault link/phone_event_relay.cpp 'void g(VantroAppDelegate& a) { const std::uint8_t d[6] = {}; a.SendData(6,
    d, 2); }' 'SendData with a hand-filled buffer'
expect_fault settings/properties_view_controller.cpp 'Command h() { Command c{10}; return c; }' 'put together by hand'
expect_fault link/phone_event_relay.cpp 'void k(VantroAppDelegate& a) { a.SendData({CMD_TYPE_FINDME, {2}, 2}); }' 'SendData with a hand-filled buffer'
expect_fault link/phone_event_relay.cpp 'void m(VantroAppDelegate& a) { a.SendData( {6, {}, 0}); }' 'SendData with a hand-filled buffer'
exit $status
