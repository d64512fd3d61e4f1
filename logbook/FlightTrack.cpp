#include "FlightTrack.h"

#include "FlightRecord.h"

#include "platform/core/DocumentsLock.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "positioning/Geodesy.h"
#include "positioning/sources/IgcParser.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamWriter>

#include <cmath>

namespace vantrel::logbook {

QString FlightTrack::fileName(const platform::Dictionary& record) {
    const auto seconds = int64_t(std::floor(flightDate(record)));
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(QStringLiteral("yyyyMMdd-HHmmss")) +
           QStringLiteral(".igc");
}

QString FlightTrack::path(const platform::Dictionary& record) {
    const QString folder = platform::Paths::documentsDirectory();
    if (folder.isEmpty()) return {};
    return folder + QStringLiteral("/tracks/") + fileName(record);
}

std::vector<positioning::Fix> FlightTrack::read(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return {};
    const QDate fallback = QFileInfo(path).lastModified().toUTC().date();
    return positioning::IgcParser::parse(file.readAll(), QStringLiteral("Track %1").arg(QFileInfo(path).fileName()), fallback);
}

std::optional<TrackSummary> FlightTrack::summarize(const std::vector<positioning::Fix>& fixes) {
    if (fixes.empty()) return std::nullopt;
    TrackSummary summary;
    summary.fixes = fixes.size();
    summary.duration = fixes.back().timestamp - fixes.front().timestamp;
    for (size_t i = 1; i < fixes.size(); ++i)
        summary.distance += positioning::Geodesy::calcDistanceInMeters(fixes[i - 1].longitude, fixes[i - 1].latitude,
                                                                       fixes[i].longitude, fixes[i].latitude);
    return summary;
}

QByteArray FlightTrack::gpx(const std::vector<positioning::Fix>& fixes, const QString& name) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("gpx"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("Vantrel"));
    xml.writeStartElement(QStringLiteral("trk"));
    xml.writeTextElement(QStringLiteral("name"), name);
    xml.writeStartElement(QStringLiteral("trkseg"));
    for (const positioning::Fix& fix : fixes) {
        xml.writeStartElement(QStringLiteral("trkpt"));
        xml.writeAttribute(QStringLiteral("lat"), QString::number(fix.latitude, 'f', 6));
        xml.writeAttribute(QStringLiteral("lon"), QString::number(fix.longitude, 'f', 6));
        xml.writeTextElement(QStringLiteral("time"),
                             QDateTime::fromSecsSinceEpoch(int64_t(std::floor(fix.timestamp)), Qt::UTC).toString(Qt::ISODate));
        // A fix the recorder marked not good for navigation.
        if (!(fix.horizontalAccuracy > -1.0)) xml.writeTextElement(QStringLiteral("fix"), QStringLiteral("none"));
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

bool FlightTrack::remove(const platform::Dictionary& record) {
    const QString file = path(record);
    if (file.isEmpty() || !QFileInfo::exists(file)) return true;
    if (const QString refusal = platform::pilotFilesWriteRefusal(); !refusal.isEmpty()) {
        platform::logLine(QStringLiteral("The track %1 of a deleted flight is kept: %2").arg(file, refusal));
        return false;
    }
    if (QFile::remove(file)) {
        platform::logLine(QStringLiteral("Deleted the track %1 with its flight").arg(file));
        return true;
    }
    platform::logLine(QStringLiteral("The track %1 of a deleted flight could not be deleted").arg(file));
    return false;
}

}  // namespace vantrel::logbook
