// libFuzzer target for the base map reader: the input is a whole map file, checked as the app
// opens it, then every tile of every level it lists is decoded as the map's worker does. Nothing
// may crash, and a decoded tile must keep the reader's promises (every part inside the point
// array, every point inside its tile, a town one point).

#include "FuzzSupport.h"

#include "basemap/BaseMapFile.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quietLog();
    QString problem;
    const auto file = basemap::BaseMapFile::fromBytes(data, size, QStringLiteral("fuzz"), &problem);
    if (!file) return 0;
    size_t decoded = 0;
    for (size_t i = 0; i < file->levels().size(); ++i) {
        const basemap::Level& level = file->levels()[i];
        for (uint32_t row = 0; row < level.rows(); ++row)
            for (uint32_t col = 0; col < level.cols(); ++col) {
                const basemap::TileKey key{uint8_t(i), uint16_t(col), uint16_t(row)};
                if (!file->tileLength(key)) continue;
                const std::optional<basemap::Tile> tile = file->readTile(key, &problem);
                if (!tile || ++decoded > 64) continue;
                if (tile->partStarts.empty() || tile->partStarts.back() != tile->points.size())
                    fuzz::broken("parts do not end at the last point");
                for (const basemap::Feature& f : tile->features) {
                    if (f.firstPart + f.partCount + 1 > tile->partStarts.size()) fuzz::broken("a feature's parts run past the array");
                    if (f.kind == basemap::FeatureKind::Town &&
                        tile->partStarts[f.firstPart + 1] - tile->partStarts[f.firstPart] != 1)
                        fuzz::broken("a town of more than one point");
                }
            }
    }
    return 0;
}
