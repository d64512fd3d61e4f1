#pragma once
// The full-size pictures that the round instruments draw through drawCenterImage, by name, so that
// they can be rendered and cut ahead of their first showing (see platform::ui::prepareImages)
// rather than while a screen first appears.

#include <QStringList>

namespace vantrel::instruments {

QStringList instrumentArtworkNames();

}  // namespace vantrel::instruments
