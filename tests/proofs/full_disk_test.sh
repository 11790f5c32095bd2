#!/usr/bin/env bash
# full_disk_test.sh VANTRO_CLI: on a small tmpfs filled to the last byte, a sync, store-day, settings set and
# export fail with status 1 and a message naming the full disk, and leave every existing file byte-for-byte.
# The tmpfs is mounted in a private user and mount namespace, so no root is needed; where namespaces are not
# available (and the user is not root), it exits 77 (skipped) and says why.
set -u
cli=$1
if [ -z "${VANTRO_FULL_DISK_NAMESPACE:-}" ]; then
  if why=$(unshare -rm true 2>&1); then
    VANTRO_FULL_DISK_NAMESPACE=1 exec unshare -rm "$0" "$@"
  fi
  if [ "$(id -u)" != 0 ]; then
    echo "full-disk test skipped: no user and mount namespace here (unshare -rm failed${why:+: $why}), and not root"
    exit 77
  fi
fi
mnt=$(mktemp -d)
if ! why=$(mount -t tmpfs -o size=2m tmpfs "$mnt" 2>&1); then
  echo "full-disk test skipped: a tmpfs cannot be mounted here: $why"; rmdir "$mnt"; exit 77
fi
trap 'umount "$mnt"; rmdir "$mnt"' EXIT
dir=$mnt/data
failures=0
fail() { printf 'FAIL %s\n' "$*"; failures=$((failures + 1)); }

# Existing data: a month synced from one band, settings, an earlier export.
"$cli" --data-dir "$dir" demo --days 30 --nights 30 --seed 3 >/dev/null 2>&1 || fail "setup sync"
"$cli" --data-dir "$dir" export --format csv --out "$dir/export.csv" || fail "setup export"
dd if=/dev/zero of="$mnt/filler" bs=4k 2>/dev/null
[ "$(df --output=avail "$mnt" | tail -1 | tr -d ' ')" = 0 ] || fail "the tmpfs is not full"
state() { (cd "$mnt" && find . -type f ! -name filler | sort | xargs sha256sum); }
before=$(state)

# expect_full LABEL LINES ARGS...: status 1, the full disk named within the first LINES lines, nothing changed.
expect_full() {
  local label=$1 lines=$2; shift 2
  "$cli" --lang en --data-dir "$dir" "$@" >/dev/null 2>"$mnt.err"; local status=$?
  [ "$status" = 1 ] || fail "$label: exit $status, not 1: $(cat "$mnt.err")"
  head -"$lines" "$mnt.err" | grep -qiE "disk is full|no space left" ||
    fail "$label: the message does not name the full disk first: $(cat "$mnt.err")"
  [ "$(state)" = "$before" ] || fail "$label: files changed: $(diff <(echo "$before") <(state))"
}
# Another band's values: a sync that stored nothing must not pass for one that stored other values.
expect_full sync 1 demo --days 30 --nights 30 --seed 4
expect_full store-day 3 store-day 2014-07-16 1 2 3 4 5
expect_full settings-set 2 settings set bodyHeight 170
expect_full export 1 export --format csv --out "$dir/export.csv"
rm -f "$mnt.err"

[ "$failures" = 0 ] && echo "full disk: all checks passed"
exit "$failures"
