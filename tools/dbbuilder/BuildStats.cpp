#include "BuildStats.h"

#include <QStringList>

namespace vantrel::dbbuilder {

QString BuildStats::summary() const {
    QStringList byType;
    for (const auto& [type, count] : waypointsByType) byType << QStringLiteral("type %1: %2").arg(type).arg(count);
    QStringList byFile;
    for (const auto& [file, count] : skippedRowsByFile) byFile << QStringLiteral("%1 %2").arg(file).arg(count);

    QStringList lines;
    lines << QStringLiteral("%1 waypoints (%2)").arg(waypoints).arg(byType.join(QStringLiteral(", ")));
    lines << QStringLiteral("%1 countries, %2 divided into %3 states; largest %4 with %5 waypoints")
                 .arg(countries)
                 .arg(dividedCountries)
                 .arg(states)
                 .arg(largestCountry)
                 .arg(largestCountryWaypoints);
    lines << QStringLiteral("%1 runways listed, %2 closed runways and %3 heliports, balloon ports and closed fields left out; "
                            "%4 airports with a frequency; %5 navaids placed in the state of the nearest airport")
                 .arg(runways)
                 .arg(closedRunwaysLeftOut)
                 .arg(airportsLeftOut)
                 .arg(airportsWithFrequency)
                 .arg(navaidsPlacedByNearestAirport);
    lines << QStringLiteral("%1 rows skipped (%2); %3 stale country files removed; %4 ms")
                 .arg(skippedRows)
                 .arg(byFile.isEmpty() ? QStringLiteral("none") : byFile.join(QStringLiteral(", ")))
                 .arg(staleFilesRemoved)
                 .arg(elapsedMs);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace vantrel::dbbuilder
