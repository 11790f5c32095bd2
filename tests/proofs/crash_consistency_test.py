#!/usr/bin/env python3
"""crash_consistency_test.py VANTRO_CLI [TRIALS]: a ten-year sync of the simulated band into a real file is killed
with SIGKILL at random points. After each kill the file passes PRAGMA integrity_check and holds every row the log
announced before the last one, with the band's values, and no row with other values; a last sync completes it.
VANTRO_CRASH_SEED repeats a run's kill points."""
import os
import random
import signal
import sqlite3
import subprocess
import sys
import tempfile

cli = sys.argv[1]
trials = int(sys.argv[2]) if len(sys.argv) > 2 else 5
RECORDS = 3650
seed = int(os.environ.get("VANTRO_CRASH_SEED", random.randrange(1 << 30)))
rng = random.Random(seed)
# The store logs one of these just before each write; nights come first in a sync, both oldest first.
DAY_LINES = {"log: 插入数据", "log: 更新数据"}
NIGHT_LINES = {"log: sleep插入数据", "log: sleep更新数据"}
DAY = "cStep, cDistance, cColaries, cRestcal, cTStep, cActiveTime"
NIGHT = "cEnterTime, cSpindlesTime, cDeepTime, cREMTime, cWakeupTime, cWakeupCount, cTotalTime, cStartTime"


def demo(data, verbose):
    args = [cli, "--data-dir", data, "demo", "--days", str(RECORDS), "--nights", str(RECORDS), "--seed", "5",
            "--timeout", "3600"]
    return args + ["--verbose"] if verbose else args


def rows(path, columns):
    with sqlite3.connect(path) as db:
        return {r[0]: r[1:] for r in db.execute(f"SELECT cDate, {columns} FROM sportsTable")}


def sync_killed_after(data, writes):
    """Kills a sync right after the log announced its `writes`-th row; the rows it announced in all."""
    p = subprocess.Popen(demo(data, True), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, encoding="utf-8")
    announced = {"day": 0, "night": 0}
    for line in p.stderr:
        line = line.rstrip("\n")
        announced["day"] += line in DAY_LINES
        announced["night"] += line in NIGHT_LINES
        if " failed: " in line:
            sys.exit(f"FAIL a write failed before the kill: {line}")
        if sum(announced.values()) >= writes and p.poll() is None:
            p.send_signal(signal.SIGKILL)
            break
    # Lines already in the pipe were announced before the kill too.
    for line in p.stderr:
        announced["day"] += line.rstrip("\n") in DAY_LINES
        announced["night"] += line.rstrip("\n") in NIGHT_LINES
    p.wait()
    return announced


failures = []
with tempfile.TemporaryDirectory() as tmp:
    data = os.path.join(tmp, "data")
    path = os.path.join(data, "database.sqlite3")
    after_kills = []
    for trial in range(trials):
        writes = rng.randint(1, 2 * RECORDS)
        announced = sync_killed_after(data, writes)
        # Opening the file as the next run would: a torn transaction is rolled back here.
        with sqlite3.connect(path) as db:
            check = db.execute("PRAGMA integrity_check").fetchall()
        if check != [("ok",)]:
            failures.append(f"trial {trial}: integrity_check says {check}")
        after_kills.append((announced, rows(path, DAY), rows(path, NIGHT)))
        print(f"trial {trial}: killed after {announced['night']} nights and {announced['day']} days announced")

    done = subprocess.run(demo(data, False), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, encoding="utf-8")
    if done.returncode != 0:
        failures.append(f"the completing sync failed: {done.stderr.strip()}")
    # The completing sync checked every value against the band, so the file now holds the band's values.
    band_days, band_nights = rows(path, DAY), rows(path, NIGHT)
    dates = sorted(band_days)
    if len(dates) != RECORDS or any(None in v for v in list(band_days.values()) + list(band_nights.values())):
        failures.append(f"the completed file holds {len(dates)} dates, not {RECORDS} full ones")
    for trial, (announced, days, nights) in enumerate(after_kills):
        for kind, stored, band in (("day", days, band_days), ("night", nights, band_nights)):
            # The last announced row may have been cut short; every earlier one was written.
            for date in dates[:max(0, announced[kind] - 1)]:
                if stored.get(date) != band[date]:
                    failures.append(f"trial {trial}: the {kind} {date} is {stored.get(date)}, not {band[date]}")
                    break
            torn = [d for d, v in stored.items() if any(x is not None for x in v) and v != band.get(d)]
            if torn:
                failures.append(f"trial {trial}: the {kind} {torn[0]} holds other values than the band's")

for f in failures:
    print("FAIL", f)
print(f"crash consistency: {trials} kills (seed {seed}), {'failed' if failures else 'all sound'}")
sys.exit(1 if failures else 0)
