#include "UserDefaults.h"

#include "AtomicFile.h"
#include "DamagedFiles.h"
#include "Log.h"
#include "Paths.h"
#include "UserNotice.h"
#include "../plist/PropertyList.h"

#include <QDir>
#include <QFileInfo>

namespace vantrel::platform {

UserDefaults& UserDefaults::standardUserDefaults() {
    static UserDefaults defaults(Paths::defaultsFile());
    return defaults;
}

UserDefaults::UserDefaults(QString file) : file_(std::move(file)) {}

void UserDefaults::loadLocked() {
    if (loaded_) return;
    loaded_ = true;
    damaged_ = false;
    values_ = Dictionary::create();
    // A save cut short (a crash, a power loss) leaves its temporary file beside the defaults file.
    const QFileInfo info(file_);
    removeStaleTemporaryFiles(info.absolutePath(), {info.fileName()});
    if (!info.exists()) return;
    QString error;
    Value root = plist::readFile(file_, &error);
    if (DictionaryPtr d = root.dictionary()) {
        values_ = d;
        return;
    }
    if (error.isEmpty()) error = QStringLiteral("its root is not a dictionary");
    logLine(QStringLiteral("User defaults %1 could not be read (%2); starting from empty defaults").arg(file_, error));
    damaged_ = true;
}

bool UserDefaults::saveLocked(QString* failure) {
    QDir().mkpath(QFileInfo(file_).absolutePath());
    if (damaged_ && QFileInfo::exists(file_)) {
        // Never written over: the unreadable file goes aside first, beside the copies kept before.
        QString error;
        const QString aside = keepDamagedCopy(file_, &error);
        if (aside.isEmpty()) {
            logLine(QStringLiteral("Error writing user defaults to %1 : the unreadable file there could not be kept aside (%2)")
                        .arg(file_, error));
            *failure = error;
            return false;
        }
        logLine(QStringLiteral("Kept the unreadable user defaults as %1").arg(aside));
    }
    damaged_ = false;
    QString error;
    if (!plist::writeFile(file_, Value(values_), plist::Format::Xml, &error)) {
        logLine(QStringLiteral("Error writing user defaults to %1 : %2").arg(file_, error));
        *failure = error;
        return false;
    }
    return true;
}

Value UserDefaults::objectForKey(std::string_view key) {
    std::lock_guard lock(mutex_);
    loadLocked();
    return values_->get(key);
}

ArrayPtr UserDefaults::arrayForKey(std::string_view key) {
    return objectForKey(key).array();
}

void UserDefaults::setObject(std::string_view key, const Value& value) {
    QString failure;
    {
        std::lock_guard lock(mutex_);
        loadLocked();
        if (value.isNull())
            values_->remove(key);
        else
            values_->set(key, value);
        if (saveLocked(&failure)) return;
    }
    // Outside the lock: whoever shows the notice may read the defaults.
    postSaveFailure(this, QStringLiteral("The settings"), file_, failure,
                    QStringLiteral("They stay in use until the app ends."));
}

void UserDefaults::removeObjectForKey(std::string_view key) { setObject(key, Value()); }

void UserDefaults::reload() {
    std::lock_guard lock(mutex_);
    loaded_ = false;
}

}  // namespace vantrel::platform
