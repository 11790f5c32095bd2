#!/usr/bin/env bash
# backup_cli_test.sh VANTRO_CLI: ten years of days and nights survive export -> import -> export unchanged.
set -u
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 shell is missing (scripts/setup installs it)"; exit 77; }
"$cli" --data-dir "$dir/src" store-day 2000-01-01 0 0 0 0 0
# Every third date has only a day, every fifth only a night; start times are missing now and then.
sqlite3 "$dir/src/database.sqlite3" "
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
failures=0
for f in json csv; do
  "$cli" --data-dir "$dir/src" export --format $f --out "$dir/a.$f" || failures=$((failures + 1))
  out=$("$cli" --data-dir "$dir/$f" import "$dir/a.$f")
  want="2923 days added, 0 updated; 2435 nights added, 0 updated"
  [ "$out" = "$want" ] || { echo "FAIL $f import said: $out"; failures=$((failures + 1)); }
  "$cli" --data-dir "$dir/$f" export --format $f > "$dir/b.$f"
  cmp "$dir/a.$f" "$dir/b.$f" || { echo "FAIL $f round trip differs"; failures=$((failures + 1)); }
done
[ "$failures" = 0 ] && echo "ten-year round trip passed"
exit $((failures > 0))
