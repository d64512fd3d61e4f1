// libFuzzer target for the OpenAir reader: any bytes as a file. Every airspace it reads must have
// an outline of at least three finite points within its box, limits that compare, and an index
// built from them must answer a point and a warning check without breaking.

#include "FuzzSupport.h"

#include "airspace/AirspaceWarnings.h"
#include "airspace/OpenAirReader.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vantrel::airspace;
    vantrel::fuzz::quietLog();
    ReadResult read = readOpenAir(vantrel::fuzz::bytesOf(data, size), QStringLiteral("fuzz"));
    if (read.skippedAirspaces < 0 || read.skippedLines < 0) vantrel::fuzz::broken("negative counts");
    for (const Airspace& a : read.airspaces) {
        if (a.outline.size() < 3) vantrel::fuzz::broken("outline of fewer than three points");
        for (const LatLon& p : a.outline) {
            if (!std::isfinite(p.lat) || !std::isfinite(p.lon) || std::abs(p.lat) > 90.0)
                vantrel::fuzz::broken("point off the globe");
            if (!a.box.contains(p.lat, p.lon)) vantrel::fuzz::broken("point outside its own box");
        }
        if (std::isnan(a.lower.feetAboveSeaLevel()) || std::isnan(a.upper.feetAboveSeaLevel()))
            vantrel::fuzz::broken("limit without a height");
    }
    if (read.airspaces.empty()) return 0;
    const LatLon first = read.airspaces.front().outline.front();
    const AirspaceIndex index(std::move(read.airspaces));
    index.containing(first.lat, first.lon, 3000.0);
    checkAirspaceWarnings(index, AircraftState{first.lat, first.lon, 3000.0, 45.0, 120.0, 500.0});
    return 0;
}
