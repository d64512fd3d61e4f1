#!/usr/bin/env python3
"""Makes the property-list fixtures of the platform tests with Python's plistlib, and prints
plists in a canonical text form so that the tests can compare what plistlib reads from our
writers' output with what it reads from these fixtures.

    make_fixtures.py                  write the fixtures next to this script
    make_fixtures.py --dump FILE      print FILE's value
    make_fixtures.py --dump-archive FILE
                                      print the root object of the keyed archive FILE
    make_fixtures.py --check-dump FILE JSON
                                      compare JSON, what `vantrel-tool --json plist dump FILE`
                                      printed, with what plistlib reads from FILE; print "same"
                                      or the first difference (exit status 1)
"""

import base64
import datetime
import json
import os
import plistlib
import struct
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


def foreign_archive():
    """An archive as other software writes them: two top keys and neither is "root", classes we
    do not know (one of them in a cycle), NSNull, sets and ordered sets in both member layouts,
    number keys and an unsigned 64-bit number."""
    a = Archive()
    settings = a.reserve()
    label = a.add("runway 27")
    origin = a.add({"x": 1.5, "y": a.add(-2), "label": label, "$class": a.cls("VTPoint", "NSObject")})
    node = a.reserve()
    a.set(node, {"name": a.add("loop"), "next": node, "weights": [a.add(1), a.add(2.5)],
                 "$class": a.cls("VTNode", "VTBase", "NSObject")})
    null = a.add({"$class": a.cls("NSNull", "NSObject")})
    ordered = a.add({"NS.objects": [label, a.add("taxiway B")], "$class": a.cls("NSMutableOrderedSet", "NSOrderedSet", "NSObject")})
    counted = a.add({"NS.object.1": a.add("two"), "NS.object.0": a.add("one"), "NS.count.0": 3, "NS.count.1": 1,
                     "$class": a.cls("NSCountedSet", "NSMutableSet", "NSSet", "NSObject")})
    plain_set = a.add({"NS.object.0": a.add(7), "NS.object.1": a.add(True), "$class": a.cls("NSSet", "NSObject")})
    by_number = a.dictionary([(a.add(10), a.add("ten")), (a.add(2.5), a.add("two and a half"))], mutable=False)
    a.dictionary([(a.add("origin"), origin), (a.add("node"), node), (a.add("none"), null),
                  (a.add("ordered"), ordered), (a.add("counted"), counted), (a.add("set"), plain_set),
                  (a.add("by_number"), by_number), (a.add("big"), a.add(18446744073709551615))], uid=settings)
    shapes = a.array([origin, a.add({"$class": a.cls("VTEmpty", "NSObject")}), plistlib.UID(0)], mutable=False)
    archive = a.plist(None)
    archive["$top"] = {"settings": settings, "shapes": shapes, "version": 3}
    return archive


def write_binary(value):
    """A binary plist of value, which may have dictionary keys of any scalar kind (plistlib
    writes only text keys, though it reads the others)."""
    objects = []

    def add(v):
        objects.append(None)
        n = len(objects) - 1
        if isinstance(v, dict):
            refs = [add(k) for k in v] + [add(x) for x in v.values()]
            objects[n] = (0xD0, len(v), refs)
        elif isinstance(v, list):
            objects[n] = (0xA0, len(v), [add(x) for x in v])
        else:
            objects[n] = plistlib.dumps(v, fmt=plistlib.FMT_BINARY)
        return n

    add(value)
    out = bytearray(b"bplist00")
    offsets = []
    for obj in objects:
        offsets.append(len(out))
        if isinstance(obj, bytes):
            # The one object of plistlib's own file: from after the magic to its offset table.
            offset_size, _, _, top, table = struct.unpack(">6xBBQQQ", obj[-32:])
            start = int.from_bytes(obj[table + top * offset_size:table + (top + 1) * offset_size], "big")
            out += obj[start:table]
        else:
            marker, count, refs = obj
            out.append(marker | count)  # the fixtures' containers hold fewer than 15 entries
            out += bytes(refs)
    table = len(out)
    for offset in offsets:
        out += offset.to_bytes(2, "big")
    out += struct.pack(">6xBBQQQ", 2, 1, len(objects), 0, table)
    return bytes(out)


def wide_values():
    """Integers at the ends of the 64-bit ranges, dates of years far from now and a date with
    microseconds."""
    return {
        "integers": [18446744073709551615, 9223372036854775808, 9223372036854775807, -1,
                     -9223372036854775808, 0],
        "dates": [datetime.datetime(1, 1, 1), datetime.datetime(1000, 6, 15, 8, 30),
                  datetime.datetime(1600, 2, 29, 23, 59, 59), datetime.datetime(1931, 12, 31, 12),
                  datetime.datetime(2070, 1, 1), datetime.datetime(2500, 7, 4, 1, 2, 3),
                  datetime.datetime(9999, 12, 31, 23, 59, 59)],
        "precise": datetime.datetime(2021, 6, 30, 12, 34, 56, 123456),
    }


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
    archive = foreign_archive()
    write("foreign_archive.bplist", archive, plistlib.FMT_BINARY)
    write("foreign_archive.xml", uids_as_dicts(archive), plistlib.FMT_XML)
    write("wide_values.bplist", wide_values(), plistlib.FMT_BINARY)
    write("wide_values.xml", wide_values(), plistlib.FMT_XML)
    number_keys = {1: "one", -7: "minus seven", 2.5: "two and a half", 3.0: "three", "flags": {True: "on"},
                   "text": {4294967296: "nested"}}
    with open(os.path.join(HERE, "number_keys.bplist"), "wb") as f:
        f.write(write_binary(number_keys))
    # Other software writes XML plists in UTF-16 (either byte order) or with a UTF-8 byte order mark.
    xml = plistlib.dumps(every_type(), fmt=plistlib.FMT_XML, sort_keys=False).decode("utf-8")
    utf16 = xml.replace('encoding="UTF-8"', 'encoding="UTF-16"')
    for name, data in (("utf16le.xml", b"\xff\xfe" + utf16.encode("utf-16-le")),
                       ("utf16be.xml", b"\xfe\xff" + utf16.encode("utf-16-be")),
                       ("utf8bom.xml", b"\xef\xbb\xbf" + xml.encode("utf-8"))):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
    # Each fixture reads back in plistlib as what it was made from.
    for name, expected in (("number_keys.bplist", number_keys), ("utf16le.xml", None), ("utf16be.xml", None),
                           ("utf8bom.xml", None), ("wide_values.xml", None)):
        with open(os.path.join(HERE, name), "rb") as f:
            value = plistlib.load(f)
        if expected is None:
            expected = plistlib.loads(xml.encode("utf-8")) if name != "wide_values.xml" else None
        if expected is not None and value != expected:
            raise ValueError("%s reads back differently" % name)


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


def inspect(plist):
    """What `vantrel-tool plist dump` shows of a keyed archive: the root object when "root" is the
    only top key, else a dictionary of every top key. Unknown classes become {"$class": name,
    fields...}, a reference to an object still being decoded {"$ref": n}, NSNull and $null None,
    sets arrays of their members, number keys their text."""
    objects = plist["$objects"]
    done = {}
    busy = set()

    def index(uid):
        return uid["CF$UID"] if isinstance(uid, dict) and list(uid) == ["CF$UID"] else uid.data

    def is_uid(v):
        return isinstance(v, plistlib.UID) or (isinstance(v, dict) and list(v) == ["CF$UID"])

    def key_text(k):
        return k if isinstance(k, str) else json.dumps(k)

    def field(v):
        if is_uid(v):
            return ref(v)
        if isinstance(v, list):
            return [field(x) for x in v]
        if isinstance(v, dict):
            return {key_text(k): field(x) for k, x in v.items() if k != "$class"}
        return v

    def ref(uid):
        n = index(uid)
        if n in done:
            return done[n]
        if n in busy:
            return {"$ref": n}
        obj = objects[n]
        if n == 0 and obj == "$null":
            return None
        busy.add(n)
        if isinstance(obj, dict):
            description = objects[index(obj["$class"])]
            names = description["$classes"]
            known = [c for c in names if c in ("NSDictionary", "NSArray", "NSSet", "NSOrderedSet", "NSDate",
                                                "NSString", "NSData", "NSNull")]
            kind = known[0] if known else None
            if kind == "NSDictionary":
                obj = {key_text(ref(k)): ref(v) for k, v in zip(obj["NS.keys"], obj["NS.objects"])}
            elif kind in ("NSArray", "NSSet", "NSOrderedSet"):
                if "NS.objects" in obj:
                    obj = [ref(item) for item in obj["NS.objects"]]
                else:
                    numbered = sorted((int(k[len("NS.object."):]), v) for k, v in obj.items()
                                      if k.startswith("NS.object.") and k[len("NS.object."):].isdigit())
                    obj = [field(v) for _, v in numbered]
            elif kind == "NSDate":
                obj = datetime.datetime(2001, 1, 1) + datetime.timedelta(seconds=obj["NS.time"])
            elif kind == "NSString":
                obj = obj["NS.string"]
            elif kind == "NSData":
                obj = obj["NS.data"]
            elif kind == "NSNull":
                obj = None
            else:
                fields = {"$class": description["$classname"]}
                fields.update(field(obj))
                obj = fields
        busy.discard(n)
        done[n] = obj
        return obj

    top = {key_text(k): field(v) for k, v in plist["$top"].items()}
    return top["root"] if list(top) == ["root"] else top


def as_dumped(value):
    """The value as the dump's JSON shows it: dates as ISO 8601 UTC with microseconds, data as
    base64, keys as text, and numbers compared by value (JSON does not tell 3 from 3.0)."""
    if isinstance(value, bool) or value is None or isinstance(value, str):
        return value
    if isinstance(value, (int, float)):
        return {"number": str(int(value)) if float(value).is_integer() and abs(value) < 2 ** 53 or
                isinstance(value, int) else repr(value)}
    if isinstance(value, bytes):
        return base64.b64encode(value).decode("ascii")
    if isinstance(value, datetime.datetime):
        return "%04d-%02d-%02dT%02d:%02d:%02d.%06dZ" % (value.year, value.month, value.day, value.hour,
                                                        value.minute, value.second, value.microsecond)
    if isinstance(value, list):
        return [as_dumped(v) for v in value]
    if isinstance(value, dict):
        return {(k if isinstance(k, str) else json.dumps(k)): as_dumped(v) for k, v in value.items()}
    raise ValueError("unexpected value %r" % (value,))


def check_dump(path, dumped):
    with open(path, "rb") as f:
        value = plistlib.load(f)
    if isinstance(value, dict) and "$archiver" in value and "$objects" in value:
        value = inspect(value)
    expected = as_dumped(value)
    with open(dumped, "rb") as f:
        actual = as_dumped(json.load(f))
    if expected == actual:
        print("same")
        return 0
    print("expected %s\n     got %s" % (json.dumps(expected, sort_keys=True), json.dumps(actual, sort_keys=True)))
    return 1


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
    if len(sys.argv) == 4 and sys.argv[1] == "--check-dump":
        sys.exit(check_dump(sys.argv[2], sys.argv[3]))
    if len(sys.argv) == 3 and sys.argv[1] in ("--dump", "--dump-archive"):
        dump(sys.argv[2], sys.argv[1] == "--dump-archive")
    else:
        make()
