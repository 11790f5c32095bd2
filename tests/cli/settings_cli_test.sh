#!/usr/bin/env bash
# settings_cli_test.sh VANTRO_CLI: the settings file when it cannot be read, and values the store cannot hold.
set -u
cli=$1
. "$(dirname "$0")/../support/shell_fixture.sh"

# run WANT_STATUS ARGS...: vantro-cli on $work; stderr lands in $work/err. One that waits (on a FIFO)
# is ended and fails.
run() {
  local want=$1; shift
  out=$(timeout 20 "$cli" --data-dir "$work" "$@" 2>"$work/err"); local status=$?
  [ "$status" = "$want" ] || fail "$* exited $status, not $want: $(cat "$work/err")"
}
# reads WANT ARGS...: vantro-cli ARGS succeeds and prints WANT.
reads() {
  local want=$1; shift
  run 0 "$@"
  [ "$out" = "$want" ] || fail "$* reads '$out', not '$want'"
}

# Times the store's clock cannot hold, at both ends and far beyond, in UTC and local form.
for t in 9999-12-31T23:59:59Z 9999-12-31T00:00:00 2262-04-12T00:00:00 2262-01-01T00:00:00 \
         1677-09-20T00:00:00 1600-01-01T00:00:00 0001-01-01T00:00:00Z; do
  run 2 settings set alerttime "$t"
  grep -q "alerttime" "$work/err" || fail "no message for $t, past the clock"
done
run 0 settings set alerttime 2261-12-31T23:59:59
reads 2261-12-31T23:59:59Z settings get alerttime
run 2 settings set imaphone $'12\xff3'
grep -q "UTF-8" "$work/err" || fail "no message for text that is not UTF-8"
run 1 settings get imaphone  # not stored

# Settings of our own take only the values offered, and read as their defaults before they are set.
reads 3 settings get autoSyncHours
reads chosen settings get relayNotifications
run 2 settings set autoSyncHours 5
grep -q "0 1 3 6 12" "$work/err" || fail "no list of intervals: $(cat "$work/err")"
run 2 settings set relayNotifications some
run 0 settings set autoSyncHours 12
run 0 settings set relayNotifications all
run 0 settings set relayAppsChosen 'org.gnome.Evolution;Thunderbird'
reads 12 settings get autoSyncHours
reads all settings get relayNotifications

# Outside text reaches the terminal escaped and cut, and no setting takes control characters.
noControl() { ! LC_ALL=C grep -q $'[\x01-\x08\x0b-\x1f\x7f]' "$work/err"; }
run 2 settings set relayNotifications $'\e[2J\e]0;PWN\a'
noControl || fail "control bytes in the refusal: $(cat -v "$work/err")"
grep -qF "'\x1B[2J\x1B]0;PWN\x07'" "$work/err" || fail "the refused text is not shown escaped: $(cat -v "$work/err")"
run 2 settings set relayAppsChosen $'Thunderbird;\e]0;PWN\a'
noControl && grep -q "control characters" "$work/err" || fail "control bytes accepted: $(cat -v "$work/err")"
run 2 settings set $'bodyHeight\e[2J' 170
noControl || fail "control bytes in the unknown key: $(cat -v "$work/err")"
run 2 settings set relayNotifications "$(head -c 100000 /dev/zero | tr '\0' x)"
[ "$(wc -c <"$work/err")" -lt 1000 ] && grep -q "100000 bytes" "$work/err" || fail "a long text is not cut"
reads 'org.gnome.Evolution;Thunderbird' settings get relayAppsChosen
rm -f "$work/settings.json"

# Values outside the choices of our own keys, written by hand: the file is set aside and said once.
printf '{"autoSyncHours": 7, "relayNotifications": "bogus"}' >"$work/settings.json"
reads 3 settings get autoSyncHours
[ -f "$work/settings.json.damaged" ] || fail "no damaged copy for out-of-choice values"
[ "$(grep -c 'autoSyncHours, relayNotifications' "$work/err")" = 1 ] || fail "not said once: $(cat "$work/err")"
rm -f "$work/settings.json" "$work/settings.json.damaged"

# Start at login from the command line: the desktop's autostart entry, and problems said plainly.
export XDG_CONFIG_HOME=$work/xdg
entry=$work/xdg/autostart/org.vantro.Vantro.desktop
reads off start-at-login
run 0 start-at-login on
grep -q '^Exec=.*vantro --background$' "$entry" || fail "no entry written: $out"
reads on start-at-login
run 0 start-at-login off
[ -e "$entry" ] && fail "the entry was not removed"
mkdir "$entry"
run 1 start-at-login on
grep -q "is a directory" "$work/err" || fail "no reason for the directory: $(cat "$work/err")"
run 2 start-at-login maybe
# Off is done when nothing would start, whatever is in the way; an entry that is no file is said at once.
run 0 start-at-login off
[ -d "$entry" ] || fail "the user's directory was removed"
rmdir "$entry"
mkfifo "$entry"
run 0 start-at-login
[ "$out" = off ] && grep -q "a FIFO" "$work/err" || fail "a FIFO entry reads '$out': $(cat "$work/err")"
rm -f "$entry"
ln -s /dev/zero "$entry"
run 0 start-at-login
[ "$out" = off ] && grep -q "a device" "$work/err" || fail "/dev/zero as entry reads '$out': $(cat "$work/err")"
rm -rf "$work/xdg/autostart"
touch "$work/xdg/autostart"
run 0 start-at-login off
rm -f "$work/xdg/autostart"
unset XDG_CONFIG_HOME

# A FIFO in the settings file's place is refused at once, not waited on.
rm -f "$work/settings.json"
mkfifo "$work/settings.json"
run 1 settings get bodyHeight
grep -q "a FIFO" "$work/err" || fail "the FIFO settings file is not said: $(cat "$work/err")"

# settings.json that cannot be read: one line naming it, exit 1, nothing written, nothing sent.
rm -f "$work/settings.json"
mkdir "$work/settings.json"
for args in "settings get bodyHeight" "settings init" "demo --days 1 --nights 1" "sync-frames" "screen settings"; do
  run 1 $args
  [ -z "$out" ] || fail "$args printed '$out'"
  [ "$(wc -l <"$work/err")" = 1 ] && grep -q "$work/settings.json" "$work/err" || fail "$args: $(cat "$work/err")"
done
[ -d "$work/settings.json" ] || fail "settings.json was replaced"

finish "all settings checks passed"
