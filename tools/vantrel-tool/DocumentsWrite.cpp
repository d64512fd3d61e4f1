#include "DocumentsWrite.h"

#include "platform/core/Paths.h"

#include <cstdio>

namespace vantrel::tool {

bool lockDocumentsForWriting(std::optional<platform::DocumentsLock>& lock, const QString& nothingDone) {
    lock.emplace(platform::Paths::documentsDirectory());
    if (lock->state() == platform::DocumentsLock::State::HeldElsewhere) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(QStringLiteral("Vantrel is running on the documents %1 (the lock %2: %3); close it and "
                                               "try again. %4")
                                    .arg(platform::Paths::documentsDirectory(), lock->path(), lock->problem(), nothingDone)));
        return false;
    }
    if (!lock->held())
        std::fprintf(stderr, "%s\n",
                     qPrintable(QStringLiteral("the documents lock %1 could not be taken (%2); going on without it")
                                    .arg(lock->path(), lock->problem())));
    return true;
}

}  // namespace vantrel::tool
