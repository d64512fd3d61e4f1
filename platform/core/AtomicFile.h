#pragma once
// Writing a file whole or not at all, and clearing what an interrupted write left behind.
//
// writeFileAtomically writes the bytes to a temporary file beside the target, named
// "<target name>.XXXXXX" (six ASCII letters and digits, at least one of them a digit), checks
// every write, syncs the file to the disk, closes it, and only then renames it over the target,
// then syncs the folder so that the new name survives a power loss. On any failure the temporary
// file is removed and the old target stays byte for byte as it was; the answer is false and
// *error reads "cannot write <path>: <reason>", the reason being the system's text for the
// error ("No space left on device"). A target that exists keeps its permission bits (and, where
// the writer may set them, its owner and group); a new one gets the default of the umask. A
// target that is a symbolic link is written through the link, which stays.
//
// While it writes, the writer holds a lock (flock) on its temporary file, so that another process
// clearing stale temporaries leaves a write in progress alone. After a successful write the
// writer removes stale temporaries of the same target (see removeStaleTemporaryFiles).
//
// While the pilot's files are read-only (DocumentsLock.h: another copy of the app holds the
// documents) every write fails at once with that reason and touches nothing.
//
// Threads: every function may be called from any thread; writes of different targets are
// independent, two writes of the same target at once end with one of the two whole files.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vantrel::platform {

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// The target's file name that `entry` (a file name without folder) is a temporary of, as the
// writer names them; empty when it is not such a name. "flights.plist.aB3xYz" gives
// "flights.plist"; "flights.plist.bak", "flights.plist.backup" and "notes.txt" give nothing.
QString atomicWriteTargetOf(const QString& entry);

// Removes from `folder` the temporaries that an interrupted write of one of `targetNames` (file
// names in that folder) left behind: regular files named as the writer names them, which no
// writer holds locked. Never touches another file. Each removal is logged; answers how many were
// removed. A folder that does not exist has none.
int removeStaleTemporaryFiles(const QString& folder, const QStringList& targetNames);

// Test-only: makes every following writeFileAtomically fail at one step, until set back to None.
//   Write   the first half of the bytes goes out, then the disk is full (ENOSPC);
//   Sync    the sync of the written file fails (EIO);
//   Rename  renaming the temporary file over the target fails (EXDEV).
// The failure takes the same path as a real one: the temporary file is removed, the answer is
// false with the reason. Never called by the application.
enum class AtomicWriteStep { None, Write, Sync, Rename };
void setAtomicWriteFaultForTesting(AtomicWriteStep step);

}  // namespace vantrel::platform
