#pragma once
// The XML property-list form, read and written through libplist.
//
// libplist keeps whole seconds of dates in XML, reads negative integers back as unsigned and
// reads only dates from 1932-12-13 to 2069-01-19: the reader takes each integer's sign and each
// date's instant from the element's own text, so integers keep their sign (and those from 2^63 to
// 2^64 - 1 read as unsigned integers) and dates of any year 0001 to 9999 read exactly. A date
// whose text is no ISO 8601 date falls back to libplist's reading, which is logged when it is
// the 1932 one that libplist gives every date it cannot hold. Texts that are not valid UTF-8 get
// U+FFFD for bad bytes. UTF-16 text (either byte order) and a UTF-8 byte order mark are read.
// A dictionary {"CF$UID": n} reads as a UID, as keyed archives write them in XML.
// Input nested deeper than the plist readers allow is refused before libplist sees it (its parser
// recurses without a limit).
//
// Threads: reentrant; any thread may call these.

#include "ObjectTable.h"

#include "../core/Value.h"

#include <QByteArray>
#include <QString>

namespace vantrel::platform::plist::XmlPlist {

// Fills the table with the plist's objects. False, with the reason, when the bytes are no XML plist.
bool read(const QByteArray& bytes, ObjectTable& table, QString* error);

// The XML text of the value. Dates are written in whole seconds (rounded down); dictionary entries
// whose value is null are left out. Empty, with the reason, when the value contains itself, nests
// too deep, holds a null outside a dictionary or a date that XML plists cannot hold (before
// 1932-12-14 or after 2069-01-19).
QByteArray write(const Value& value, QString* error);

}  // namespace vantrel::platform::plist::XmlPlist
