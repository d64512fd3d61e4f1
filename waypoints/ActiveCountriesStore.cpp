#include "ActiveCountriesStore.h"

#include "DatabaseDirectory.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/DamagedFiles.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/UserNotice.h"
#include "platform/plist/PropertyList.h"

#include <QFileInfo>

namespace vantrel::waypoints {

using platform::Array;
using platform::Value;

ActiveCountriesStore::ActiveCountriesStore() {
    QString dir = databaseDirectory();
    QStringList listing = dir.isEmpty() ? QStringList() : directoryContents(dir);

    QString path = dismissedCountriesPath();
    const QFileInfo info(path);
    // A save cut short (a crash, a power loss) leaves its temporary file beside the list.
    platform::removeStaleTemporaryFiles(info.absolutePath(), {info.fileName()});
    platform::ArrayPtr stored;
    if (info.exists()) {
        QString error;
        Value root = platform::plist::readFile(path, &error);
        stored = root.array();
        if (!stored) {
            platform::logLine(QStringLiteral("%1 could not be read (%2); every country is active, and the file is kept aside "
                                             "at the first save")
                                  .arg(path, error.isEmpty() ? QStringLiteral("its root is not an array") : error));
            damagedUnsaved_ = true;
        }
    }

    allCountries_ = countryNamesOf(listing);
    dismissedCountries_ = stored ? stored->mutableCopy() : Array::create(200);
}

bool ActiveCountriesStore::isCountryActive(const QString& country) const {
    QByteArray utf8 = country.toUtf8();
    std::string_view name(utf8.constData(), size_t(utf8.size()));
    for (const Value& v : *dismissedCountries_)
        if (v.isString() && v.stringView() == name) return false;
    return true;
}

void ActiveCountriesStore::toggleCountry(const QString& country) {
    QByteArray utf8 = country.toUtf8();
    std::string_view name(utf8.constData(), size_t(utf8.size()));
    auto& items = dismissedCountries_->items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].isString() && items[i].stringView() == name) {
            dismissedCountries_->removeAt(i);
            return;
        }
    }
    dismissedCountries_->append(Value(country));
}

void ActiveCountriesStore::setAllCountriesActive(bool active) {
    for (const QString& country : allCountries_)
        if (isCountryActive(country) != active) toggleCountry(country);
}

QString ActiveCountriesStore::dismissedCountriesPath() {
    return platform::Paths::documentsDirectory() + QStringLiteral("/DismissedCountries.plist");
}

bool ActiveCountriesStore::keepDamagedFile(QString* error) const {
    const QString path = dismissedCountriesPath();
    if (!QFileInfo::exists(path)) return true;
    const QString aside = platform::keepDamagedCopy(path, error);
    if (aside.isEmpty()) return false;
    platform::logLine(QStringLiteral("Kept the unreadable list of dismissed countries as %1").arg(aside));
    return true;
}

bool ActiveCountriesStore::save() const {
    QString error;
    if (damagedUnsaved_) {
        if (!keepDamagedFile(&error)) {
            platform::logLine(QStringLiteral("Error writing dismissed countries to %1 : the unreadable file there could not be "
                                             "kept aside (%2)")
                                  .arg(dismissedCountriesPath(), error));
            platform::postSaveFailure(this, QStringLiteral("The active countries"), dismissedCountriesPath(), error,
                                      QStringLiteral("The unreadable file stays as it was."));
            return false;
        }
        damagedUnsaved_ = false;
    }
    if (platform::plist::writeFile(dismissedCountriesPath(), Value(dismissedCountries_), platform::plist::Format::Xml,
                                   &error))
        return true;
    platform::logLine(QStringLiteral("Error writing dismissed countries to %1 : %2").arg(dismissedCountriesPath(), error));
    platform::postSaveFailure(this, QStringLiteral("The active countries"), dismissedCountriesPath(), error,
                              QStringLiteral("The next start loads the countries saved before."));
    return false;
}

}  // namespace vantrel::waypoints
