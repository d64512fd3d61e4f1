#include "TurnedArtwork.h"

#include <QPaintDevice>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace vantrel::instruments {

namespace {

// The unturned part is looked up by distance in quarters of a device pixel.
constexpr int kBinsPerPixel = 4;
// Levels by which a pixel may differ from the unturned part and still be left to it.
constexpr int kTolerance = 16;
// The edge of a circle in the artwork is not exactly round (its curve is drawn in straight
// pieces): its anti-aliased pixels lie up to this far (device pixels) from where the unturned
// part puts them, which draws them that much rounder.
constexpr double kEdgeShift = 0.3;
// Near a mark (points), a pixel that differs at all from the unturned part belongs to the rest: a
// mark that meets a circle changes the circle's edge there, which is no unevenness of the circle.
constexpr double kMarkReach = 3.0;
// The most that the unturned part with the rest over it may differ from the image, beyond what an
// uneven edge explains; an image that splits worse is drawn whole.
constexpr int kMostError = 2 * kTolerance;
// A split pays when the rest covers at most this share of the image's drawn part.
constexpr double kMostRestShare = 0.5;
// Turning one more piece costs about as much as turning this many more pixels: neighbouring pieces
// are joined when that saves more than it costs.
constexpr qsizetype kPiecePixels = 320;

// A premultiplied pixel by channel: alpha, red, green, blue, each 0..255.
struct Rgba {
    std::array<int, 4> c{};
};

Rgba unpack(quint32 p) { return {{int(p >> 24), int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff)}}; }
quint32 pack(const Rgba& v) {
    return (quint32(v.c[0]) << 24) | (quint32(v.c[1]) << 16) | (quint32(v.c[2]) << 8) | quint32(v.c[3]);
}

int largestDifference(const Rgba& a, const Rgba& b) {
    int most = 0;
    for (size_t k = 0; k < 4; ++k) most = std::max(most, std::abs(a.c[k] - b.c[k]));
    return most;
}

// Premultiplied source over.
Rgba over(const Rgba& top, const Rgba& under) {
    Rgba out;
    const double rest = 1.0 - top.c[0] / 255.0;
    for (size_t k = 0; k < 4; ++k) out.c[k] = std::clamp(int(std::lround(top.c[k] + under.c[k] * rest)), 0, 255);
    return out;
}

// The pixel that, drawn over under, gives want: exact where want is at least as opaque as under
// in every channel, else as near as drawing over can come (a light mark on a darker edge that is
// less transparent than the mark).
Rgba unover(const Rgba& want, const Rgba& under) {
    Rgba top;
    if (under.c[0] >= 255) {
        top = want;
        top.c[0] = 255;
        return top;
    }
    const double au = under.c[0] / 255.0;
    double alpha = (want.c[0] / 255.0 - au) / (1.0 - au);
    for (size_t k = 1; k < 4; ++k) {
        const double cu = under.c[k] / 255.0;
        if (cu < 1.0) alpha = std::max(alpha, (want.c[k] / 255.0 - cu) / (1.0 - cu));
    }
    top.c[0] = int(std::lround(std::clamp(alpha, 0.0, 1.0) * 255.0));
    const double rest = 1.0 - top.c[0] / 255.0;
    for (size_t k = 1; k < 4; ++k) top.c[k] = std::clamp(int(std::lround(want.c[k] - under.c[k] * rest)), 0, top.c[0]);
    return top;
}

// The unturned part: a premultiplied colour for each distance from the centre, kBinsPerPixel bins
// a device pixel, nothing from reach on.
struct Profile {
    std::vector<quint32> bins;
    double reach = 0;

    quint32 at(double r) const {
        if (r >= reach || bins.empty()) return 0;
        const double t = std::max(0.0, r * kBinsPerPixel - 0.5);
        const size_t i = std::min(size_t(t), bins.size() - 1);
        const size_t j = std::min(i + 1, bins.size() - 1);
        const quint32 a = bins[i], b = bins[j];
        if (a == b) return a;
        const quint32 f = quint32((t - double(i)) * 256.0), g = 256 - f;
        quint32 out = 0;
        for (int shift = 0; shift < 32; shift += 8)
            out |= ((((a >> shift) & 0xff) * g + ((b >> shift) & 0xff) * f + 128) >> 8) << shift;
        return out;
    }
    // The lowest and highest value of each channel within kEdgeShift of r.
    void range(double r, Rgba& lo, Rgba& hi) const {
        const Rgba a = unpack(at(std::max(0.0, r - kEdgeShift))), b = unpack(at(r)), c = unpack(at(r + kEdgeShift));
        for (size_t k = 0; k < 4; ++k) {
            lo.c[k] = std::min({a.c[k], b.c[k], c.c[k]});
            hi.c[k] = std::max({a.c[k], b.c[k], c.c[k]});
        }
    }
    // How far want lies outside what the profile has within kEdgeShift of r.
    int excess(const Rgba& want, double r) const {
        Rgba lo, hi;
        range(r, lo, hi);
        int most = 0;
        for (size_t k = 0; k < 4; ++k) most = std::max({most, lo.c[k] - want.c[k], want.c[k] - hi.c[k]});
        return most;
    }
    // How much the profile changes within kEdgeShift of r: what an uneven edge explains there.
    int unevenness(double r) const {
        Rgba lo, hi;
        range(r, lo, hi);
        int most = 0;
        for (size_t k = 0; k < 4; ++k) most = std::max(most, hi.c[k] - lo.c[k]);
        return most;
    }
};

// The pixels of an image, as placed in its full size (device pixels), and their distances from
// the full size's centre.
struct Placed {
    const QImage& pixels;
    int ox = 0, oy = 0;          // where pixels lies in the full size
    int fullW = 0, fullH = 0;    // the full size
    double cx = 0, cy = 0;       // its centre

    int w() const { return pixels.width(); }
    int h() const { return pixels.height(); }
    bool inside(int fx, int fy) const { return fx >= ox && fy >= oy && fx < ox + w() && fy < oy + h(); }
    quint32 at(int fx, int fy) const {
        return inside(fx, fy) ? reinterpret_cast<const quint32*>(pixels.constScanLine(fy - oy))[fx - ox] : 0;
    }
    double radius(int fx, int fy) const {
        const double dx = fx + 0.5 - cx, dy = fy + 0.5 - cy;
        return std::sqrt(dx * dx + dy * dy);
    }
};

// For each distance, the median of each channel over every pixel of the full size at that
// distance (those outside the drawn part count as transparent): the value the image has there at
// almost every angle.
Profile medianProfile(const Placed& image, double reach) {
    Profile profile;
    profile.reach = reach;
    const int bins = int(reach * kBinsPerPixel) + 1;
    // Each pixel's bin (or -1 beyond reach), counted, then the pixels sorted by bin.
    std::vector<int> binOf(size_t(image.fullW) * size_t(image.fullH));
    std::vector<int> start(size_t(bins) + 1, 0);
    for (int fy = 0; fy < image.fullH; ++fy)
        for (int fx = 0; fx < image.fullW; ++fx) {
            const double r = image.radius(fx, fy);
            const int bin = r < reach ? int(r * kBinsPerPixel) : -1;
            binOf[size_t(fy) * size_t(image.fullW) + size_t(fx)] = bin;
            if (bin >= 0) ++start[size_t(bin) + 1];
        }
    for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    std::vector<quint32> values(size_t(start.back()));
    std::vector<int> next(start.begin(), start.end() - 1);
    for (int fy = 0; fy < image.fullH; ++fy)
        for (int fx = 0; fx < image.fullW; ++fx)
            if (const int bin = binOf[size_t(fy) * size_t(image.fullW) + size_t(fx)]; bin >= 0)
                values[size_t(next[size_t(bin)]++)] = image.at(fx, fy);
    binOf = {};

    profile.bins.assign(size_t(bins), 0);
    std::vector<bool> known(size_t(bins), false);
    std::vector<int> channel;
    for (size_t b = 0; b < size_t(bins); ++b) {
        const int from = start[b], to = start[b + 1];
        if (from == to) continue;
        Rgba median;
        for (size_t k = 0; k < 4; ++k) {
            channel.clear();
            for (int i = from; i < to; ++i) channel.push_back(unpack(values[size_t(i)]).c[k]);
            std::nth_element(channel.begin(), channel.begin() + std::ptrdiff_t(channel.size() / 2), channel.end());
            median.c[k] = channel[channel.size() / 2];
        }
        for (size_t k = 1; k < 4; ++k) median.c[k] = std::min(median.c[k], median.c[0]);
        profile.bins[b] = pack(median);
        known[b] = true;
    }
    // The few innermost distances that no pixel centre falls in take the next one's value; at the
    // rim of the disc the value falls to nothing, as nothing beyond it is the same at every turn.
    for (int b = bins - 2; b >= 0; --b)
        if (!known[size_t(b)]) profile.bins[size_t(b)] = profile.bins[size_t(b) + 1];
    profile.bins.back() = 0;
    return profile;
}

// The mask grown by radius pixels in every direction (a square).
std::vector<char> dilated(const std::vector<char>& mask, int w, int h, int radius) {
    std::vector<char> across(mask.size(), 0), out(mask.size(), 0);
    for (int y = 0; y < h; ++y) {
        int last = -1 - 2 * radius;  // the last set pixel seen
        for (int x = 0; x < w + radius; ++x) {
            if (x < w && mask[size_t(y) * size_t(w) + size_t(x)]) last = x;
            const int at = x - radius;
            if (at >= 0 && x - last <= 2 * radius) across[size_t(y) * size_t(w) + size_t(at)] = 1;
        }
    }
    for (int x = 0; x < w; ++x) {
        int last = -1 - 2 * radius;
        for (int y = 0; y < h + radius; ++y) {
            if (y < h && across[size_t(y) * size_t(w) + size_t(x)]) last = y;
            const int at = y - radius;
            if (at >= 0 && y - last <= 2 * radius) out[size_t(at) * size_t(w) + size_t(x)] = 1;
        }
    }
    return out;
}

qsizetype area(const QRect& r) { return qsizetype(r.width()) * r.height(); }

// Pieces of the rest: each group of touching pixels with a transparent border of one pixel (so
// that a turned piece samples nothing of its neighbours), labelled per pixel.
std::vector<QRect> touchingGroups(const std::vector<char>& rest, int w, int h, std::vector<int>& label) {
    label.assign(rest.size(), -1);
    std::vector<QRect> groups;
    std::vector<std::pair<int, int>> stack;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            if (!rest[i] || label[i] >= 0) continue;
            const int id = int(groups.size());
            int left = x, right = x, top = y, bottom = y;
            label[i] = id;
            stack.push_back({x, y});
            while (!stack.empty()) {
                const auto [px, py] = stack.back();
                stack.pop_back();
                left = std::min(left, px), right = std::max(right, px), top = std::min(top, py), bottom = std::max(bottom, py);
                for (int ny = std::max(0, py - 1); ny <= std::min(h - 1, py + 1); ++ny)
                    for (int nx = std::max(0, px - 1); nx <= std::min(w - 1, px + 1); ++nx) {
                        const size_t n = size_t(ny) * size_t(w) + size_t(nx);
                        if (rest[n] && label[n] < 0) {
                            label[n] = id;
                            stack.push_back({nx, ny});
                        }
                    }
            }
            groups.push_back(QRect(QPoint(left - 1, top - 1), QPoint(right + 1, bottom + 1)));
        }
    return groups;
}

}  // namespace

std::shared_ptr<const TurnedArtwork> TurnedArtwork::split(const QImage& source, const QRectF& place,
                                                         const QSizeF& fullSize, qreal scale) {
    if (source.isNull() || fullSize.isEmpty() || !(scale > 0)) return nullptr;
    const QImage pixels = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const Placed image{pixels,
                       int(std::lround(place.left() * scale)),
                       int(std::lround(place.top() * scale)),
                       int(std::ceil(fullSize.width() * scale - 1e-6)),
                       int(std::ceil(fullSize.height() * scale - 1e-6)),
                       fullSize.width() * scale * 0.5,
                       fullSize.height() * scale * 0.5};
    const int w = image.w(), h = image.h();
    const size_t count = size_t(w) * size_t(h);
    // Only a disc is the same at every turn: beyond the inscribed circle everything turns.
    const Profile profile = medianProfile(image, std::min(fullSize.width(), fullSize.height()) * scale * 0.5);

    auto result = std::shared_ptr<TurnedArtwork>(new TurnedArtwork);
    TurnedArtwork& art = *result;
    art.scale_ = scale;
    art.fullSize_ = fullSize;
    art.profile_ = profile.bins;
    {
        int first = -1, last = -1;
        for (int b = 0; b < int(profile.bins.size()); ++b)
            if (profile.bins[size_t(b)] != 0) first = first < 0 ? b : first, last = b;
        if (last < 0) return nullptr;  // nothing is the same at every turn
        art.innerProfile_ = std::max(0.0, double(first - 1) / kBinsPerPixel);
        art.outerProfile_ = double(last + 2) / kBinsPerPixel;
    }

    // Outside the drawn part the image is transparent: there the unturned part must be nothing.
    int worst = 0;
    for (int fy = 0; fy < image.fullH; ++fy)
        for (int fx = 0; fx < image.fullW; ++fx)
            if (!image.inside(fx, fy)) worst = std::max(worst, profile.excess(Rgba(), image.radius(fx, fy)));

    // The rest: the marks (pixels that differ from the unturned part by more than an uneven edge
    // explains), every pixel near a mark that differs at all, and a pixel around both, so that the
    // edges of the marks are the image's own.
    std::vector<quint32> invariant(count);
    std::vector<char> marks(count, 0), differs(count, 0);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const quint32*>(pixels.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            const double r = image.radius(x + image.ox, y + image.oy);
            invariant[i] = profile.at(r);
            if (line[x] == invariant[i]) continue;  // most pixels: neither a mark nor different
            marks[i] = profile.excess(unpack(line[x]), r) > kTolerance;
            differs[i] = largestDifference(unpack(line[x]), unpack(invariant[i])) > kTolerance;
        }
    }
    const std::vector<char> nearMarks = dilated(marks, w, h, int(std::ceil(kMarkReach * scale)));
    for (size_t i = 0; i < count; ++i) marks[i] = marks[i] || (differs[i] && nearMarks[i]);
    const std::vector<char> rest = dilated(marks, w, h, 1);
    marks = {};
    differs = {};

    // The rest's pixels as they go over the unturned part, and how far the two stray from the image.
    QImage residual(w, h, QImage::Format_ARGB32_Premultiplied);
    residual.fill(Qt::transparent);
    double nearest = 1e300, farthest = -1;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const quint32*>(pixels.constScanLine(y));
        auto* out = reinterpret_cast<quint32*>(residual.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            const Rgba want = unpack(line[x]), under = unpack(invariant[i]);
            const double r = image.radius(x + image.ox, y + image.oy);
            if (!rest[i]) {
                if (line[x] != invariant[i])
                    worst = std::max(worst, nearMarks[i] ? largestDifference(want, under) : profile.excess(want, r));
                continue;
            }
            const Rgba top = unover(want, under);
            out[x] = pack(top);
            worst = std::max(worst, largestDifference(over(top, under), want) - profile.unevenness(r));
            nearest = std::min(nearest, r);
            farthest = std::max(farthest, r);
        }
    }
    invariant = {};
    if (worst > kMostError) return nullptr;

    // Neighbouring pieces joined where one larger piece costs less to turn than two.
    std::vector<int> label;
    const std::vector<QRect> touching = touchingGroups(rest, w, h, label);
    struct Piece {
        QRect box;
        std::vector<int> groups;
    };
    std::vector<Piece> pieces;
    for (int i = 0; i < int(touching.size()); ++i) pieces.push_back({touching[size_t(i)], {i}});
    for (bool joined = true; joined;) {
        joined = false;
        for (size_t a = 0; a < pieces.size() && !joined; ++a)
            for (size_t b = a + 1; b < pieces.size(); ++b) {
                const QRect both = pieces[a].box.united(pieces[b].box);
                if (area(both) > area(pieces[a].box) + area(pieces[b].box) + kPiecePixels) continue;
                pieces[a].box = both;
                pieces[a].groups.insert(pieces[a].groups.end(), pieces[b].groups.begin(), pieces[b].groups.end());
                pieces.erase(pieces.begin() + std::ptrdiff_t(b));
                joined = true;
                break;
            }
    }
    qsizetype restArea = 0;
    for (const Piece& p : pieces) restArea += area(p.box);
    if (double(restArea) > kMostRestShare * double(w) * double(h)) return nullptr;

    // The pieces side by side in one image, in rows of about even length; each piece holds only
    // the pixels of its own groups, so that overlapping pieces draw every pixel once.
    std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.box.height() > b.box.height(); });
    // Rows of the tallest first; of a few row lengths, the one that leaves the smallest image.
    const auto pack = [&](int rowWidth, std::vector<QPoint>* at) {
        int x = 0, y = 0, rowHeight = 0;
        for (const Piece& p : pieces) {
            if (x + p.box.width() > rowWidth) x = 0, y += rowHeight, rowHeight = 0;
            if (at) at->push_back({x, y});
            x += p.box.width();
            rowHeight = std::max(rowHeight, p.box.height());
        }
        return QSize(rowWidth, y + rowHeight);
    };
    int widest = 1;
    for (const Piece& p : pieces) widest = std::max(widest, p.box.width());
    QSize best;
    int bestWidth = widest;
    for (int rowWidth = widest; rowWidth <= std::max(widest, int(4 * std::sqrt(double(restArea)))); rowWidth += std::max(8, widest / 8)) {
        const QSize size = pack(rowWidth, nullptr);
        if (best.isEmpty() || area(QRect(QPoint(), size)) < area(QRect(QPoint(), best))) best = size, bestWidth = rowWidth;
    }
    std::vector<QPoint> at;
    const QSize atlasSize = pack(bestWidth, &at);
    art.atlas_ = QImage(atlasSize.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    art.atlas_.fill(Qt::transparent);
    std::vector<int> pieceOf(touching.size());
    for (size_t p = 0; p < pieces.size(); ++p)
        for (int g : pieces[p].groups) pieceOf[size_t(g)] = int(p);
    for (size_t p = 0; p < pieces.size(); ++p) {
        const QRect& box = pieces[p].box;
        for (int py = std::max(0, box.top()); py <= std::min(h - 1, box.bottom()); ++py) {
            const auto* in = reinterpret_cast<const quint32*>(residual.constScanLine(py));
            auto* out = reinterpret_cast<quint32*>(art.atlas_.scanLine(at[p].y() + py - box.top()));
            for (int px = std::max(0, box.left()); px <= std::min(w - 1, box.right()); ++px) {
                const int group = label[size_t(py) * size_t(w) + size_t(px)];
                if (group >= 0 && pieceOf[size_t(group)] == int(p)) out[at[p].x() + px - box.left()] = in[px];
            }
        }
        art.pieces_.push_back({QRect(at[p], box.size()), QRectF((box.left() + image.ox) / scale, (box.top() + image.oy) / scale,
                                                                box.width() / scale, box.height() / scale)});
    }
    // A turned piece reaches a pixel and a half beyond its pixels' centres.
    art.innerRadius_ = farthest < 0 ? 0 : std::max(0.0, nearest - 2.0) / scale;
    art.outerRadius_ = farthest < 0 ? 0 : (farthest + 2.0) / scale;
    return result;
}

qsizetype TurnedArtwork::bytes() const {
    return atlas_.sizeInBytes() + qsizetype(profile_.size() * sizeof(quint32)) + qsizetype(pieces_.size() * sizeof(Piece));
}

bool TurnedArtwork::drawFixedPart(QPainter& painter, QPointF centre) const {
    const QTransform device = painter.deviceTransform();
    if (device.type() > QTransform::TxScale || std::abs(device.m11() - scale_) > 1e-9 || std::abs(device.m22() - scale_) > 1e-9)
        return false;
    const QPointF c = device.map(centre);
    // A centre on a pixel's corner or middle has the same pixels in its four quarters: pixel X
    // and pixel 2c - 1 - X lie at the same distance. Its part is computed for one quarter and
    // mirrored, over a square that is as symmetric.
    const auto onHalfPixel = [](double v) { return std::abs(2.0 * v - std::round(2.0 * v)) < 1e-9; };
    const bool symmetric = onHalfPixel(c.x()) && onHalfPixel(c.y());
    QRect covered;
    if (symmetric) {
        const QPoint first(int(std::floor(c.x() - outerProfile_ - 0.5)), int(std::floor(c.y() - outerProfile_ - 0.5)));
        covered = QRect(first, QPoint(int(std::lround(2.0 * c.x())) - 1 - first.x(), int(std::lround(2.0 * c.y())) - 1 - first.y()));
    } else {
        covered = QRect(QPoint(int(std::floor(c.x() - outerProfile_)), int(std::floor(c.y() - outerProfile_))),
                        QPoint(int(std::ceil(c.x() + outerProfile_)), int(std::ceil(c.y() + outerProfile_))));
    }
    const QPaintDevice* target = painter.device();
    const QRect pixels =
        target ? covered.intersected(QRect(0, 0, int(std::ceil(target->width() * target->devicePixelRatio())),
                                           int(std::ceil(target->height() * target->devicePixelRatio()))))
               : covered;
    if (pixels.isEmpty()) return true;
    // Cut by the edges of the target on one side more than the other, the square is no longer
    // symmetric: every pixel is computed.
    const bool mirrored = symmetric && pixels.left() + pixels.right() + 1 == int(std::lround(2.0 * c.x())) &&
                          pixels.top() + pixels.bottom() + 1 == int(std::lround(2.0 * c.y()));
    const int width = pixels.width(), height = pixels.height();
    const int computedColumns = mirrored ? (width + 1) / 2 : width;
    const int computedRows = mirrored ? (height + 1) / 2 : height;
    const Profile profile{profile_, outerProfile_};
    const double outer2 = outerProfile_ * outerProfile_, inner2 = innerProfile_ * innerProfile_;
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);  // pixel for pixel: a plain copy
    // Made and drawn a band of rows at a time: a band is small enough for the allocator to reuse,
    // where the whole part would take fresh memory at each rebuild.
    constexpr int kBandRows = 32;
    QImage band(width, kBandRows, QImage::Format_ARGB32_Premultiplied);
    band.setDevicePixelRatio(scale_);
    QImage flipped;
    if (mirrored) {
        flipped = QImage(width, kBandRows, QImage::Format_ARGB32_Premultiplied);
        flipped.setDevicePixelRatio(scale_);
    }
    const auto drawBand = [&](const QImage& rows, int firstRow, int count) {
        painter.drawImage(QPointF(pixels.left() / scale_, (pixels.top() + firstRow) / scale_), rows, QRectF(0, 0, width, count));
    };
    for (int top = 0; top < computedRows; top += kBandRows) {
        const int rows = std::min(kBandRows, computedRows - top);
        band.fill(Qt::transparent);
        bool drawn = false;
        for (int y = 0; y < rows; ++y) {
            auto* line = reinterpret_cast<quint32*>(band.scanLine(y));
            const double dy = pixels.top() + top + y + 0.5 - c.y();
            if (dy * dy >= outer2) continue;
            // Only the ring between the innermost and outermost distance that the part has.
            const double half = std::sqrt(outer2 - dy * dy);
            const double hole = dy * dy < inner2 ? std::sqrt(inner2 - dy * dy) : 0.0;
            const auto span = [&](double from, double to) {
                const int first = std::max(0, int(std::floor(from - pixels.left())));
                const int last = std::min(computedColumns - 1, int(std::ceil(to - pixels.left())));
                for (int x = first; x <= last; ++x) {
                    const double dx = pixels.left() + x + 0.5 - c.x();
                    line[x] = profile.at(std::sqrt(dx * dx + dy * dy));
                }
            };
            if (hole > 1.0) {
                span(c.x() - half, c.x() - hole + 1.0);
                span(c.x() + hole - 1.0, c.x() + half);
            } else {
                span(c.x() - half, c.x() + half);
            }
            for (int x = computedColumns; x < width; ++x) line[x] = line[width - 1 - x];
            drawn = true;
        }
        if (!drawn) continue;
        drawBand(band, top, rows);
        if (!mirrored) continue;
        // The rows below the centre that mirror these, the middle row (its own mirror) left out.
        const int from = std::max(computedRows, height - top - rows), to = height - 1 - top;
        for (int row = from; row <= to; ++row)
            std::memcpy(flipped.scanLine(row - from), band.constScanLine(height - 1 - row - top), size_t(width) * sizeof(quint32));
        if (to >= from) drawBand(flipped, from, to - from + 1);
    }
    painter.restore();
    return true;
}

void TurnedArtwork::drawTurningPart(QPainter& painter, QPointF centre, double degrees) const {
    if (pieces_.empty()) return;
    painter.save();
    // The pieces meet only where they are transparent: their edges need no smoothing.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.translate(centre);
    if (degrees != 0.0) painter.rotate(degrees);
    painter.translate(fullSize_.width() * -0.5, fullSize_.height() * -0.5);
    for (const Piece& piece : pieces_) painter.drawImage(piece.target, atlas_, piece.source);
    painter.restore();
}

}  // namespace vantrel::instruments
