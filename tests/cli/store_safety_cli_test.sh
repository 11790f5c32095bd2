#!/usr/bin/env bash
# store_safety_cli_test.sh VANTRO_CLI: reads after a crashed writer, private files, the settings size limit
# and trailing bytes, and failure messages without debug lines. Needs python3 (its sqlite3 module).
set -u
cli=$1
. "$(dirname "$0")/../support/shell_fixture.sh"
require python3
mode() { stat -c %a "$1"; }
umask 022

# New directories and files are private; existing ones keep their mode.
"$cli" --data-dir "$work/data/vantro" store-day 2014-07-15 100 2 3 4 5 || fail "store-day"
for d in 2014-07-16 2014-07-17 2014-07-18; do "$cli" --data-dir "$work/data/vantro" store-day $d 7 2 3 4 5; done
[ "$(mode "$work/data")" = 700 ] && [ "$(mode "$work/data/vantro")" = 700 ] || fail "directory modes $(mode "$work/data")"
[ "$(mode "$work/data/vantro/database.sqlite3")" = 600 ] || fail "database mode"
"$cli" --data-dir "$work/data/vantro" export --format json --out "$work/new.json" || fail "export"
[ "$(mode "$work/new.json")" = 600 ] || fail "new export mode $(mode "$work/new.json")"
touch "$work/old.csv" && chmod 644 "$work/old.csv"
"$cli" --data-dir "$work/data/vantro" export --format csv --out "$work/old.csv" || fail "export over a file"
[ "$(mode "$work/old.csv")" = 644 ] || fail "replaced export lost its mode"

# A writer killed mid-transaction leaves a hot journal; reads still work and see the last commit.
python3 - "$work/data/vantro/database.sqlite3" <<'PY' || fail "could not crash a writer"
import os, sqlite3, sys
db = sqlite3.connect(sys.argv[1], isolation_level=None)
db.execute("PRAGMA cache_size=1")
db.execute("BEGIN")
db.execute("UPDATE sportsTable SET cStep = 999")
# More than the page cache holds, so changed pages reach the file before the crash.
db.execute("INSERT INTO sportsTable(cDate, cStartTime) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
           "SELECT i + 1 FROM n WHERE i < 2000) SELECT 'x' || i, printf('%01000d', i) FROM n")
os._exit(0)
PY
[ -s "$work/data/vantro/database.sqlite3-journal" ] || fail "no hot journal was left"
out=$("$cli" --data-dir "$work/data/vantro" history 2>"$work/err") || fail "history after a crash: $(cat "$work/err")"
[ "$(echo "$out" | head -1)" = "2014-07-15 100 2 3 4 5" ] || fail "history after a crash: $out"

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

# Bytes after the document, a NUL included, make the file damaged instead of being dropped.
printf '{"bodyHeight": 170}\0{"bodyWeight": 99}' >"$work/conf/settings.json"
"$cli" --data-dir "$work/conf" settings set bodyWeight 70 2>"$work/err"
cmp -s "$work/conf/settings.json.damaged" <(printf '{"bodyHeight": 170}\0{"bodyWeight": 99}') ||
  fail "no damaged copy for trailing bytes: $(cat "$work/err")"

finish "store safety checks passed"
