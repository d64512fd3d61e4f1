#pragma once
// Keeping a file that could not be read out of the way, so that the store that owns it can start
// afresh without writing over what the pilot stored.
//
// keepDamagedCopy renames "<file>" to "<file>.damaged", or, when that name is taken, to the first
// free one of "<file>.damaged-2", "<file>.damaged-3", ...: a copy kept aside earlier is never
// written over, also when another process takes a name at the same moment. The answer is the new
// path; empty, with "cannot keep <file> aside: <reason>" in *error, when the file could not be
// moved (it then stays where it was). The caller logs what it kept.
//
// Threads: any thread may call.

#include <QString>

namespace vantrel::platform {

QString keepDamagedCopy(const QString& path, QString* error = nullptr);

// The name of the n-th copy kept aside (n >= 1): "<file>.damaged", "<file>.damaged-2", ...
QString damagedCopyName(const QString& path, int n);

}  // namespace vantrel::platform
