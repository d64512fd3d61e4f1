#pragma once
// Artwork that turns about its centre (the round instruments' cards and rings), split once per
// image and scale into the part that looks the same at every turn and the rest.
//
// The part that every turn leaves as it is holds, for each distance from the centre, the value the
// image has there at almost every angle: the black annulus of a card, the thin circle of a ring. It
// is drawn unturned into a kept picture. The rest (graduations, numbers, a heading bug) is kept as
// small pieces that skip the empty space, and only those are turned at each frame. Where the rest
// lies over a partly transparent unturned part (an anti-aliased edge), its pixels are stored so
// that drawn over that part they give the image's own pixels; so the unturned part with the rest
// drawn over it is the image, up to a few levels at anti-aliased edges.
//
// Threads: any thread may split; drawing goes through the caller's painter (main thread).

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <memory>
#include <vector>

class QPainter;

namespace vantrel::instruments {

class TurnedArtwork {
public:
    // The split of an image whose full size is fullSize (points), drawn centred, of which pixels
    // (scale device pixels a point) is the part at place (points, within the full size). Null when
    // the image has no unturned part worth keeping apart: when the rest would cover most of it, or
    // when the unturned part could not stand in for the image within a few levels.
    static std::shared_ptr<const TurnedArtwork> split(const QImage& pixels, const QRectF& place, const QSizeF& fullSize,
                                                      qreal scale);

    qreal scale() const { return scale_; }
    // The rest lies between these distances from the centre (points), whatever the turn.
    qreal innerRadius() const { return innerRadius_; }
    qreal outerRadius() const { return outerRadius_; }
    // The pieces of the rest and their pixels in all, for the memory they keep.
    int pieceCount() const { return int(pieces_.size()); }
    qsizetype bytes() const;

    // Draws the unturned part centred on centre (points). Only onto a painter that draws device
    // pixels of scale() without turn or stretch (false, and nothing drawn, otherwise).
    bool drawFixedPart(QPainter& painter, QPointF centre) const;
    // Draws the rest turned clockwise by degrees about centre, the image centred on it.
    void drawTurningPart(QPainter& painter, QPointF centre, double degrees) const;

private:
    struct Piece {
        QRect source;   // in pieces_ image
        QRectF target;  // in points, from the full image's top left
    };
    qreal scale_ = 1;
    QSizeF fullSize_;
    qreal innerRadius_ = 0;
    qreal outerRadius_ = 0;
    // The unturned part's premultiplied colour at each distance from the centre, binsPerPixel a
    // device pixel, and how far it reaches (device pixels).
    std::vector<quint32> profile_;
    qreal innerProfile_ = 0;
    qreal outerProfile_ = 0;
    QImage atlas_;
    std::vector<Piece> pieces_;
};

}  // namespace vantrel::instruments
