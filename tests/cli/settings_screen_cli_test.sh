#!/usr/bin/env bash
# vantro-cli screen settings: the table on first start, after an edit, and in Chinese.
set -u
cli=$1
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
fail=0
check() { # name expected actual
  if [ "$2" != "$3" ]; then printf '%s:\n--- expected\n%s\n--- got\n%s\n' "$1" "$2" "$3"; fail=1; fi
}
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
check "first start" "$expected" "$("$cli" --data-dir "$dir" --lang en screen settings)"
"$cli" --data-dir "$dir" settings set bodyHeight 180 >/dev/null || { echo "settings set failed"; fail=1; }
"$cli" --data-dir "$dir" settings set LongTimeSitInteval 3 >/dev/null || { echo "settings set failed"; fail=1; }
out=$("$cli" --data-dir "$dir" --lang en screen settings)
check "edited height" "Height${tab}180 cm" "$(grep '^Height' <<<"$out")"
check "edited sitting" "Sitting reminder${tab}2 h" "$(grep '^Sitting' <<<"$out")"
out=$("$cli" --data-dir "$dir" --lang zh_CN screen settings)
check "chinese" "身高${tab}180 cm" "$(grep '^身高' <<<"$out")"
"$cli" --data-dir "$dir" screen settings extra >/dev/null 2>&1; status=$?
check "extra argument" "2" "$status"
exit $fail
