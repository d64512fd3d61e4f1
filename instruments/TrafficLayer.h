#pragma once
// The traffic on the moving map, drawn over the waypoints and the route and under the plane: each
// target with a bearing at its place relative to the aircraft (its north and east metres from the
// map's aircraft position, at the map's scale; a target heard without a bearing is not placed), as
// an arrow along its track (a dot when the track is unknown), coloured by its alarm level (dark
// with a light edge when quiet, yellow, orange, red), with its height relative to the aircraft in
// feet to the nearest 100 ("+300 ft", "-1200 ft"), a climb or sink arrow beside it from 1 m/s, and
// its callsign or registration when known. Targets more than 3000 ft above or below are faded.
//
// The symbols and the heights take part in the map's declutter pass ahead of every waypoint, the
// loudest first, so that no label covers them; the callsign of a quiet target comes after the
// navaids' labels and before the other waypoints', an alerting one's with its height.
//
// Redraws: the layer listens to its feed's "trafficDidUpdate" and asks the map for a redraw only
// while the map is visible, and at most once per kRedrawIntervalMs (a frame of the map with many
// targets takes milliseconds; the feed may post ten times a second); any frame drawn meanwhile,
// for a fix or a zoom, shows the latest traffic and puts the next traffic redraw off.
//
// Ownership: the map (GPSView) owns its layer. The layer does not own its feed (the shared feed
// lives for the process; a feed that goes simply stops being drawn). Threads: main thread only.

#include "MapProjection.h"

#include "basemap/LabelPlacer.h"
#include "traffic/TrafficFeed.h"

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QHash>
#include <QPainter>
#include <QPointer>
#include <QStaticText>
#include <QTimer>

#include <functional>
#include <vector>

namespace vantrel::instruments {

namespace trafficColours {
inline const QColor kQuiet(34, 34, 44);         // near black: reads on the land, the sea and the grey
inline const QColor kQuietEdge(255, 255, 255);
inline const QColor kLow(255, 214, 0);          // yellow
inline const QColor kImportant(255, 128, 0);    // orange
inline const QColor kUrgent(232, 0, 0);         // red
}  // namespace trafficColours

class TrafficLayer {
public:
    static constexpr double kFadedBeyond = 3000.0 * 0.3048;  // metres above or below
    static constexpr double kNotableClimb = 1.0;              // metres per second
    static constexpr qreal kFadedOpacity = 0.5;
    static constexpr int kRedrawIntervalMs = 250;

    // redraw asks the map for a frame; visible tells whether the map is on screen.
    TrafficLayer(std::function<void()> redraw, std::function<bool()> visible);
    ~TrafficLayer();

    // The feed drawn from; null draws no traffic.
    void setFeed(traffic::TrafficFeed* feed);
    traffic::TrafficFeed* feed() const { return feed_; }

    // Places the feed's targets on the map and adds their symbols, heights and callsigns to the
    // placer, before it places the frame's labels.
    void place(const MapProjection& map, QSizeF bounds, basemap::LabelPlacer& labels);
    // Draws the targets placed, with the labels the placer kept.
    void draw(QPainter& painter, const basemap::LabelPlacer& labels);

    struct DrawnTarget {
        traffic::TargetId id;
        double x = 0;  // view points
        double y = 0;
        traffic::AlarmLevel alarm = traffic::AlarmLevel::None;
        bool faded = false;
        bool heightShown = false;    // whether the declutter kept its height
        bool callsignShown = false;  // ... and its callsign
    };
    // The targets of the last frame, in drawing order (the loudest last, on top).
    const std::vector<DrawnTarget>& drawnTargets() const { return drawn_; }

    static QColor colour(traffic::AlarmLevel level);
    // "+300 ft", "-1200 ft", "0 ft"; nothing for an unknown height.
    static QString heightText(double verticalMetres);

private:
    void feedUpdated();

    struct Placed {
        traffic::TargetId id;
        double distance = traffic::kNoValue;
        QPointF at;
        double track = traffic::kNoValue;
        double climb = traffic::kNoValue;
        QString callsign;
        traffic::AlarmLevel alarm = traffic::AlarmLevel::None;
        bool faded = false;
        int height = -1;  // the height text's index in heightTexts_, -1 without one
        int symbolLabel = -1;
        int heightLabel = -1;
        int callsignLabel = -1;
    };
    // A text laid out once: laying out a text is the dearest part of drawing it.
    struct Text {
        QStaticText text;
        double width;
    };
    static Text laidOut(const QString& text, const QFont& font);
    static void drawSymbol(QPainter& painter, QPointF at, traffic::AlarmLevel alarm, double track);
    // The symbol drawn once in device pixels at that scale, its middle at the picture's.
    const QImage& symbolStamp(traffic::AlarmLevel alarm, double track, double scale);
    // A text on its plate filling the box, with the climb or sink arrow when notable.
    static void drawText(QPainter& painter, const QRectF& box, const Text& text, const QFont& font,
                         traffic::AlarmLevel alarm, double climb);
    // That drawn once in device pixels at that scale, by text, font, colour and arrow.
    const QImage& textStamp(const QRectF& box, const Text& text, const QFont& font, traffic::AlarmLevel alarm,
                            double climb, double scale);
    int heightTextIndex(double verticalMetres);
    const Text& callsignText(const QString& callsign);

    std::function<void()> redraw_;
    std::function<bool()> visible_;
    QPointer<traffic::TrafficFeed> feed_;
    QTimer redrawTimer_;
    QElapsedTimer sinceRedraw_;  // since the last frame or redraw asked for
    std::vector<Placed> placed_;
    std::vector<DrawnTarget> drawn_;
    QFont heightFont_;
    QFont callsignFont_;
    double textHeight_ = 0;
    // Texts and widths measured once: the heights by hundreds of feet, the callsigns by text.
    QHash<int, int> heightIndex_;
    std::vector<Text> heightTexts_;
    QHash<QString, Text> callsignTexts_;
    static constexpr double kStampStep = 5.0;  // degrees of track between the ready symbols
    QHash<int, QImage> stamps_;                // by alarm level and track step, at stampScale_
    double stampScale_ = 0;
    QHash<QPair<QString, int>, QImage> textStamps_;
    double textStampScale_ = 0;
};

}  // namespace vantrel::instruments
