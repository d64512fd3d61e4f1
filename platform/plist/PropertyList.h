#pragma once
// Property-list files: XML and binary forms, read into Values and written from them.
// Reading detects the form by its first bytes. Writing is atomic: the file is written aside and
// renamed into place, so a reader (or a crash) never sees half a file.
//
// Ownership: the Values and bytes returned belong to the caller.
// Threads: all functions are reentrant; any thread may call them.

#include "../core/Value.h"

#include <QByteArray>
#include <QString>

namespace vantrel::platform::plist {

enum class Format { Xml, Binary };

// Parses XML or binary bytes. A null Value and a readable reason in *error on failure, which is
// also logged. Objects that the file shares stay shared.
Value parse(const QByteArray& bytes, QString* error = nullptr);

// Reads a file; a null Value (and the reason) when it is absent, unreadable or not a plist. An
// absent file is not logged (it is the usual first start); the others are.
Value readFile(const QString& path, QString* error = nullptr);

// The bytes of the value; empty, with the reason, when it cannot be written (it contains itself,
// or holds what the form cannot: see XmlPlist.h). Shared arrays and dictionaries are written once
// in binary; XML repeats them.
QByteArray toXml(const Value& value, QString* error = nullptr);
QByteArray toBinary(const Value& value, QString* error = nullptr);

// Writes the whole value atomically; false (and the reason) when the file could not be written,
// in which case the old file is left as it was.
bool writeFile(const QString& path, const Value& value, Format format = Format::Xml, QString* error = nullptr);

}  // namespace vantrel::platform::plist
