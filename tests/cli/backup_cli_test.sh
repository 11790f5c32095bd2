#!/usr/bin/env bash
# backup_cli_test.sh VANTRO_CLI: ten years of days and nights survive export -> import -> export unchanged.
set -u
cli=$1
. "$(dirname "$0")/../support/shell_fixture.sh"
require sqlite3
"$cli" --data-dir "$work/src" store-day 2000-01-01 0 0 0 0 0
# Every third date has only a day, every fifth only a night; start times are missing now and then.
sqlite3 "$work/src/database.sqlite3" "
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3652)
INSERT OR REPLACE INTO sportsTable
SELECT date('2014-01-01', '+' || i || ' days'),
       CASE WHEN i % 5 = 0 THEN NULL ELSE i * 7 % 65536 END, CASE WHEN i % 5 = 0 THEN NULL ELSE i % 900 END,
       CASE WHEN i % 5 = 0 THEN NULL ELSE i % 700 END, CASE WHEN i % 5 = 0 THEN NULL ELSE i % 300 END,
       CASE WHEN i % 5 = 0 THEN NULL ELSE 0 END, CASE WHEN i % 5 = 0 THEN NULL ELSE i % 120 END,
       CASE WHEN i % 3 = 0 THEN NULL ELSE i % 60 END, CASE WHEN i % 3 = 0 THEN NULL ELSE i % 200 END,
       CASE WHEN i % 3 = 0 THEN NULL ELSE i % 180 END, CASE WHEN i % 3 = 0 THEN NULL ELSE i % 90 END,
       CASE WHEN i % 3 = 0 THEN NULL ELSE i % 30 END, CASE WHEN i % 3 = 0 THEN NULL ELSE i % 6 END,
       CASE WHEN i % 3 = 0 THEN NULL ELSE printf('%02d:%02d', i % 10, i % 60) END,
       CASE WHEN i % 3 = 0 OR i % 7 = 0 THEN NULL ELSE printf('%02d:%02d', 20 + i % 4, i % 59) END
FROM n" || exit 1
for f in json csv; do
  "$cli" --data-dir "$work/src" export --format $f --out "$work/a.$f" || fail "$f export"
  out=$("$cli" --data-dir "$work/$f" import "$work/a.$f")
  want="2923 days added, 0 updated; 2435 nights added, 0 updated"
  [ "$out" = "$want" ] || fail "$f import said: $out"
  "$cli" --data-dir "$work/$f" export --format $f > "$work/b.$f"
  cmp "$work/a.$f" "$work/b.$f" || fail "$f round trip differs"
done
finish "ten-year round trip passed"
