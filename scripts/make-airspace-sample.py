#!/usr/bin/env python3
"""Writes a made-up OpenAir file that looks like a national one: COUNT airspaces (default 400) over
central Europe, of every kind the reader takes (polygons in DD:MM:SS and in decimal minutes,
circles, arcs by angles both ways, arcs between two points, limits of every form, extra AY/AF/AG/AI
lines, comments). The same seed gives the same file:
    scripts/make-airspace-sample.py [COUNT] > tests/data/airspace/sample-400.txt"""
import math
import random
import sys

count = int(sys.argv[1]) if len(sys.argv) > 1 else 400
rng = random.Random(28)
classes = ["A", "B", "C", "D", "E", "CTR", "R", "Q", "P", "W", "TMZ", "RMZ", "GP"]
lowers = ["GND", "SFC", "1000ft AGL", "1500 ft AMSL", "2500ft MSL", "FL65", "FL 75", "3000", "500 m AGL", "MSL"]
uppers = ["FL95", "FL 195", "4500ft AMSL", "6500 ft MSL", "UNL", "3000 ft AGL", "FL245", "9500", "UNLIM"]


def dms(value, pos, neg, width):
    hemi = pos if value >= 0 else neg
    value = abs(value)
    d = int(value)
    m = int((value - d) * 60)
    s = round(((value - d) * 60 - m) * 60)
    if s == 60:
        s, m = 0, m + 1
    if m == 60:
        m, d = 0, d + 1
    return f"{d:0{width}d}:{m:02d}:{s:02d} {hemi}"


def dm(value, pos, neg, width):
    hemi = pos if value >= 0 else neg
    value = abs(value)
    d = int(value)
    return f"{d:0{width}d}:{(value - d) * 60:06.3f} {hemi}"


def coord(lat, lon, decimal=False):
    f = dm if decimal else dms
    return f"{f(lat, 'N', 'S', 2)} {f(lon, 'E', 'W', 3)}"


def offset(lat, lon, bearing, nm):
    d = nm / 60.0
    return lat + d * math.cos(math.radians(bearing)), lon + d * math.sin(math.radians(bearing)) / math.cos(math.radians(lat))


out = ["* Made-up airspace for tests (scripts/make-airspace-sample.py); not for navigation.", ""]
for i in range(count):
    lat = rng.uniform(43.5, 54.5)
    lon = rng.uniform(-1.0, 16.0)
    cls = rng.choice(classes)
    kind = i % 5
    lines = [f"AC {cls}", f"AN {cls} AREA {i + 1}"]
    if i % 3 == 0:
        lines += [f"AY {cls}", f"AF {rng.randint(118, 136)}.{rng.choice(['000', '250', '500', '750'])}",
                  f"AG CALL {i + 1}", f"AI ID{i + 1:05d}"]
    lines += [f"AL {rng.choice(lowers)}", f"AH {rng.choice(uppers)}"]
    if i % 7 == 0:
        lines.append("* a comment inside an airspace")
    if kind == 0:  # a polygon, sometimes in decimal minutes, sometimes closed by hand
        n = rng.randint(4, 12)
        decimal = i % 2 == 1
        pts = [offset(lat, lon, 360.0 * k / n + rng.uniform(-10, 10), rng.uniform(3, 15)) for k in range(n)]
        lines += [f"DP {coord(p[0], p[1], decimal)}" for p in pts]
        if i % 4 == 0:
            lines.append(f"DP {coord(pts[0][0], pts[0][1], decimal)}")
    elif kind == 1:  # a circle
        lines += [f"V X={coord(lat, lon)}", f"DC {rng.choice([1, 2.5, 5, 8, 10, 15])}"]
    elif kind == 2:  # a sector: two arcs by angles, the inner one counter-clockwise
        a, b = rng.randint(0, 359), rng.randint(0, 359)
        r1, r2 = rng.uniform(2, 5), rng.uniform(6, 20)
        lines += [f"V X={coord(lat, lon)}", "V D=+", f"DA {r2:.1f},{a},{b}", "V D=-", f"DA {r1:.1f},{b},{a}"]
    elif kind == 3:  # a polygon with an arc between two points
        r = rng.uniform(3, 12)
        a = rng.randint(0, 359)
        sweep = rng.randint(30, 200)
        p1 = offset(lat, lon, a, r)
        p2 = offset(lat, lon, a + sweep, r)
        lines += [f"V X={coord(lat, lon)}", f"DP {coord(lat, lon)}", f"DP {coord(*p1)}",
                  f"DB {coord(*p1)}, {coord(*p2)}"]
    else:  # a polygon without the blank after the hemisphere
        n = rng.randint(3, 8)
        pts = [offset(lat, lon, 360.0 * k / n, rng.uniform(2, 8)) for k in range(n)]
        lines += [f"DP {coord(p[0], p[1]).replace(' N', 'N').replace(' E', 'E')}" for p in pts]
    out += lines + [""]
sys.stdout.write("\n".join(out))
