#pragma once
// The active-countries store shared by the whole process (and, once the screens land, the screen
// on which the pilot switches countries on and off). The store itself is ActiveCountriesStore.
//
// Threads: sharedController() may be called first from the database load thread; see
// ActiveCountriesStore for who may change what.

#include "ActiveCountriesStore.h"

namespace vantrel::waypoints {

class ActiveCountriesController {
public:
    static ActiveCountriesController& sharedController();

    ActiveCountriesStore& store() { return store_; }
    const QStringList& allCountries() const { return store_.allCountries(); }
    platform::ArrayPtr dismissedCountries() const { return store_.dismissedCountries(); }
    bool isCountryActive(const QString& country) const { return store_.isCountryActive(country); }
    static QString dismissedCountriesPath() { return ActiveCountriesStore::dismissedCountriesPath(); }

    QString title() const { return QStringLiteral("Active Countries"); }

private:
    ActiveCountriesController() = default;
    ActiveCountriesStore store_;
};

}  // namespace vantrel::waypoints
