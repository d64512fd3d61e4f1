// vantrel-tool geo: the geodesy operations of the location manager, for scripts.

#include "Commands.h"
#include "Json.h"

#include "positioning/Geodesy.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace vantrel::tool {

namespace {

using positioning::FloatPoint;
using positioning::Geodesy;

const char* const kGeoUsage =
    "usage: vantrel-tool geo distance LON1 LAT1 LON2 LAT2      great-circle distance in metres\n"
    "       vantrel-tool geo bearing LON1 LAT1 LON2 LAT2       bearing in degrees from the first point\n"
    "       vantrel-tool geo coord VALUE lat|lon               degrees, minutes and seconds\n"
    "       vantrel-tool geo great-circle LON1 LAT1 LON2 LAT2 FACTOR\n"
    "                                                          the point at FACTOR (0..1) of the route\n";

int usage(const QString& problem) {
    std::fprintf(stderr, "%s\n%s", qPrintable(problem), kGeoUsage);
    return 2;
}

// The count numbers after the subcommand, or nothing when there are not exactly that many numbers.
std::optional<std::vector<double>> numbers(const QStringList& args, qsizetype count) {
    if (args.size() != count + 1) return std::nullopt;
    std::vector<double> values;
    for (qsizetype i = 1; i <= count; ++i) {
        bool ok = false;
        double v = args[i].toDouble(&ok);
        if (!ok) return std::nullopt;
        values.push_back(v);
    }
    return values;
}

void printResult(bool json, const std::string& jsonText, const std::string& text) {
    std::printf("%s\n", json ? jsonText.c_str() : text.c_str());
}

}  // namespace

int runGeoCommand(const QStringList& args, bool json) {
    if (args.isEmpty()) return usage(QStringLiteral("geo needs a subcommand"));
    const QString& what = args[0];

    if (what == QLatin1String("distance") || what == QLatin1String("bearing")) {
        std::optional<std::vector<double>> v = numbers(args, 4);
        if (!v) return usage(QStringLiteral("geo %1 wants four numbers: LON1 LAT1 LON2 LAT2").arg(what));
        const std::vector<double>& n = *v;
        if (what == QLatin1String("distance")) {
            std::string metres = jsonNumber(Geodesy::calcDistanceInMeters(n[0], n[1], n[2], n[3]));
            printResult(json, "{\"distance_m\": " + metres + "}", metres + " m");
        } else {
            float bearing = Geodesy::calcAngle(FloatPoint{float(n[0]), float(n[1])}, FloatPoint{float(n[2]), float(n[3])});
            std::string degrees = jsonNumber(double(bearing));
            printResult(json, "{\"bearing_deg\": " + degrees + "}", degrees + " deg");
        }
        return 0;
    }

    if (what == QLatin1String("coord")) {
        if (args.size() != 3 || (args[2] != QLatin1String("lat") && args[2] != QLatin1String("lon")))
            return usage(QStringLiteral("geo coord wants a value and lat or lon"));
        bool ok = false;
        double value = args[1].toDouble(&ok);
        if (!ok) return usage(QStringLiteral("not a number: %1").arg(args[1]));
        std::string text = Geodesy::formattedCoordinates(value, args[2] == QLatin1String("lon")).toStdString();
        printResult(json, "{\"value\": " + jsonNumber(value) + ", \"text\": " + jsonString(text) + "}", text);
        return 0;
    }

    if (what == QLatin1String("great-circle")) {
        std::optional<std::vector<double>> v = numbers(args, 5);
        if (!v) return usage(QStringLiteral("geo great-circle wants five numbers: LON1 LAT1 LON2 LAT2 FACTOR"));
        const std::vector<double>& n = *v;
        FloatPoint p = Geodesy::calcGreatCircle(FloatPoint{float(n[0]), float(n[1])}, FloatPoint{float(n[2]), float(n[3])}, n[4]);
        std::string lon = jsonNumber(double(p.x)), lat = jsonNumber(double(p.y));
        printResult(json, "{\"longitude\": " + lon + ", \"latitude\": " + lat + "}", lon + " " + lat);
        return 0;
    }

    return usage(QStringLiteral("unknown geo subcommand \"%1\"").arg(what));
}

}  // namespace vantrel::tool
