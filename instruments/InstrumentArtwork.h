#pragma once
// The full-size pictures that the instruments draw through drawCenterImage, rendered, cut
// to their drawn parts and, for those that turn, split into what turns and what does not, on a
// thread of their own at launch (see platform::ui::prepareImages): the first showing of an
// instrument screen then only takes them, instead of spending tens of milliseconds of the main
// loop on them.

#include <QStringList>

namespace vantrel::instruments {

QStringList instrumentArtworkNames();

// Starts that work at the screen's pixel ratio. Main thread only; once per process.
void prepareInstrumentArtwork();

}  // namespace vantrel::instruments
