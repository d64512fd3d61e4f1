#pragma once
// The airspace warnings in the app: at each fix (at most every kMinCheckMs), the aircraft's
// position, altitude, track, ground speed and vertical speed go through the airspace warning rules
// on the airspaces in use (airspace::AirspaceLibrary); the warnings that are not acknowledged are
// shown as banners over every screen (FlightBanners), each with an "OK" that acknowledges it, and
// each new warning, or one that turns from entering to inside, is logged once. The pilot's switch
// (AirspaceStore::warningsEnabled) turns them all off; a reload of the airspaces
// ("airspaceDidChange") checks again at once.
//
// Without a fix good for navigation there are no warnings. The altitude is the fix's GNSS altitude,
// else its pressure altitude; without either the rules take every height as inside and the
// warning says so.
//
// Ownership: made and owned by the app delegate at load done; it points at the banners and the
// location manager, which outlive it, and holds the index its warnings point into.
// Threads: main thread only.

#include "airspace/AirspaceStore.h"
#include "airspace/AirspaceWarnings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>

#include <memory>

namespace vantrel::positioning {
class LocationManager;
}
namespace vantrel::platform {
class UserDefaults;
}

namespace vantrel::app {

class FlightBanners;

class AirspaceWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kMinCheckMs = 250;

    AirspaceWatch(FlightBanners& banners, positioning::LocationManager& manager, platform::UserDefaults* defaults = nullptr);
    ~AirspaceWatch() override;

    // The app's one, while it exists (for the state dump); null before load done.
    static AirspaceWatch* current();

    // Checks now with the location manager's current fix.
    void check();
    // Quiet for this airspace (AirspaceWarning::key) until the aircraft leaves it and comes back.
    bool acknowledge(const QString& key);

    // The warnings of the last check, acknowledged ones too; empty while switched off.
    const std::vector<airspace::AirspaceWarning>& warnings() const { return warnings_; }
    // What the last check was given.
    const airspace::AircraftState& aircraft() const { return aircraft_; }

private:
    void showBanners();

    FlightBanners& banners_;
    positioning::LocationManager& manager_;
    airspace::AirspaceStore settings_;  // the switch only: no folder
    airspace::AirspaceWarner warner_;
    std::shared_ptr<const airspace::AirspaceIndex> index_;  // the warnings point into it
    std::vector<airspace::AirspaceWarning> warnings_;
    airspace::AircraftState aircraft_;
    QSet<QString> logged_;  // key and kind of the warnings of the last check
    QElapsedTimer sinceCheck_;
};

}  // namespace vantrel::app
