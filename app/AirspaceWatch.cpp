#include "AirspaceWatch.h"

#include "FlightBanners.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "positioning/LocationManager.h"

namespace vantrel::app {

namespace {
AirspaceWatch* currentWatch = nullptr;
constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;
constexpr double kFeetPerMinutePerMetrePerSecond = 60.0 / 0.3048;

QString loggedKey(const airspace::AirspaceWarning& warning) {
    return warning.key() + (warning.kind == airspace::AirspaceWarning::Kind::Inside ? QStringLiteral(" inside")
                                                                                     : QStringLiteral(" entering"));
}
}  // namespace

AirspaceWatch::AirspaceWatch(FlightBanners& banners, positioning::LocationManager& manager, platform::UserDefaults* defaults)
    : banners_(banners), manager_(manager), settings_(QString(), defaults) {
    currentWatch = this;
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, "locationDidUpdate", nullptr, [this](const platform::Notification&) {
        if (sinceCheck_.isValid() && sinceCheck_.elapsed() < kMinCheckMs) return;
        check();
    });
    center.addObserver(this, "airspaceDidChange", nullptr, [this](const platform::Notification&) { check(); });
}

AirspaceWatch::~AirspaceWatch() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (currentWatch == this) currentWatch = nullptr;
}

AirspaceWatch* AirspaceWatch::current() { return currentWatch; }

void AirspaceWatch::check() {
    sinceCheck_.start();
    aircraft_ = {};
    const std::optional<positioning::Fix> fix = manager_.currentLocation();
    if (fix && manager_.accuracyValidForNav()) {
        aircraft_.lat = fix->latitude;
        aircraft_.lon = fix->longitude;
        if (const std::optional<double> metres = fix->altitude ? fix->altitude : fix->pressureAltitude)
            aircraft_.altitudeFeet = *metres / airspace::kMetresPerFoot;
        if (manager_.accuracyValidForSpeedAndCourse() && manager_.speed() >= 0.0f) {
            aircraft_.groundSpeedKnots = double(manager_.speed()) * kKnotsPerMetrePerSecond;
            if (manager_.speed() > 0.0f) aircraft_.trackDegrees = double(manager_.course());
        }
        if (const std::optional<double> climb = manager_.verticalSpeed())
            aircraft_.verticalSpeedFpm = *climb * kFeetPerMinutePerMetrePerSecond;
    }

    index_ = airspace::AirspaceLibrary::shared().current().index;
    if (!settings_.warningsEnabled() || !std::isfinite(aircraft_.lat)) {
        // The warner forgets nothing here: the acknowledgements hold when warnings come back on.
        warnings_.clear();
    } else {
        warnings_ = warner_.update(*index_, aircraft_);
    }

    QSet<QString> now;
    for (const airspace::AirspaceWarning& warning : warnings_) {
        const QString key = loggedKey(warning);
        now.insert(key);
        if (!logged_.contains(key) && !warning.acknowledged)
            platform::logLine(QStringLiteral("Airspace warning: %1").arg(warning.text()));
    }
    logged_ = now;
    showBanners();
}

bool AirspaceWatch::acknowledge(const QString& key) {
    if (!warner_.acknowledge(key)) return false;
    for (airspace::AirspaceWarning& warning : warnings_)
        if (warning.key() == key) {
            warning.acknowledged = true;
            platform::logLine(QStringLiteral("Airspace warning acknowledged: %1").arg(warning.airspace->name));
        }
    showBanners();
    return true;
}

void AirspaceWatch::showBanners() {
    std::vector<FlightBanners::Banner> shown;
    for (const airspace::AirspaceWarning& warning : warnings_) {
        if (warning.acknowledged) continue;
        FlightBanners::Banner banner;
        banner.text = warning.text();
        banner.tone = warning.kind == airspace::AirspaceWarning::Kind::Inside ? FlightBanners::Tone::Warning
                                                                              : FlightBanners::Tone::Caution;
        banner.okButton = true;
        banner.onTap = [this, key = warning.key()] { acknowledge(key); };
        shown.push_back(std::move(banner));
    }
    banners_.setBanners(FlightBanners::Kind::Airspace, std::move(shown));
}

}  // namespace vantrel::app
