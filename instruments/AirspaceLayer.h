#pragma once
// The airspaces on the moving map, over the base map and under the waypoints and the route: each
// airspace in view outlined and lightly tinted by its class, as charts draw them (controlled
// zones and terminal areas blue, restricted red, prohibited red and hatched, danger red dashed,
// the lesser classes in lighter lines), and its name and limits ("GENEVA CTR" over
// "D GND-4500 ft") offered to the map's declutter pass below the waypoints, only where the
// airspace is large enough on the screen: inside it near its northern edge and clear of the
// airspaces within it, or for an airspace too narrow for that but plain to see, beside it (under,
// over, right, left), never over a neighbouring airspace.
//
// Points are placed with the map's own projection (MapProjection, interpolated over a grid as the
// base map's tiles are), so the airspaces agree with the base map and the waypoints across the
// 180th meridian.
//
// Also here, window-free: the compact limits of the labels and the text of "what am I under", the
// list of the airspaces over a point at every height.
//
// The tints and edges are drawn into a kept picture in device pixels, with a margin around the
// view, and later frames copy it, moved to where the projection now puts its reference point (the
// aircraft's position when it was drawn), on whole device pixels. It is drawn again when the key
// changes (the index, the scale, the device pixels per point, the view's size), when the move
// nears the margin, or when the aircraft has gone so far that the projection's shape changed: a
// corner of the picture lands more than kStaleShape points from where the move puts it. The
// labels are placed from the kept outlines, moved the same way, at each frame where the move or
// the areas to keep clear changed (else the last places are offered again). A painter that turns
// or shears draws directly, without the picture.
//
// The next picture is drawn on a worker before it is needed: once the move has used half the
// margin, or the shape has drifted half of kStaleShape, a picture for where the aircraft is then
// is started, and the next frame after it is done takes it up if it fits. While the pilot zooms
// (a pinch, the wheel) the frames stretch the kept picture about the aircraft, without airspace
// labels, and start the picture of the new scale; the map is asked to draw again when one is
// ready. A frame that finds nothing it can use asks the worker too: a picture spent by no more
// than twice its margin and a point of its shape stands in meanwhile, and after a jump across the
// map, or with other airspaces, the frame has none until the worker is done (a few milliseconds).
// Only a layer without a map to ask again (no redraw function) draws its pictures itself.
//
// Ownership: the map (GPSView) owns its layer; the layer keeps the index it last drew alive (with
// each airspace's style and label texts, worked out once, and the picture and outlines drawn from
// it) until it draws another; a picture being drawn on the worker keeps its own index alive, and
// the layer waits for it when it goes. Threads: main thread (the worker draws only into its own
// picture, from the index and a copy of the projection; the text functions: any thread).

#include "MapProjection.h"

#include "airspace/AirspaceIndex.h"
#include "basemap/LabelPlacer.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QImage>
#include <QPolygonF>
#include <array>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace vantrel::instruments {

namespace airspaceLabelPriority {
// Below every waypoint, above the towns and lakes: the more binding classes first.
inline constexpr int kProhibitedOrRestricted = 350;
inline constexpr int kControlled = 360;
inline constexpr int kOther = 370;
}  // namespace airspaceLabelPriority

// How an airspace is drawn.
struct AirspaceStyle {
    // In drawing order: the lesser classes first, the binding ones on top.
    enum class Kind { Other, Uncontrolled, ClassE, Gliding, Mandatory, Controlled, ControlZone, Danger, Restricted, Prohibited };
    Kind kind = Kind::Other;
    QColor edge;
    QColor tint;       // transparent: no tint
    double width = 1;  // points
    Qt::PenStyle line = Qt::SolidLine;
    bool hatched = false;
    int labelPriority = airspaceLabelPriority::kOther;
};
// By the class line (AC) first, then its type (AY) for the control zones.
AirspaceStyle airspaceStyle(const airspace::Airspace& airspace);

// A limit as the map's labels show it: "FL95", "4500 ft" (above sea level), "1000 ft AGL", "GND",
// "UNL".
QString compactLimitText(const airspace::Limit& limit);
// The label's second line: "D GND-4500 ft", the class as written, then the limits.
QString airspaceLimitsLabel(const airspace::Airspace& airspace);

// "What am I under": the airspaces whose outline holds the point, at every height, from the
// lowest lower limit up, each as its name on one line and its class and limits on the next (as the
// labels write them), marked "above you", "below you" or "you are in it" when the altitude (feet
// above sea level) is known; at most maxListed of them, then "and N more". "No airspace here"
// when there is none.
struct AirspacesHere {
    QString title;    // "Airspace here", or "No airspace here"
    QString message;  // the list; empty when there is none
    QString text() const { return message.isEmpty() ? title : title + QLatin1Char('\n') + message; }
};
AirspacesHere airspacesHere(const airspace::AirspaceIndex& index, double latitude, double longitude,
                            std::optional<double> altitudeFeet, int maxListed = 7);

class AirspaceLayer {
public:
    // redraw: called on the main thread when a picture drawn on the worker is ready.
    explicit AirspaceLayer(std::function<void()> redraw = {});
    ~AirspaceLayer();
    AirspaceLayer(const AirspaceLayer&) = delete;
    AirspaceLayer& operator=(const AirspaceLayer&) = delete;

    // Draws the outlines and tints of the airspaces of the index in the view and offers their labels
    // to the placer, each at a place clear of the areas of keepClear (the map's own texts, the
    // aircraft) and of the other airspaces' labels.
    void draw(QPainter& painter, const MapProjection& map, QSizeF bounds,
              const std::shared_ptr<const airspace::AirspaceIndex>& airspaces, basemap::LabelPlacer& labels,
              const std::vector<QRectF>& keepClear = {});
    // Draws the labels the placer kept.
    void drawLabels(QPainter& painter, const basemap::LabelPlacer& labels);
    // Nothing drawn (no airspaces, or no position).
    void clear() { drawn_.clear(); }
    // The airspaces may have changed under the same index pointer: the next frame draws them anew.
    void invalidate();
    // The pilot is zooming (a pinch or the wheel): frames at a new scale may stretch the kept
    // picture while the worker draws the new one. Otherwise a frame at a new scale is drawn exactly.
    void setZooming(bool zooming) { zooming_ = zooming; }
    // How many times the tints and edges were drawn anew (the kept picture's renders, on the main
    // thread or the worker, and the frames drawn directly), for tests and benchmarks.
    size_t rendersCount() const { return renders_; }
    // Of those, how many a frame drew itself (not on the worker).
    size_t rendersInFrameCount() const { return rendersInFrame_; }
    // Waits until no picture is being drawn on the worker (tests and benchmarks).
    void waitForPicture() const;

    struct DrawnAirspace {
        QString name;
        size_t index = 0;   // in the index drawn
        bool labelled = false;
        int label = -1;     // the placer's handle; -1: not offered (too small on the screen)
        QPointF at;         // the label's top middle, view points
        QRectF box;         // the label's box offered to the placer
        QString limits;     // the label's second line
        QColor colour;
    };
    // The airspaces of the last frame, in drawing order.
    const std::vector<DrawnAirspace>& drawnAirspaces() const { return drawn_; }

    // The smallest visible part an airspace needs before its label is offered, beyond the label itself.
    static constexpr double kLabelMargin = 6.0;
    // Outline points are kept at least about this far apart on the screen (points, across and down).
    static constexpr double kMinimumStep = 1.5;
    // A shape narrower or lower than this (points) is outlined by a hairline and not tinted.
    static constexpr double kSmallestTinted = 12.0;
    // An airspace too narrow for its label inside is named beside it once this wide and high on the screen.
    static constexpr double kLabelBesideSize = 36.0;
    // The kept picture reaches this far (points) beyond each side of the view.
    static constexpr double kPictureMargin = 48.0;
    // The picture is drawn again once a corner of it would land this far (points) from its true place.
    static constexpr double kStaleShape = 0.5;
    // The next picture is started on the worker once this share of the margin or of kStaleShape is used.
    static constexpr double kPrepareShare = 0.5;

private:
    // An airspace in reach: its outline in view points (of the frame it was projected for).
    struct Visible {
        size_t index;
        QPolygonF outline;
        QRectF box;
    };
    // The airspaces whose outlines reach into the area (view points), the large ones first.
    static std::vector<Visible> project(const airspace::AirspaceIndex& index, const MapProjection& map, const QRectF& area);
    // Fills and strokes the outlines; pixels: device pixels per point. Any thread.
    static void paint(QPainter& painter, const airspace::AirspaceIndex& index, const std::vector<Visible>& visible, qreal pixels);
    // Offers the labels of the airspaces in view, their outlines moved by shift (points).
    void placeLabels(const airspace::AirspaceIndex& index, const std::vector<Visible>& visible, QPointF shift,
                     QSizeF bounds, basemap::LabelPlacer& labels, const std::vector<QRectF>& keepClear,
                     std::vector<std::pair<size_t, int>>* offered = nullptr);

    // The picture of the tints and edges and what it was drawn from.
    struct Kept {
        std::shared_ptr<const airspace::AirspaceIndex> index;
        float scale = 0;
        qreal pixels = 0;  // device pixels per point
        QSizeF bounds;
        double latitude = 0, longitude = 0;  // the reference point: the aircraft when drawn
        QPointF centre;                      // where it was in the view then
        int marginPixels = 0;                // the picture's pixel (0, 0) is view point -marginPixels / pixels
        QImage image;
        std::array<std::pair<double, double>, 4> corners{};  // latitude, longitude of the picture's corners
        std::array<QPointF, 4> cornersAt{};                    // and where they were in the view
        std::vector<Visible> visible;
        bool reusable = true;  // false: for the frame it was drawn in only
        // The labels' places of the last frame drawn from it, offered again as they are while
        // neither the move nor the areas to keep clear change (frames for traffic or tiles).
        struct Labels {
            QPointF shift;
            std::vector<QRectF> keepClear;
            std::vector<DrawnAirspace> drawn;
            std::vector<std::pair<size_t, int>> offered;  // drawn index and priority, in the order offered
        };
        std::optional<Labels> labels;
    };
    // The picture for this projection, with its margin; nothing when there is no memory for it.
    // Any thread.
    static std::optional<Kept> drawPicture(std::shared_ptr<const airspace::AirspaceIndex> index, const MapProjection& map,
                                           QSizeF bounds, qreal pixels);
    // Where the kept picture k lands in this frame (by shift, in points), and how far it moved and
    // its shape drifted, as shares of what it allows; nothing when it cannot serve at all (another
    // index, scale, pixels or size).
    struct Fit {
        QPointF shift;
        double moved = 0, drifted = 0;
    };
    static std::optional<Fit> fitOf(const Kept& k, const std::shared_ptr<const airspace::AirspaceIndex>& index,
                                    const MapProjection& map, QSizeF bounds, qreal pixels);
    // Starts the picture for this projection on the worker, unless one is being drawn.
    void prepare(const std::shared_ptr<const airspace::AirspaceIndex>& index, const MapProjection& map, QSizeF bounds,
                 qreal pixels);
    // The worker's picture once it is done (else nothing); a picture of an older generation is dropped.
    std::optional<Kept> takePrepared();

    std::optional<Kept> kept_;
    size_t renders_ = 0;
    size_t rendersInFrame_ = 0;
    std::function<void()> redraw_;
    struct Prepared {
        std::future<std::optional<Kept>> picture;
        unsigned generation = 0;
    };
    std::optional<Prepared> prepared_;
    unsigned generation_ = 0;  // counts the invalidations: a picture started before one is dropped
    bool zooming_ = false;

    // A place for a label inside the outline, clear of the areas to avoid and of the smaller
    // airspaces inside it (inner), whose name it would seem to be.
    static std::optional<QRectF> labelPlace(const QPolygonF& outline, const QRectF& visible, QSizeF label,
                                            const QRectF& view, const std::vector<QRectF>& avoid,
                                            const std::vector<const QPolygonF*>& inner);

    // What each airspace of the index looks like, worked out at its first showing: its style, name,
    // limits and label size (measuring the texts was most of the labels' cost).
    struct Look {
        AirspaceStyle style;
        QString name, limits;
        QSizeF label;
        bool ready = false;
    };
    const Look& look(const airspace::AirspaceIndex& index, size_t i);
    std::shared_ptr<const airspace::AirspaceIndex> lookIndex_;  // the index looks_ is of
    std::vector<Look> looks_;

    std::vector<DrawnAirspace> drawn_;
    QFont nameFont_;
    QFont limitsFont_;
};

}  // namespace vantrel::instruments
