// vantrel-tool geo: the geodesy operations of the location manager and the magnetic model, for
// scripts.

#include "Commands.h"
#include "Json.h"

#include "positioning/Fix.h"
#include "positioning/Geodesy.h"
#include "positioning/MagneticModel.h"

#include <QDate>
#include <QDateTime>

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
    "                                                          the point at FACTOR (0..1) of the route\n"
    "       vantrel-tool geo magvar LAT LON [ALT_M] [DATE]     magnetic declination (east positive),\n"
    "                                                          inclination and total field; DATE a decimal\n"
    "                                                          year (2027.5) or an ISO date, today if absent\n";

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

// "2027.5" (a decimal point is what tells a year from an altitude) or "2027-07-02"; nothing for
// anything else.
std::optional<double> decimalYearOf(const QString& text) {
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid()) return positioning::MagneticModel::decimalYear(date);
    bool ok = false;
    const double year = text.toDouble(&ok);
    if (!ok || !std::isfinite(year) || year < 1900.0 || year > 2200.0 || !text.contains(QLatin1Char('.'))) return std::nullopt;
    return year;
}

int magvar(const QStringList& args, bool json) {
    if (args.size() < 3 || args.size() > 5) return usage(QStringLiteral("geo magvar wants LAT LON [ALT_M] [DATE]"));
    bool okLat = false, okLon = false, okAlt = true;
    const double lat = args[1].toDouble(&okLat), lon = args[2].toDouble(&okLon);
    if (!okLat || !okLon || std::abs(lat) > 90.0 || std::abs(lon) > 180.0)
        return usage(QStringLiteral("geo magvar wants a latitude (-90..90) and a longitude (-180..180)"));
    double altitude = 0.0;
    double year = positioning::MagneticModel::decimalYear(double(QDateTime::currentSecsSinceEpoch()));
    qsizetype next = 3;
    // A third argument is the altitude when it is a plain number and a fourth follows or it is no year.
    if (args.size() == 5 || (args.size() == 4 && !decimalYearOf(args[3]))) {
        altitude = args[3].toDouble(&okAlt);
        if (!okAlt || !positioning::plausibleAltitude(altitude))
            return usage(QStringLiteral("geo magvar: the altitude is metres from -1000 to 30000, not \"%1\"").arg(args[3]));
        next = 4;
    }
    if (next < args.size()) {
        std::optional<double> given = decimalYearOf(args[next]);
        if (!given) return usage(QStringLiteral("geo magvar: \"%1\" is no decimal year or ISO date").arg(args[next]));
        year = *given;
    }
    const positioning::MagneticModel* model = positioning::MagneticModel::builtIn();
    if (!model) {
        std::fprintf(stderr, "the built-in magnetic model is damaged\n");
        return 1;
    }
    const positioning::MagneticField f = model->field(lat, lon, altitude, year);
    if (f.expired) std::fprintf(stderr, "%s\n", qPrintable(model->expiryText(year)));
    if (year < model->epoch())
        std::fprintf(stderr, "%.1f is before the model's epoch %.1f: the values are extrapolated back\n", year, model->epoch());
    if (json) {
        std::printf("{\"declination\": %s, \"inclination\": %s, \"totalField\": %s, \"model\": %s, \"expired\": %s}\n",
                    jsonNumber(f.declination).c_str(), jsonNumber(f.inclination).c_str(), jsonNumber(f.totalField).c_str(),
                    jsonString(model->name().toStdString()).c_str(), f.expired ? "true" : "false");
    } else {
        std::printf("declination %.2f° %s  inclination %.2f°  total field %.0f nT  (%s, %.2f)\n", std::abs(f.declination),
                    f.declination >= 0 ? "E" : "W", f.inclination, f.totalField, qPrintable(model->name()), year);
    }
    return 0;
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

    if (what == QLatin1String("magvar")) return magvar(args, json);

    return usage(QStringLiteral("unknown geo subcommand \"%1\"").arg(what));
}

}  // namespace vantrel::tool
