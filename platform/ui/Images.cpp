#include "Images.h"

#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/Threads.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace vantrel::platform::ui {

namespace {
qreal screenScale() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app ? app->devicePixelRatio() : 1.0;
}
}  // namespace

QString imagePath(const QString& name) {
    QFileInfo info(name);
    QString base = info.completeBaseName();
    QString suffix = info.suffix().isEmpty() ? QStringLiteral("png") : info.suffix();
    QString direct = Paths::pathForResource(base, suffix);
    if (!direct.isEmpty()) return direct;
    return Paths::pathForResource(base, QStringLiteral("svg"));
}

QPixmap imageNamed(const QString& name) { return imageNamed(name, screenScale()); }

QPixmap imageNamed(const QString& name, const QPainter& painter) {
    const QPaintDevice* device = painter.device();
    return imageNamed(name, device ? device->devicePixelRatioF() : screenScale());
}

QPixmap imageNamed(const QString& name, qreal scale) {
    static QHash<QPair<QString, qreal>, QPixmap> cache;
    const QPair<QString, qreal> key(name, scale);
    auto it = cache.constFind(key);
    if (it != cache.constEnd()) return *it;
    QPixmap pixmap = renderImageNamed(name, scale);
    cache.insert(key, pixmap);
    return pixmap;
}

QPixmap renderImageNamed(const QString& name) { return renderImageNamed(name, screenScale()); }

namespace {

// An SVG drawn into an image at its size in points times the scale; any thread. A null image when
// the file cannot be read.
QImage renderSvg(const QString& path, qreal scale) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    QImage image(renderer.defaultSize() * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    image.setDevicePixelRatio(scale);
    return image;
}

// A picture cut to its drawn part, still as an image so that any thread may make it.
struct ImageCut {
    QImage part;
    QRectF place;
    QSizeF fullSize;
    std::any prepared;
};

ImageCut cutToDrawnPart(const QImage& full) {
    const QRectF place = opaqueRect(full);
    ImageCut cut{QImage(), place, full.deviceIndependentSize(), {}};
    if (!place.isEmpty()) {
        const qreal scale = full.devicePixelRatio();
        cut.part = full.copy(QRectF(place.topLeft() * scale, place.size() * scale).toAlignedRect());
        cut.part.setDevicePixelRatio(scale);
    }
    return cut;
}

// The parts prepareImages renders ahead. An entry is waiting for the thread, being rendered,
// ready, or taken by the main thread.
class PreparedImages {
public:
    static PreparedImages& shared() {
        // Never destroyed: the rendering thread may still use it while the process ends.
        static auto* instance = new PreparedImages();
        return *instance;
    }

    void prepare(const QStringList& names, qreal scale, PartFinisher finish) {
        std::vector<std::pair<QString, QString>> work;  // name, svg path
        {
            std::lock_guard lock(mutex_);
            for (const QString& name : names) {
                const QString path = imagePath(name);
                if (!path.endsWith(QStringLiteral(".svg")) || entries_.count({name, scale})) continue;
                entries_[{name, scale}] = Entry{};
                work.emplace_back(name, path);
            }
        }
        if (work.empty()) return;
        detachNewThread([this, work = std::move(work), scale, finish = std::move(finish)] {
            for (const auto& [name, path] : work) {
                if (isShuttingDown()) return;
                {
                    std::lock_guard lock(mutex_);
                    Entry& entry = entries_[{name, scale}];
                    if (entry.state != State::Waiting) continue;  // the main thread rendered it itself
                    entry.state = State::Rendering;
                }
                ImageCut cut = cutToDrawnPart(renderSvg(path, scale));
                if (finish && !cut.part.isNull()) cut.prepared = finish(name, cut.part, cut.place, cut.fullSize);
                {
                    std::lock_guard lock(mutex_);
                    Entry& entry = entries_[{name, scale}];
                    entry.cut = std::move(cut);
                    entry.state = State::Ready;
                }
                ready_.notify_all();
            }
        });
    }

    // The prepared part, or nothing when none was asked for, it was taken already or the thread
    // has not reached it (the caller then renders it and the thread skips it). Waits for one that
    // is being rendered.
    std::optional<ImageCut> take(const QString& name, qreal scale) {
        std::unique_lock lock(mutex_);
        auto it = entries_.find({name, scale});
        if (it == entries_.end() || it->second.state == State::Taken) return std::nullopt;
        const bool rendered = it->second.state != State::Waiting;
        if (rendered) ready_.wait(lock, [&] { return it->second.state == State::Ready; });
        it->second.state = State::Taken;
        if (!rendered) return std::nullopt;
        return std::exchange(it->second.cut, ImageCut());
    }

private:
    enum class State { Waiting, Rendering, Ready, Taken };
    struct Entry {
        State state = State::Waiting;
        ImageCut cut;
    };
    std::mutex mutex_;
    std::condition_variable ready_;
    std::map<std::pair<QString, qreal>, Entry> entries_;
};

}  // namespace

void prepareImages(const QStringList& names, qreal scale, PartFinisher finish) {
    PreparedImages::shared().prepare(names, scale, std::move(finish));
}

void prepareImages(const QStringList& names, PartFinisher finish) { prepareImages(names, screenScale(), std::move(finish)); }

QPixmap renderImageNamed(const QString& name, qreal scale) {
    QPixmap pixmap;
    QString path = imagePath(name);
    if (path.endsWith(QStringLiteral(".svg"))) {
        QImage image = renderSvg(path, scale);
        if (!image.isNull()) pixmap = QPixmap::fromImage(std::move(image));
        else logLine(QStringLiteral("Image %1 could not be read from %2").arg(name, path));
    } else if (!path.isEmpty()) {
        if (!pixmap.load(path)) logLine(QStringLiteral("Image %1 could not be read from %2").arg(name, path));
    }
    return pixmap;
}

QRectF opaqueRect(const QImage& image) {
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int left = pixels.width(), top = pixels.height(), right = -1, bottom = -1;
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        int first = 0;
        while (first < pixels.width() && qAlpha(line[first]) == 0) ++first;
        if (first == pixels.width()) continue;
        int last = pixels.width() - 1;
        while (qAlpha(line[last]) == 0) --last;
        left = std::min(left, first);
        right = std::max(right, last);
        top = std::min(top, y);
        bottom = y;
    }
    const double ratio = image.devicePixelRatio();
    return right < 0 ? QRectF() : QRectF(left / ratio, top / ratio, (right - left + 1) / ratio, (bottom - top + 1) / ratio);
}

ImagePart renderImagePartNamed(const QString& name, qreal scale) {
    std::optional<ImageCut> cut = PreparedImages::shared().take(name, scale);
    // A prepared picture that came out empty is rendered again, which says why in the log.
    if (!cut || cut->fullSize.isEmpty()) cut = cutToDrawnPart(renderImageNamed(name, scale).toImage());
    ImagePart part{QPixmap(), cut->place, cut->fullSize, std::move(cut->prepared)};
    if (!cut->part.isNull()) part.pixmap = QPixmap::fromImage(std::move(cut->part));
    return part;
}

}  // namespace vantrel::platform::ui
