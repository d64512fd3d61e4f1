#!/usr/bin/env python3
"""Makes the property-list fixtures of the platform tests with Python's plistlib, and prints
plists in a canonical text form so that the tests can compare what plistlib reads from our
writers' output with what it reads from these fixtures.

    make_fixtures.py                  write the fixtures next to this script
    make_fixtures.py --dump FILE      print FILE's value
    make_fixtures.py --dump-archive FILE
                                      print the root object of the keyed archive FILE
"""

import datetime
import json
import os
import plistlib
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def every_type():
    return {
        "ascii": "Hello, world",
        "unicode": "Z\u00fcrich \u2708 \U0001d11e",
        "empty_string": "",
        "long_text": "x" * 300,
        "integers": [0, 1, 255, 256, 65535, 65536, 4294967295, 4294967296, -1, -1000,
                     9223372036854775807, -9223372036854775808],
        "reals": [0.1, -2.5, 1e300, 3.0],
        "yes": True,
        "no": False,
        "date": datetime.datetime(2021, 6, 30, 12, 34, 56, 250000),
        "old_date": datetime.datetime(1969, 7, 20, 20, 17, 40),
        "data": bytes(range(256)),
        "empty_data": b"",
        "nested": {"a": [1, [2, [3, {"deep": "yes"}]]]},
        "empty_array": [],
        "empty_dict": {},
        "long_array": list(range(20)),
    }


class Archive:
    """Builds "$objects" in the layout of Apple's keyed archiver."""

    def __init__(self):
        self.objects = ["$null"]
        self.classes = {}

    def add(self, obj):
        self.objects.append(obj)
        return plistlib.UID(len(self.objects) - 1)

    def reserve(self):
        return self.add(None)

    def set(self, uid, obj):
        self.objects[uid.data] = obj

    def cls(self, *chain):
        if chain[0] not in self.classes:
            self.classes[chain[0]] = self.add({"$classes": list(chain), "$classname": chain[0]})
        return self.classes[chain[0]]

    def array(self, uids, mutable=True):
        chain = ("NSMutableArray", "NSArray", "NSObject") if mutable else ("NSArray", "NSObject")
        return self.add({"NS.objects": list(uids), "$class": self.cls(*chain)})

    def dictionary(self, pairs, mutable=True, uid=None):
        chain = (("NSMutableDictionary", "NSDictionary", "NSObject") if mutable
                 else ("NSDictionary", "NSObject"))
        obj = {"NS.keys": [k for k, _ in pairs], "NS.objects": [v for _, v in pairs],
               "$class": self.cls(*chain)}
        if uid is None:
            return self.add(obj)
        self.set(uid, obj)
        return uid

    def plist(self, root):
        return {"$version": 100000, "$archiver": "NSKeyedArchiver", "$top": {"root": root},
                "$objects": self.objects}


def waypoint_archive():
    a = Archive()
    root = a.reserve()  # the root comes first, as the archiver numbers objects on first use
    k = {name: a.add(name) for name in (
        "waypoint_id", "waypoint_name", "waypoint_latitude", "waypoint_longitude", "waypoint_type",
        "waypoint_runways", "waypoint_frequency", "waypoint_channel", "id", "updated", "raw", "blob",
        "active", "elevation", "note")}
    paris = a.add("Paris")  # referenced by two records
    runways = a.array([a.dictionary([(k["id"], a.add("09L"))], mutable=False),
                       a.dictionary([(k["id"], a.add("27R"))], mutable=False)])
    first = a.dictionary([
        (k["waypoint_id"], a.add("LFPG")), (k["waypoint_name"], paris),
        (k["waypoint_latitude"], a.add(49.0097)), (k["waypoint_longitude"], a.add(2.5478)),
        (k["waypoint_type"], a.add(1)), (k["waypoint_runways"], runways),
        (k["updated"], a.add({"NS.time": 646749296.5, "$class": a.cls("NSDate", "NSObject")})),
        (k["active"], a.add(True)), (k["elevation"], a.add(-12)),
    ])
    second = a.dictionary([
        (k["waypoint_id"], a.add({"NS.string": "PGS", "$class": a.cls("NSMutableString", "NSString", "NSObject")})),
        (k["waypoint_name"], paris),
        (k["waypoint_frequency"], a.add("Z\u00fcrich \u2708")),
        (k["waypoint_channel"], plistlib.UID(0)),
        (k["raw"], a.add(b"\x00\x01\xfe\xff")),
        (k["blob"], a.add({"NS.data": b"abc", "$class": a.cls("NSMutableData", "NSData", "NSObject")})),
        (k["note"], a.add(4294967296)),
    ], mutable=False)
    a.set(root, {"NS.objects": [first, second, first, plistlib.UID(0)],
                 "$class": a.cls("NSMutableArray", "NSArray", "NSObject")})
    return a.plist(root)


def uids_as_dicts(value):
    """XML plists write a UID as the dictionary {"CF$UID": n}."""
    if isinstance(value, plistlib.UID):
        return {"CF$UID": value.data}
    if isinstance(value, list):
        return [uids_as_dicts(v) for v in value]
    if isinstance(value, dict):
        return {k: uids_as_dicts(v) for k, v in value.items()}
    return value


def write(name, value, fmt):
    with open(os.path.join(HERE, name), "wb") as f:
        plistlib.dump(value, f, fmt=fmt, sort_keys=False)


def make():
    write("types.bplist", every_type(), plistlib.FMT_BINARY)
    write("types.xml", every_type(), plistlib.FMT_XML)
    # Integers past 64 bits signed take 16 bytes in binary plists.
    write("big_integers.bplist", [18446744073709551615, 9223372036854775808, -9223372036854775808],
          plistlib.FMT_BINARY)
    archive = waypoint_archive()
    write("archive.bplist", archive, plistlib.FMT_BINARY)
    write("archive.xml", uids_as_dicts(archive), plistlib.FMT_XML)


def unarchive(plist):
    """The root object of a keyed archive, for the classes the fixtures and our archiver use."""
    objects = plist["$objects"]
    done = {}

    def index(uid):
        return uid["CF$UID"] if isinstance(uid, dict) else uid.data

    def ref(uid):
        n = index(uid)
        if n == 0:
            return None
        if n in done:
            return done[n]
        obj = objects[n]
        if isinstance(obj, dict):
            names = objects[index(obj["$class"])]["$classes"]
            if "NSDictionary" in names:
                obj = {ref(key): ref(val) for key, val in zip(obj["NS.keys"], obj["NS.objects"])}
            elif "NSArray" in names:
                obj = [ref(item) for item in obj["NS.objects"]]
            elif "NSDate" in names:
                obj = datetime.datetime(2001, 1, 1) + datetime.timedelta(seconds=obj["NS.time"])
            elif "NSString" in names:
                obj = obj["NS.string"]
            elif "NSData" in names:
                obj = obj["NS.data"]
            else:
                raise ValueError("unexpected class %s" % names)
        done[n] = obj
        return obj

    return ref(plist["$top"]["root"])


def canonical(value):
    if isinstance(value, bool):
        return {"bool": value}
    if isinstance(value, int):
        return {"int": str(value)}
    if isinstance(value, float):
        return {"real": value.hex()}
    if isinstance(value, str):
        return {"text": value}
    if isinstance(value, bytes):
        return {"data": value.hex()}
    if isinstance(value, datetime.datetime):
        return {"date": value.isoformat()}
    if isinstance(value, list):
        return [canonical(v) for v in value]
    if isinstance(value, dict):
        return {k: canonical(v) for k, v in value.items()}
    if value is None:
        return None
    raise ValueError("unexpected value %r" % (value,))


def dump(path, archived):
    with open(path, "rb") as f:
        value = plistlib.load(f)
    if archived:
        if value["$archiver"] != "NSKeyedArchiver" or value["$version"] != 100000:
            raise ValueError("not a keyed archive")
        value = unarchive(value)
    print(json.dumps(canonical(value), sort_keys=True, ensure_ascii=True))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] in ("--dump", "--dump-archive"):
        dump(sys.argv[2], sys.argv[1] == "--dump-archive")
    else:
        make()
