#!/usr/bin/env bash
# vantro-cli screen settings: the table on first start, after an edit, and in Chinese.
set -u
cli=$1
. "$(dirname "$0")/../support/shell_fixture.sh"
same() { [ "$2" = "$3" ] || fail "$(printf '%s:\n--- expected\n%s\n--- got\n%s' "$1" "$2" "$3")"; }
tab=$'\t'
expected="Wristband
Wristband${tab}Disconnected
Sync${tab}Not synced
Greetings
Present${tab}Good morning!
Wish${tab}Happy birthday!
Reminders
Call alert${tab}Off
Message alert${tab}Off
Sitting reminder${tab}Off
Medicine reminder${tab}Off
Alarm${tab}Off
About you
Height${tab}165 cm
Weight${tab}65 kg
Wristband settings
Display time${tab}5 s
Find me${tab}Off
Factory reset${tab}Erase band and data
About${tab}V1.0.0"
same "first start" "$expected" "$("$cli" --data-dir "$work" --lang en screen settings)"
"$cli" --data-dir "$work" settings set bodyHeight 180 >/dev/null || fail "settings set"
"$cli" --data-dir "$work" settings set LongTimeSitInteval 3 >/dev/null || fail "settings set"
out=$("$cli" --data-dir "$work" --lang en screen settings)
same "edited height" "Height${tab}180 cm" "$(grep '^Height' <<<"$out")"
same "edited sitting" "Sitting reminder${tab}2 h" "$(grep '^Sitting' <<<"$out")"
out=$("$cli" --data-dir "$work" --lang zh_CN screen settings)
same "chinese" "身高${tab}180 cm" "$(grep '^身高' <<<"$out")"
"$cli" --data-dir "$work" screen settings extra >/dev/null 2>&1; status=$?
same "extra argument" "2" "$status"
finish
