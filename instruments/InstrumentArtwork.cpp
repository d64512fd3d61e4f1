#include "InstrumentArtwork.h"

namespace vantrel::instruments {

QStringList instrumentArtworkNames() {
    // The VOR's first, as the first screen shown (VOR 1) needs them first, then the ADF's and the
    // compass's.
    return {QStringLiteral("ring.png"),          QStringLiteral("vorBackground.png"),
            QStringLiteral("vorTo.png"),         QStringLiteral("vorFrom.png"),
            QStringLiteral("invalidNav.png"),
            QStringLiteral("adfOverlay.png"),    QStringLiteral("adfBackground.png"),
            QStringLiteral("needle.png"),        QStringLiteral("compassBackground.png"),
            QStringLiteral("orangeRing.png")};
}

}  // namespace vantrel::instruments
