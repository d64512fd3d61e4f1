#include "UserNotice.h"

#include "NotificationCenter.h"
#include "Threads.h"

#include <QFileInfo>

namespace vantrel::platform {

QString plainReason(const QString& error) {
    QString reason = error.trimmed();
    const qsizetype colon = reason.lastIndexOf(QStringLiteral(": "));
    if (colon >= 0) reason = reason.mid(colon + 2).trimmed();
    while (reason.endsWith(QLatin1Char('.'))) reason.chop(1);
    if (reason.isEmpty()) return QStringLiteral("unknown reason");
    // "Permission denied" reads "permission denied" inside the sentence; "NFS ..." stays.
    if (reason.size() < 2 || !reason.at(1).isUpper()) reason[0] = reason.at(0).toLower();
    return reason;
}

QString saveFailureSentence(const QString& what, const QString& path, const QString& reason, const QString& outcome) {
    QString sentence = path.isEmpty()
                           ? QStringLiteral("%1 could not be saved: %2.").arg(what, reason)
                           : QStringLiteral("%1 could not be saved to %2: %3.").arg(what, QFileInfo(path).fileName(), reason);
    if (!outcome.isEmpty()) sentence += QLatin1Char(' ') + outcome;
    return sentence;
}

void postUserNotice(const void* poster, const QString& cause, const QString& title, const QString& message,
                    const QString& path, const QString& reason) {
    DictionaryPtr info = Dictionary::create(5);
    info->set("cause", Value(cause));
    info->set("title", Value(title));
    info->set("message", Value(message));
    info->set("file", Value(path));
    info->set("reason", Value(reason));
    Notification notification{kUserNoticeNotification, poster, info};
    auto post = [notification] { NotificationCenter::defaultCenter().postNotification(notification); };
    if (isMainThread())
        post();
    else
        performOnMainThread(post, false);
}

void postSaveFailure(const void* poster, const QString& what, const QString& path, const QString& error,
                     const QString& outcome) {
    const QString reason = plainReason(error);
    postUserNotice(poster, QStringLiteral("save %1: %2").arg(path, reason), QStringLiteral("Not saved"),
                   saveFailureSentence(what, path, reason, outcome), path, reason);
}

}  // namespace vantrel::platform
