#pragma once
// The moving map: a north-up chart centred on the aircraft at a zoom the pilot pinches (or turns
// with the mouse wheel) between 1 and 53 points per nautical mile, with the nearby waypoints
// (squares when zoomed out, symbols above 6 points per mile, airports turned to their main
// runway, the VORs' waypoints in yellow), the plane turned to the track, a distance scale, and a
// "direct to" a chosen waypoint: the great-circle route from where the pilot chose it, with the
// distance, bearing and time to go. The setup pane ("GPSSetupView") shows position, ground speed,
// track and accuracy; its button chooses a waypoint ("Direct") or cancels the direct-to ("Cancel").
// The arithmetic lives in MapProjection.h.
//
// The map owns the role of the nearby cache: the records within 180 distance units of the
// aircraft, refilled on a worker whenever the area the map needs is no longer inside the area the
// last query covered (compared in the map's frame, nautical miles about the aircraft). The cache
// object is the selector pane's, taken over when the map is made, so that the pane's nearby list
// reads exactly what the map draws; the map names itself as the sender of
// "cachedWaypointsDBDidChange". The map is made after the database load (the screens are built on
// UPDATE_LOAD_DONE), so that its worker only reads a finished database.
//
// Without a usable fix the map stays where it last was, says "No GPS signal: last known position"
// and keeps drawing from there; before the first usable fix it shows "No GPS position" and
// nothing that needs a position. Under either notice a line says what the position source is
// doing (LocationManager::sourceStateText: "waiting for gpsd at localhost:2947").
//
// Over the base map and under the waypoints and the route, the airspaces (AirspaceLayer): those of
// the index handed to setAirspaces, else of the one the app's airspace library holds now, asked at
// each frame. A tap on the setup pane outside its button lists the airspaces over the aircraft at
// every height ("what am I under") in an alert that its button or Escape closes.
//
// Ownership: the shared map lives for the process (SharedInstrument.h); it shares the cache with
// the pane and its workers. Threads: main thread only, except _findNearbyWaypoints (any thread,
// the worker's body), dbLock and cachedNearbyWaypoints (any thread, while holding dbLock).
// Destroying a map waits for its running refresh.

#include "AbstractInstrumentView.h"
#include "AirspaceLayer.h"
#include "BaseMapLayer.h"
#include "MapProjection.h"
#include "TrafficLayer.h"

#include "basemap/LabelPlacer.h"

#include "positioning/Fix.h"
#include "waypoints/NearbyWaypointCache.h"

#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <vector>

namespace vantrel::instruments {

class GPSView : public AbstractInstrumentView {
    Q_OBJECT
public:
    static GPSView& sharedView();
    static void normalizeLongitude(double longitude, double* wpLongitude) {
        instruments::normalizeLongitude(longitude, wpLongitude);
    }
    static QRectF getRectForPoint(QPointF point, float radius) { return instruments::getRectForPoint(point, radius); }

    // On the shared database, with the selector pane's cache.
    GPSView(positioning::LocationManager& locationManager, units::UnitSettings& units);
    // On a database and a cache of the caller's (tests, benchmarks).
    GPSView(positioning::LocationManager& locationManager, units::UnitSettings& units,
            std::shared_ptr<waypoints::NearbyWaypointCache> cache, platform::ArrayPtr waypointsDB);
    ~GPSView() override;

    // The base's, with the units loaded at once and several fingers taken.
    void initWithFrame(const QRectF& frame) override;
    QString instrumentSetupNib() const override { return QStringLiteral("GPSSetupView"); }

    // A toggle: cancels an active direct-to (and forgets its waypoint), else offers the selector.
    void selectPOI() override;
    // Direct to the record from where the aircraft is now; nothing clears the direct-to.
    void setWaypoint(const platform::Value& waypoint) override;
    // The map follows the fix, refreshes the cache when it must, and fills the pane's texts.
    void updateDisplay(const platform::Notification* notification) override;

    // Logs "Will cache nearby waypoints" and has the cache's worker run _findNearbyWaypoints.
    void findNearbyWaypoints();
    // One refresh of the cache on the calling thread: around the aircraft's current position (or,
    // without one, the position that asked for it), under dbLock; then notifyOnUpdates on the main
    // thread, without waiting.
    void _findNearbyWaypoints();
    // Redraws and posts "cachedWaypointsDBDidChange" with this map as the sender. Main thread.
    void notifyOnUpdates();

    platform::DictionaryPtr settings() const override;
    // A saved scale of 0 (none saved) stands for 4.5; a damaged one gives 4.5 with a log line.
    void setSettings(const platform::DictionaryPtr& settings) override;

    std::mutex& dbLock() { return cache_->dbLock(); }
    waypoints::WaypointSet& cachedNearbyWaypoints() { return cache_->cachedNearbyWaypoints(); }
    const std::shared_ptr<waypoints::NearbyWaypointCache>& nearbyCache() const { return cache_; }

    // ---- state, for tests and the scripted driver's dump
    float currentScale() const { return currentScale_; }
    // The active direct-to's text, or a null text.
    const QString& directToString() const { return directToString_; }
    // The "DIS ..." line as last drawn, or a null text.
    const QString& summaryLine() const { return summaryLine_; }
    // The number of records in the cache (waits for a running refresh).
    size_t cachedCount();
    // The area the cache holds for sure, in the map's frame (nautical miles, x east and y south of
    // the aircraft); empty before the first refresh or without a position.
    QRectF waypointsCacheRect() const;
    // The area the map needs, in the same frame.
    QRectF displayedRect() const;
    struct DrawnWaypoint {
        QString id;
        double x = 0;  // view points
        double y = 0;
        bool labelled = false;  // whether the declutter pass kept its label
    };
    // The waypoints of the last frame, in drawing order.
    const std::vector<DrawnWaypoint>& drawnWaypoints() const { return drawnWaypoints_; }
    // Where the map is centred: the last fix good for navigation, or nothing before the first.
    const std::optional<positioning::Fix>& mapPosition() const { return mapPosition_; }
    // Whether the map shows its last known position for want of a usable fix.
    bool showsLastKnownPosition() const { return mapPosition_ && !navIsValid_; }

    QStringList labelOutlets() const override;

    // A navigation plan being flown, drawn over the base map: great-circle legs through its
    // points, the active leg (ending at points[active]) highlighted, each point numbered and
    // labelled through the declutter pass. paneText is the active leg's line ("To LSGL (2/5) DIS
    // ..."), shown in the band at the bottom of the map in place of the direct-to texts.
    struct PlanRoute {
        struct Point {
            QString id;
            double latitude = 0;
            double longitude = 0;
            int number = 0;  // the plan's own, from 1
        };
        std::vector<Point> points;
        size_t active = 0;
        QString paneText;
    };
    // Nothing: no plan drawn. Redraws.
    void setPlanRoute(std::optional<PlanRoute> route);
    const std::optional<PlanRoute>& planRoute() const { return planRoute_; }

    // The airspaces drawn: null (the default) for the airspace library's current index, asked at
    // each frame; else this one (tests, tools). Redraws.
    void setAirspaces(std::shared_ptr<const airspace::AirspaceIndex> index);
    // The app calls it when the library's airspaces were loaded again: a redraw.
    void airspacesChanged();
    struct DrawnAirspace {
        QString name;
        bool labelled = false;  // whether the declutter pass kept its name and limits
    };
    // The airspaces of the last frame, in drawing order (the large ones first).
    std::vector<DrawnAirspace> drawnAirspaces() const;
    const AirspaceLayer& airspaceLayer() const { return airspaceLayer_; }

    // "What am I under": the airspaces over the aircraft's position at every height, marked against
    // its altitude when the fix has one; none without a position. The alert shows it.
    std::optional<AirspacesHere> airspacesHere() const;
    // Shows airspacesHere() in an alert over the window (nothing without a position). A tap on the
    // setup pane outside its button does this.
    void showAirspacesHere();
    // The text of the list the alert shows now ("Airspace here" and the list, or "No airspace
    // here"); null when it is not shown.
    const QString& airspacesHereText() const { return airspacesHereText_; }

    // NibOwner: also hears the taps on the pane itself.
    void setOutlet(const QString& name, QWidget* widget) override;

    // The base map drawn under the waypoints (its towns and tiles of the last frame).
    BaseMapLayer& baseMap() { return *baseMap_; }
    const BaseMapLayer& baseMap() const { return *baseMap_; }

    // The traffic drawn over the waypoints, from TrafficFeed::shared() unless another feed is set
    // (tests, benchmarks; null draws none).
    void setTrafficFeed(traffic::TrafficFeed* feed) { traffic_->setFeed(feed); }
    const TrafficLayer& trafficLayer() const { return *traffic_; }
    // The targets of the last frame: id (TargetId::text()), place in view points.
    const std::vector<TrafficLayer::DrawnTarget>& drawnTraffic() const { return traffic_->drawnTargets(); }

protected:
    void drawRect(QPainter& painter, const QRectF& rect) override;
    void drawScale(QPainter& painter);
    // The image centred on the point and turned clockwise by the angle.
    void drawImage(QPainter& painter, const QPixmap& image, QPointF point, uint16_t angle) const;
    void drawNearbyWaypoints(QPainter& painter);

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void wheelTurned(double notches, const QPointF& location) override;

private:
    // What the worker queries; written on the main thread, read by the worker.
    struct CacheRequest {
        platform::ArrayPtr waypointsDB;
        double longitude = 0;
        double latitude = 0;
        double distanceFactor = 0;
    };

    std::optional<MapProjection> projection() const;
    // The pane's button: "Cancel" while a direct-to is active, else "Direct".
    void showDirectToState();
    void drawRoute(QPainter& painter, const MapProjection& map);
    // The plan's legs and point marks; its labels go to the placer, to be drawn after place().
    struct RouteLabel {
        QPointF at;
        QRectF box;
        QString text;
        bool active = false;
        int handle = -1;
    };
    void drawPlanRoute(QPainter& painter, const MapProjection& map, const QFontMetricsF& metrics,
                       std::vector<RouteLabel>* labels);
    void drawPlanTexts(QPainter& painter);
    void drawDirectToTexts(QPainter& painter);
    void drawPositionNotice(QPainter& painter);
    void noteDamagedRecord(const platform::Value& record, const QString& problem);

    std::shared_ptr<waypoints::NearbyWaypointCache> cache_;
    platform::ArrayPtr ownDatabase_;  // empty: the shared database
    QPointer<GPSView> self_;          // copied by the worker to reach the map on the main thread

    std::mutex requestMutex_;  // guards request_
    CacheRequest request_;
    bool cacheStarted_ = false;

    float currentScale_ = kInitialMapScale;
    float originalScale_ = kInitialMapScale;
    double originalTouchDistance_ = 0.0;
    // The last change of scale by a pinch or the wheel: for a short while after it the airspaces
    // may be drawn stretched while their picture at the new scale is made.
    QElapsedTimer lastZoom_;
    static constexpr qint64 kZoomSettleMs = 300;
    QString directToString_;

    std::optional<positioning::Fix> mapPosition_;
    QString summaryLine_;
    std::vector<DrawnWaypoint> drawnWaypoints_;
    std::unordered_set<const void*> reportedRecords_;  // damaged records already logged
    std::unique_ptr<BaseMapLayer> baseMap_;
    std::unique_ptr<TrafficLayer> traffic_;
    std::shared_ptr<const airspace::AirspaceIndex> airspaces_;  // null: the library's
    AirspaceLayer airspaceLayer_;
    QString airspacesHereText_;
    QPointer<QWidget> airspacesHereAlert_;
    std::shared_ptr<const airspace::AirspaceIndex> currentAirspaces() const;
    basemap::LabelPlacer labels_;  // every label of the frame, decluttered at once
    // The widths of the waypoint labels in labelFont_, by identifier: the same few hundred are
    // measured every frame, and laying out the text is the dearest part of it.
    QFont labelFont_;
    QHash<QString, double> labelWidths_;
    double labelWidth(const QString& id);
    // Ready pictures of the zoomed-out squares in device pixels, by colour, device scale, antialiasing
    // and place within a device pixel.
    QHash<uint64_t, QImage> squareStamps_;
    QImage squareStamp(const QColor& colour, double scale, int phaseX, int phaseY, bool antialiased, int pad);
    std::optional<PlanRoute> planRoute_;
    std::array<QPixmap, 2> planMarks_;  // a plan point's mark, other and active, at planMarksDensity_
    qreal planMarksDensity_ = 0;
};

}  // namespace vantrel::instruments
