#!/usr/bin/env python3
"""Decodes every country file of the waypoint database with Python's plistlib, for comparison
with the app's own decoder (build/bench/waypoints/load_bench, BM_DecodeWorldArchives).

usage: bench/waypoints/plistlib_load.py [DATABASE_DIR]   (default: build/bundle/database)
"""
import os
import plistlib
import sys
import time


def unscramble(raw: bytes) -> bytes:
    table = raw[:256]
    inverse = bytearray(256)
    for i, v in enumerate(table):
        inverse[v] = i
    return raw[256:].translate(bytes(inverse))


def resolve(objects, index, memo):
    if index in memo:
        return memo[index]
    obj = objects[index]
    if isinstance(obj, str) and obj == "$null":
        return None
    if isinstance(obj, dict) and "$class" in obj:
        cls = objects[obj["$class"].data]["$classname"]
        if cls in ("NSArray", "NSMutableArray"):
            out = []
            memo[index] = out
            out.extend(resolve(objects, u.data, memo) for u in obj["NS.objects"])
            return out
        if cls in ("NSDictionary", "NSMutableDictionary"):
            out = {}
            memo[index] = out
            for k, v in zip(obj["NS.keys"], obj["NS.objects"]):
                out[resolve(objects, k.data, memo)] = resolve(objects, v.data, memo)
            return out
        if cls in ("NSString", "NSMutableString"):
            return obj["NS.string"]
    return obj


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else os.path.join("build", "bundle", "database")
    files = [n for n in os.listdir(directory) if n.endswith(".ewpts")]
    payloads = []
    for name in files:
        with open(os.path.join(directory, name), "rb") as f:
            payloads.append(unscramble(f.read()))
    best = None
    for _ in range(5):
        start = time.perf_counter()
        records = 0
        for payload in payloads:
            archive = plistlib.loads(payload)
            root = resolve(archive["$objects"], archive["$top"]["root"].data, {})
            records += len(root)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    print(f"plistlib: {len(files)} countries, {records} waypoints decoded in {best * 1000:.1f} ms (best of 5)")


if __name__ == "__main__":
    main()
