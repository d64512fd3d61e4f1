#pragma once
// The documents lock for a subcommand that writes the pilot's files (plans import, airspace
// import and switches): such a write goes ahead only while no app, and no other such command,
// holds the documents.

#include "platform/core/DocumentsLock.h"

#include <QString>

#include <optional>

namespace vantrel::tool {

// Takes the lock into `lock`. False, with a line on stderr ending in `nothingDone`, when the app
// holds the documents; a lock that cannot be taken for another reason is said and gone without.
bool lockDocumentsForWriting(std::optional<platform::DocumentsLock>& lock, const QString& nothingDone);

}  // namespace vantrel::tool
