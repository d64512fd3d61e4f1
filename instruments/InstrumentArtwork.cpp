#include "InstrumentArtwork.h"

#include "TurnedArtwork.h"

#include "platform/ui/Images.h"

#include <memory>

namespace vantrel::instruments {

QStringList instrumentArtworkNames() {
    // The VOR's first, as the first screen shown (VOR 1) needs them first, then the ADF's, the
    // map's aircraft and the compass's.
    return {QStringLiteral("ring.png"),          QStringLiteral("vorBackground.png"),
            QStringLiteral("vorTo.png"),         QStringLiteral("vorFrom.png"),
            QStringLiteral("invalidNav.png"),
            QStringLiteral("adfOverlay.png"),    QStringLiteral("adfBackground.png"),
            QStringLiteral("needle.png"),        QStringLiteral("plane.png"),
            QStringLiteral("compassBackground.png"), QStringLiteral("orangeRing.png")};
}

void prepareInstrumentArtwork() {
    platform::ui::prepareImages(instrumentArtworkNames(), [](const QString& name, const QImage& part, const QRectF& place,
                                                             const QSizeF& fullSize) -> std::any {
        // The rings and cards that turn under the indicators (about 45 ms each at 2x).
        if (name != QLatin1String("ring.png") && name != QLatin1String("orangeRing.png")) return {};
        return TurnedArtwork::split(part, place, fullSize, part.devicePixelRatio());
    });
}

}  // namespace vantrel::instruments
