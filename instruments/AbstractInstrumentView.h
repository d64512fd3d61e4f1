#pragma once
// The base of every navigation instrument (the two VORs, the ADF, the compass and the moving map):
// a view that holds the waypoint the instrument points to, the aircraft's last track and whether
// it may navigate, keeps the current unit factors and unit texts, follows the location manager's
// "locationDidUpdate" and every "UnitsChanged", offers the pilot the waypoint selector pane, draws
// images centred and turned in its bounds, gives its bearings from true or magnetic north as the
// pilot chose (the variation at the aircraft from positioning::MagneticVariation), loads its setup pane from its interface file, and turns
// its state into a settings dictionary (property-list values only) that its screen saves.
// It draws nothing itself; the subclasses draw.
//
// Instruments are made in two steps, as the shared ones are: construct, then initWithFrame, which
// registers for the notifications and starts the location manager (whose first
// "locationDidUpdate" then reaches the finished instrument, subclass included).
//
// Ownership: the shared instruments live for the process; a screen lends them a Qt parent. The
// setup pane is owned by the instrument until a screen takes it in. The selected waypoint is a
// record shared with the database. Threads: main thread only.

#include "platform/core/NotificationCenter.h"
#include "platform/core/Value.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"
#include "waypoints/WaypointOwner.h"

#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <optional>

namespace vantrel::positioning {
class LocationManager;
}
namespace vantrel::units {
class UnitSettings;
}

namespace vantrel::instruments {

class LayeredPicture;

class AbstractInstrumentView : public platform::ui::View,
                               public waypoints::WaypointOwner,
                               public platform::ui::NibOwner {
    Q_OBJECT
public:
    ~AbstractInstrumentView() override;

    // Black, opaque, registered for the notifications, and the location manager started.
    virtual void initWithFrame(const QRectF& frame);

    // "UnitsChanged": the factors and unit texts of the pilot's unit system, then a redraw.
    void updateUnits(const platform::Notification* notification);
    // Presents the selector pane with this instrument as its owner.
    virtual void selectPOI();
    // The chosen record (or nothing): reference = the waypoint, origin = the aircraft now.
    void setWaypoint(const platform::Value& waypoint) override;
    // "locationDidUpdate": track and validity from the location manager, and a redraw.
    virtual void updateDisplay(const platform::Notification* notification);
    // The setup pane, loaded once from instrumentSetupNib() with this instrument as its owner.
    QWidget* setupView();
    virtual QString instrumentSetupNib() const;
    // Draws the image centred in the bounds, turned counter-clockwise on screen by angle degrees.
    void drawCenterImage(QPainter& painter, const QPixmap& image, float angle) const;
    void drawCenterImage(QPainter& painter, const QString& imageName, float angle) const;

    // The saved state: waypoint (when one is chosen), its position and the direct-from point.
    virtual platform::DictionaryPtr settings() const;
    // Restores what settings() gave; anything missing reads as nothing or 0, anything damaged is
    // left out with one log line naming the instrument.
    virtual void setSettings(const platform::DictionaryPtr& settings);

    const platform::Value& selectedWaypoint() const { return selectedWaypoint_; }
    void setSelectedWaypoint(const platform::Value& waypoint) { selectedWaypoint_ = waypoint; }

    int16_t angleToReference() const { return angleToReference_; }
    float trackAngle() const { return trackAngle_; }
    bool navIsValid() const { return navIsValid_; }
    double referenceLat() const { return referenceLat_; }
    double referenceLon() const { return referenceLon_; }
    double originLat() const { return originLat_; }
    double originLon() const { return originLon_; }
    double distanceFactor() const { return distanceFactor_; }
    double speedFactor() const { return speedFactor_; }
    double heightFactor() const { return heightFactor_; }
    const QString& distanceUnit() const { return distanceUnit_; }
    const QString& speedUnit() const { return speedUnit_; }
    const QString& heightUnit() const { return heightUnit_; }
    // The pilot's choice of north ("north" in the defaults, through UnitsChanged).
    bool magneticNorth() const { return magneticNorth_; }
    // The variation (degrees east) the instrument's bearings are turned by: nothing with true
    // north, or while it is not known (no fix yet). The VORs give their station's.
    virtual std::optional<double> magneticVariation() const { return magneticVariation_; }
    // Whether the bearings shown now are magnetic: the choice, and a variation to apply.
    bool showsMagnetic() const { return magneticVariation().has_value(); }

    // The setup pane's widget under an outlet name, or nullptr before the pane is loaded.
    QWidget* outlet(const QString& name) const { return outlets_.value(name); }
    // The text of a label outlet (empty when there is none).
    QString labelText(const QString& outlet) const;

signals:
    // The waypoint was set (the selector's choice, a cancelled direct-to, or a caller's). Whoever
    // sets a waypoint itself and wants to tell the pilot's choices apart watches this around
    // its own call (the app's plan flight does).
    void waypointChanged();

public:
    // The label outlets that this instrument writes, for the scripted driver's state dump.
    virtual QStringList labelOutlets() const;

    // NibOwner: the pane's named widgets and its buttons' actions.
    void setOutlet(const QString& name, QWidget* widget) override;
    std::function<void()> actionNamed(const QString& action) override;

    positioning::LocationManager& locationManager() const { return location_; }

    // The bytes of the pictures this instrument keeps for drawing (let go when it is hidden).
    virtual qsizetype keptPictureBytes() const;

protected:
    AbstractInstrumentView(positioning::LocationManager& locationManager, units::UnitSettings& units);

    // Off screen, the pictures kept for drawing are let go: only the instrument shown holds them.
    void hideEvent(QHideEvent* event) override;

    // Sets the text of a label outlet; nothing before the pane is loaded.
    void setLabelText(const QString& outlet, const QString& text);
    // Called by setSettings when a value of the dictionary was damaged and left out.
    void noteDamagedSetting(const QString& what);
    // The settings' waypoint, pointed at the database's own record when it holds the same one.
    static platform::Value resolveSavedWaypoint(const platform::Value& saved, QString* problem);
    // A number of the settings, or fallback when absent; a value that is no finite number counts
    // as damaged.
    double settingsNumber(const platform::DictionaryPtr& settings, std::string_view key, double fallback);
    // How far from the centre of the bounds the drawn part of a centred image reaches, at any turn
    // (points; 0 for an image that draws nothing).
    qreal imageReach(const QPainter& painter, const QString& imageName) const;

    // While set, the centred images go to it first: the round instruments keep what does not turn
    // of the layers under their indicators (see LayeredPicture).
    LayeredPicture* layeredPicture_ = nullptr;

    int16_t angleToReference_ = 0;
    float trackAngle_ = 0.0f;
    bool navIsValid_ = false;
    double referenceLon_ = 0.0;
    double referenceLat_ = 0.0;
    double originLon_ = 0.0;
    double originLat_ = 0.0;
    platform::Value selectedWaypoint_;
    double distanceFactor_ = 0.0;
    double speedFactor_ = 0.0;
    double heightFactor_ = 0.0;
    QString distanceUnit_;
    QString speedUnit_;
    QString heightUnit_;
    bool magneticNorth_ = false;
    std::optional<double> magneticVariation_;  // at the aircraft, when magneticNorth_

private:
    // An image as drawn: the pixels of source in pixmap go to place in an image of that size.
    struct Artwork {
        QPixmap pixmap;
        QRectF source;
        QRectF place;
        QSizeF size;
    };
    static const Artwork& artworkNamed(const QString& name, qreal scale);
    void drawArtwork(QPainter& painter, const Artwork& image, float angle) const;
    // Draws the image's visible part centred, turned clockwise by degrees.
    void drawImagePart(QPainter& painter, const Artwork& image, double degrees) const;

    struct TurnedImage {
        double degrees = 0;
        qreal scale = 0;
        QSizeF size;
        QPixmap picture;  // the turned image where it covers the bounds, once it held still
        QPointF origin;   // where the picture goes in the bounds
    };
    mutable QHash<qint64, TurnedImage> turnedImages_;

    positioning::LocationManager& location_;
    units::UnitSettings& units_;
    QPointer<QWidget> setupView_;
    QHash<QString, QPointer<QWidget>> outlets_;
    QStringList damagedSettings_;
};

}  // namespace vantrel::instruments
