#pragma once
// The picture under a round instrument's indicators, kept so that a frame copies it rather than
// drawing each layer again. The layers are the instrument's own drawing (ring, face, overlays,
// card, heading bug), drawn in its order; a centred image that the instrument turns is split
// (TurnedArtwork): its unturned part goes into the kept picture like any other layer, and only its
// turning rest is drawn at each frame, then the pieces of the layers above it that the rest can
// reach (a course index, the grey circle), so that the drawing order stays the instrument's.
//
// Two pictures are kept: the base, with everything that does not turn, which changes only with
// the validity, the size and the scale; and, once the turns have held still for a second frame,
// the whole picture at those turns, which steady frames copy alone.
//
// While it draws the layers it first runs them once without drawing, to learn the turns of this
// frame: the layers must draw only through drawCenterImage and the instrument's ring circle, with
// no painter state carried from one image to the next.
//
// Threads: main thread only.

#include "TurnedArtwork.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <functional>
#include <memory>
#include <vector>

namespace vantrel::instruments {

class LayeredPicture {
public:
    struct Frame {
        QSizeF size;  // the bounds, from (0, 0)
        qreal scale = 1;
        QColor background;
        bool navIsValid = false;
        QPainter::RenderHints hints;
    };
    // Draws the layers as they are now, from what is kept where it can.
    void draw(QPainter& painter, const Frame& frame, const std::function<void(QPainter&)>& layers);
    // Lets the kept pictures go (the instrument is off screen).
    void clear();

    // While the layers are drawn: takes over a centred image (pixels at source in pixmap, placed
    // at place in an image of size), turned clockwise by degrees about centre. False: the caller
    // draws it as usual.
    bool takeImage(QPainter& painter, const QPixmap& pixmap, const QRectF& source, const QRectF& place, const QSizeF& size,
                   double degrees, QPointF centre);
    // Whether the layers' own drawing (other than images) is to be left out: while the turns are
    // learnt, nothing is drawn.
    bool skipsDrawing() const { return mode_ == Mode::Learn; }

    // What is kept now, for the memory it holds.
    qsizetype bytes() const;
    // What the splits of the turned images hold, for all instruments (they are shared).
    static qsizetype splitBytes();
    // A split made ahead, on another thread, of the whole of pixmap, for when it is first turned
    // (a null split changes nothing: the image is split, or found unsplittable, on its first turn).
    static void rememberSplit(const QPixmap& pixmap, std::shared_ptr<const TurnedArtwork> art);
    // Whether the last frame came from the whole kept picture, for tests.
    bool lastFrameWasKept() const { return lastFrameKept_; }

private:
    enum class Mode { Off, Learn, Record };
    struct Turned {
        qint64 image = 0;
        std::shared_ptr<const TurnedArtwork> art;  // null: drawn whole, into the base, at degrees
        double degrees = 0;
        QPointF centre;
        bool operator==(const Turned& o) const {
            return image == o.image && art == o.art && centre == o.centre && (art || degrees == o.degrees);
        }
    };
    // The pixels of the layers above a turned rest where that rest can reach, in runs of tiles.
    struct Patch {
        QImage pixels;
        std::vector<std::pair<QPoint, QRect>> runs;  // device pixel where a run goes, its pixels
    };
    struct Layer {
        std::shared_ptr<const TurnedArtwork> art;
        QPointF centre;
        Patch above;
    };

    void rebuildBase(const Frame& frame, const std::function<void(QPainter&)>& layers);
    void drawTurning(QPainter& painter, const std::vector<double>& turns) const;
    // Keeps apart the pixels of what was drawn over the last turned rest that the rests so far can
    // reach, and folds the rest of that drawing into the base.
    void cutAbove();
    void drawWhole(QPainter& painter, const QImage& picture) const;

    Mode mode_ = Mode::Off;
    QSet<qint64> turningImages_;  // images seen turned: split from then on
    std::vector<Turned> learnt_;  // this frame's turned images, in drawing order
    QImage probe_;                // what the layers draw on while the turns are learnt

    // The base and what made it.
    QImage base_;
    Frame baseFrame_;
    std::vector<Turned> baseTurned_;
    std::vector<Layer> layers_;
    // While the base is recorded: the painter's target after the last turned image.
    QImage above_;
    QPainter* recorder_ = nullptr;

    QImage whole_;
    std::vector<double> wholeTurns_;
    std::vector<double> lastTurns_;
    bool lastFrameKept_ = false;
};

}  // namespace vantrel::instruments
