#!/usr/bin/env bash
# store_safety_cli_test.sh VANTRO_CLI: private exports, the settings size limit, and failure messages
# without debug lines. Needs python3 (its sqlite3 module).
set -u
cli=$1
. "$(dirname "$0")/../support/shell_fixture.sh"
require python3
mode() { stat -c %a "$1"; }
umask 022

# A new export is private; a file it replaces keeps its mode.
"$cli" --data-dir "$work/data" store-day 2014-07-15 100 2 3 4 5 || fail "store-day"
"$cli" --data-dir "$work/data" export --format json --out "$work/new.json" || fail "export"
[ "$(mode "$work/new.json")" = 600 ] || fail "new export mode $(mode "$work/new.json")"
touch "$work/old.csv" && chmod 644 "$work/old.csv"
"$cli" --data-dir "$work/data" export --format csv --out "$work/old.csv" || fail "export over a file"
[ "$(mode "$work/old.csv")" = 644 ] || fail "replaced export lost its mode"

# A failure says why in English, without the store's debug lines.
mkdir "$work/odd"
python3 -c 'import sqlite3,sys; sqlite3.connect(sys.argv[1]).execute("CREATE TABLE sportsTable(cDate TEXT PRIMARY KEY)")' \
  "$work/odd/database.sqlite3"
"$cli" --data-dir "$work/odd" store-day 2014-07-15 1 2 3 4 5 2>"$work/err" && fail "store-day into another table"
grep -q "cStep" "$work/err" || fail "no reason: $(cat "$work/err")"
LC_ALL=C grep -qP '[\x80-\xff]' "$work/err" && fail "debug text in the message: $(cat "$work/err")"

# A settings change that would pass the size limit is refused and leaves the file as it was.
"$cli" --data-dir "$work/conf" settings set bodyHeight 170 || fail "settings set"
python3 - "$work/conf/settings.json" <<'PY'
import json, sys
doc = json.load(open(sys.argv[1]))
doc["notes"] = {"type": "string", "value": "x" * (1024 * 1024 - 300)}
open(sys.argv[1], "w").write(json.dumps(doc))
PY
cp "$work/conf/settings.json" "$work/before.json"
"$cli" --data-dir "$work/conf" settings set imaphone "$(printf '1%.0s' $(seq 400))" 2>"$work/err"
[ $? = 1 ] || fail "an oversized settings write was not refused"
grep -q "larger than" "$work/err" || fail "no reason for the refused write: $(cat "$work/err")"
cmp -s "$work/conf/settings.json" "$work/before.json" || fail "the settings file changed"
ls "$work/conf" | grep -q damaged && fail "the file was set aside"

finish "store safety checks passed"
