#pragma once
// The scrambled container of the waypoint database files: a 256-byte substitution table T
// followed by the payload, every plain byte v stored as T[v]. There is no header, length or
// checksum; the file is the table and the payload.
//
// Threads: both functions keep their state in locals and may run on any thread. The writer draws
// its table from the C library's rand(), so writers on several threads at once would share that
// sequence; the database builder writes from one thread.

#include <QByteArray>
#include <QString>

namespace vantrel::waypoints {

// The plain payload of a container file. A missing or unreadable file, or one shorter than the
// 256-byte table, is not a container: the result is empty, *ok (when given) is false and *reason
// (when given) says why. Only regular files are read (a FIFO or a device is refused at once), up
// to 256 MB. Tables
// that are not permutations are accepted: the later position wins for a repeated value, and a
// stored byte the table never produces reads as 0.
QByteArray dataWithContentsOfEncryptedFile(const QString& path, bool* ok = nullptr, QString* reason = nullptr);

// Scrambles data with a table drawn from rand() and writes the container atomically (written
// aside, then renamed into place). False when the file could not be written; the target is then
// left as it was.
bool writeToEncryptedFile(const QByteArray& data, const QString& path);

// The table the writer draws next (the writer's first step, exposed for tools and tests).
QByteArray drawSubstitutionTable();

}  // namespace vantrel::waypoints
