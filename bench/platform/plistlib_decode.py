#!/usr/bin/env python3
"""Decodes keyed-archive files with Python's plistlib, for comparison with plist_bench.

    VANTREL_PLIST_BENCH_OUT=/tmp/waypoints.archive build/bench/platform/plist_bench
    python3 bench/platform/plistlib_decode.py /tmp/waypoints.archive [more archives ...]

Prints, per file and in total, the best of several runs of plistlib.loads alone and of
plistlib.loads followed by resolving the archive's object graph (what the app's unarchiver does).
"""

import os
import plistlib
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "data", "plist"))
from make_fixtures import unarchive  # noqa: E402  (the resolver the tests use)

RUNS = 5


def best(function, data):
    times = []
    for _ in range(RUNS):
        start = time.perf_counter()
        result = function(data)
        times.append(time.perf_counter() - start)
    return min(times), result


def main(paths):
    if not paths:
        sys.exit(__doc__)
    total_load = total_full = 0.0
    total_records = total_objects = 0
    for path in paths:
        with open(path, "rb") as f:
            data = f.read()
        load, plist = best(plistlib.loads, data)
        full, root = best(lambda d: unarchive(plistlib.loads(d)), data)
        records = len(root) if isinstance(root, list) else 1
        objects = len(plist["$objects"])
        total_load += load
        total_full += full
        total_records += records
        total_objects += objects
        print("%s: %d records, %d archive entries, %d bytes: plistlib.loads %.1f ms, with unarchiving %.1f ms"
              % (path, records, objects, len(data), load * 1e3, full * 1e3))
    if len(paths) > 1:
        print("total: %d records, %d archive entries: plistlib.loads %.1f ms, with unarchiving %.1f ms"
              % (total_records, total_objects, total_load * 1e3, total_full * 1e3))
    print("with unarchiving: %.0f records/s, %.0f archive entries/s"
          % (total_records / total_full, total_objects / total_full))


if __name__ == "__main__":
    main(sys.argv[1:])
