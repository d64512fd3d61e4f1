#pragma once
// The pilot's unit system (nautical, statute or metric), the north that bearings are given from
// (true or magnetic) and the disclaimer switch, as stored in the user defaults ("units", "north",
// "disableDisclaimer"). The settings screen edits selectedUnit and writes it
// back; everyone else reads the factors and unit strings from the shared instance.
//
// Owns nothing but its working value. Threads: main thread only.

#include <QString>
#include <QStringList>

namespace vantrel::units {

class UnitSettings {
public:
    // The one instance, made on first use; selectedUnit starts from the stored "units" (0 if absent).
    static UnitSettings& shared();

    // An instance reading the defaults now (tests; the shared one is made the same way).
    UnitSettings();

    int selectedUnit() const { return selectedUnit_; }
    void setSelectedUnit(int unit) { selectedUnit_ = unit; }

    // 2 selects metric, 1 statute, any other value nautical.
    double distanceFactor() const;  // metres per distance unit
    double speedFactor() const;     // speed units per metre per second
    double heightFactor() const;    // height units per metre
    QString distanceUnit() const;
    QString speedUnit() const;
    QString heightUnit() const;

    // Bearings from magnetic north; stored "north" is "magnetic" or "true", and true north when
    // absent or anything else, so a stored setup from before the choice existed keeps its bearings.
    bool magneticNorth() const { return magneticNorth_; }
    void setMagneticNorth(bool magnetic) { magneticNorth_ = magnetic; }
    static constexpr const char* kNorthKey = "north";
    static QString northValue(bool magnetic) { return magnetic ? QStringLiteral("magnetic") : QStringLiteral("true"); }

    // The names of the three systems, in index order.
    static const QStringList& units();

    // True unless the stored "disableDisclaimer" is true.
    static bool showDisclaimer();

private:
    int selectedUnit_ = 0;
    bool magneticNorth_ = false;
};

}  // namespace vantrel::units
