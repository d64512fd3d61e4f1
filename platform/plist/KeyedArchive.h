#pragma once
// Keyed archives: the "$archiver" / "$objects" / "$top" object graph with UID references, as
// written by Apple's keyed archiver and by Python's plistlib, in binary or XML plist form.
// Arrays (NSArray, NSMutableArray; sets read as arrays), dictionaries (NSDictionary,
// NSMutableDictionary with NS.keys/NS.objects), sets and ordered sets (NSSet, NSMutableSet,
// NSCountedSet, NSOrderedSet, NSMutableOrderedSet: arrays of their members, from NS.objects or
// from NS.object.0, NS.object.1, ...), strings (plain or NSString/NSMutableString with NS.string),
// numbers, booleans, data (plain or NSData with NS.data), dates (NSDate), NSNull and "$null" (both
// a null Value) are understood, judged by each object's class chain; decoded arrays and
// dictionaries are mutable.
// Objects that the archive shares (one UID referenced twice) decode to one shared object.
// unarchive is strict (what the app reads must be what it wrote); unarchiveTopObjects shows any
// valid archive, for inspection.
//
// Ownership: the Values and bytes returned belong to the caller.
// Threads: reentrant; any thread may call these.

#include "../core/Value.h"

#include <QByteArray>
#include <QString>

namespace vantrel::platform::KeyedArchive {

// The root object (the "$top" entry "root"). A null Value and the reason on failure, which is also
// logged; never crashes on damaged input (bad references, wrong kinds, cycles).
Value unarchive(const QByteArray& bytes, QString* error = nullptr);

// Every entry of "$top", for inspecting archives of other software: a dictionary of the top keys
// and their objects. Unlike unarchive it reads what the app never writes: an instance of a class
// not listed above becomes the dictionary {"$class": its class name, each field: its value}, the
// fields decoded the same way; a reference to an object that is still being decoded (the graph
// has a cycle) becomes {"$ref": n}, n being that object's index in "$objects" (its UID); a
// dictionary key that is a number or another scalar becomes its text (see plist::keyText).
// A null Value and the reason, also logged, when the archive is damaged.
Value unarchiveTopObjects(const QByteArray& bytes, QString* error = nullptr);

// A binary keyed archive of the value under "root", as Apple's keyed archiver lays it out: arrays
// as NSMutableArray, dictionaries as NSMutableDictionary, dates as NSDate, data and numbers plain.
// Equal texts and numbers are stored once, shared arrays and dictionaries once. Empty, with the
// reason, when the value contains itself or nests too deep.
QByteArray archive(const Value& root, QString* error = nullptr);

}  // namespace vantrel::platform::KeyedArchive
