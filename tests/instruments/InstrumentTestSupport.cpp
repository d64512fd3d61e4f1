#include "InstrumentTestSupport.h"

#include <QCoreApplication>

#include "instruments/CircularInstrumentView.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "waypoints/WaypointKeys.h"

#include <QDir>
#include <QPainter>
#include <cmath>

namespace vantrel::test {

InstrumentWorld::InstrumentWorld() { selectUnits(0); }

InstrumentWorld::~InstrumentWorld() {
    platform::UserDefaults::standardUserDefaults().removeObjectForKey("units");
    platform::UserDefaults::standardUserDefaults().removeObjectForKey(units::UnitSettings::kNorthKey);
    units::UnitSettings::shared().setSelectedUnit(0);
}

void InstrumentWorld::fix(double latitude, double longitude, double accuracy) {
    positioning::Fix f;
    f.latitude = latitude;
    f.longitude = longitude;
    f.horizontalAccuracy = accuracy;
    f.timestamp = 1.7e9;
    location_.locationManagerDidUpdateToLocation(f);
}

void InstrumentWorld::motion(float speed, float course) {
    location_.setSpeedAndCourse(speed, course);
    platform::NotificationCenter::defaultCenter().postNotificationName("locationDidUpdate", &location_);
}

void InstrumentWorld::selectNorth(bool magnetic) {
    platform::UserDefaults::standardUserDefaults().setObject(units::UnitSettings::kNorthKey,
                                                             platform::Value(units::UnitSettings::northValue(magnetic)));
    selectUnits(units_.selectedUnit());
}

void InstrumentWorld::selectUnits(int unit) {
    platform::UserDefaults::standardUserDefaults().setObject("units", platform::Value::integer(unit));
    units_ = units::UnitSettings();
    // The location manager's distance texts follow the process's unit settings.
    units::UnitSettings::shared().setSelectedUnit(unit);
    location_.updateUnits();
    platform::NotificationCenter::defaultCenter().postNotificationName("UnitsChanged", this);
}

QImage render(platform::ui::View& view, double scale) {
    QImage image(QSize(qRound(view.width() * scale), qRound(view.height() * scale)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    view.render(painter);
    return image;
}

QImage renderMapWithTiles(instruments::GPSView& map, double scale, const QString& name) {
    render(map, scale);
    map.baseMap().waitForTiles();
    map.airspaceLayer().waitForPicture();
    QCoreApplication::processEvents();
    QImage image = render(map, scale);
    savePicture(image, name);
    return image;
}

QColor pixelAt(const QImage& image, QPointF points) {
    const double scale = image.devicePixelRatio();
    const QPoint p(int(std::floor(points.x() * scale)), int(std::floor(points.y() * scale)));
    if (!image.rect().contains(p)) return QColor();
    return image.pixelColor(p);
}

void savePicture(const QImage& image, const QString& name) {
    const QString dir = QStringLiteral(VANTREL_TEST_PICTURES_DIR);
    QDir().mkpath(dir);
    image.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

bool isWhite(const QColor& c) { return c.red() > 225 && c.green() > 225 && c.blue() > 225; }
bool isOrangeish(const QColor& c) { return c.red() > 200 && c.green() > 110 && c.green() < 190 && c.blue() < 80; }
bool isDark(const QColor& c) { return c.red() < 40 && c.green() < 40 && c.blue() < 40; }
bool isRed(const QColor& c) { return c.red() > 180 && c.green() < 80 && c.blue() < 80; }

bool anyNear(const QImage& image, QPointF centre, double radius, const std::function<bool(const QColor&)>& test) {
    const double step = 1.0 / image.devicePixelRatio();
    for (double dy = -radius; dy <= radius; dy += step)
        for (double dx = -radius; dx <= radius; dx += step)
            if (dx * dx + dy * dy <= radius * radius && test(pixelAt(image, centre + QPointF(dx, dy)))) return true;
    return false;
}

platform::Value waypointAt(const char* id, double latitude, double longitude, int type, const char* name) {
    namespace keys = waypoints::keys;
    auto record = platform::Dictionary::create();
    record->set(keys::waypointId, platform::Value(id));
    record->set(keys::waypointName, platform::Value(name));
    record->set(keys::waypointLatitude, platform::Value::real(latitude));
    record->set(keys::waypointLongitude, platform::Value::real(longitude));
    record->set(keys::waypointType, platform::Value::integer(type));
    return platform::Value(record);
}

int settle(instruments::CircularInstrumentView& view) {
    int steps = 0;
    while (view.isAnimationStepPending() && steps < 1000) {
        view.runPendingAnimationStep();
        ++steps;
    }
    return steps;
}

}  // namespace vantrel::test
