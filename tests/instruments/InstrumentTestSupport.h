#pragma once
// Shared pieces of the instrument tests: a location manager and unit settings of the test's own
// (so that no test sees another's fixes), fixes and motion put in directly, and offscreen pictures
// of a view at 1x or 2x checked pixel by pixel.

#include "instruments/GPSView.h"
#include "platform/core/Value.h"
#include "platform/ui/View.h"
#include "positioning/LocationManager.h"
#include "units/UnitSettings.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <functional>
#include <memory>

namespace vantrel::instruments {
class CircularInstrumentView;
}

namespace vantrel::test {

class InstrumentWorld {
public:
    InstrumentWorld();
    ~InstrumentWorld();

    positioning::LocationManager& location() { return location_; }
    units::UnitSettings& units() { return units_; }

    // A round instrument of this world, 320 points square, its units read; with its setup pane
    // loaded when asked.
    template <class View>
    std::unique_ptr<View> make(bool withSetupPane = false) {
        auto view = std::make_unique<View>(location_, units_);
        view->initWithFrame(QRectF(0, 0, 320, 320));
        if (withSetupPane) view->setupView();
        view->updateUnits(nullptr);
        return view;
    }

    // A fix at that place (accuracy in metres, 5 by default), then the motion the instruments read.
    void fix(double latitude, double longitude, double accuracy = 5.0);
    void motion(float speedMetresPerSecond, float course);
    // The unit system (0 nautical, 1 statute, 2 metric) and the "UnitsChanged" every instrument reads.
    void selectUnits(int unit);
    // Bearings from magnetic or true north ("north" in the defaults), read as selectUnits does.
    void selectNorth(bool magnetic);

private:
    positioning::LocationManager location_;
    units::UnitSettings units_;
};

// The view drawn into an image of its size at that scale; pixels are then addressed in points
// through pixelAt.
QImage render(platform::ui::View& view, double scale);
QColor pixelAt(const QImage& image, QPointF points);
// Saves the picture under tests/instruments/pictures in the build tree, to be looked at.
void savePicture(const QImage& image, const QString& name);
// The map drawn once to ask for its base map's tiles and its airspace picture, then again with
// them; saved as `name`.
QImage renderMapWithTiles(instruments::GPSView& map, double scale, const QString& name);

bool isWhite(const QColor& c);
bool isOrangeish(const QColor& c);   // the instruments' orange, anti-aliasing allowed
bool isDark(const QColor& c);        // black or the faces' near-black grey
bool isRed(const QColor& c);
// Whether any pixel within radius points of the point passes the test.
bool anyNear(const QImage& image, QPointF points, double radius, const std::function<bool(const QColor&)>& test);

// Runs the instrument's pending animation steps until the indicator rests; the steps it took.
int settle(instruments::CircularInstrumentView& view);

// A waypoint record at that place.
platform::Value waypointAt(const char* id, double latitude, double longitude, int type = 12, const char* name = "Test");

}  // namespace vantrel::test
