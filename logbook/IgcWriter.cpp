#include "IgcWriter.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace vantrel::logbook {

namespace {

// The longest receiver text kept: IGC readers expect lines of at most about 76 characters.
constexpr qsizetype kLongestHeaderText = 60;

// Degrees as DDMMmmm (or DDDMMmmm) and the hemisphere letter.
QByteArray coordinate(double degrees, int degreeDigits, char positive, char negative) {
    const char hemisphere = degrees < 0 ? negative : positive;
    // Thousandths of a minute, rounded; a value that rounds up to 60 minutes carries to a degree.
    const int64_t thousandths = std::llround(std::abs(degrees) * 60000.0);
    const int64_t whole = thousandths / 60000;
    const int64_t minutes = thousandths % 60000;
    return QByteArray::number(whole).rightJustified(degreeDigits, '0') + QByteArray::number(minutes).rightJustified(5, '0') +
           hemisphere;
}

QByteArray altitude(std::optional<double> metres) {
    if (!metres || !std::isfinite(*metres)) return "00000";
    // Five characters: up to 99999 m, down to -9999 m.
    int64_t value = std::clamp<int64_t>(std::llround(*metres), -9999, 99999);
    if (value == 0) value = *metres < 0 ? -1 : 1;  // 00000 means no altitude
    if (value < 0) return '-' + QByteArray::number(-value).rightJustified(4, '0');
    return QByteArray::number(value).rightJustified(5, '0');
}

}  // namespace

QByteArray IgcWriter::headerText(const QString& text) {
    QByteArray out;
    for (QChar c : text.left(kLongestHeaderText)) {
        const char16_t u = c.unicode();
        const bool reserved = u == '$' || u == '*' || u == '!' || u == '\\' || u == '^' || u == '~';
        out += (u >= 0x20 && u < 0x7f && !reserved) ? char(u) : '?';
    }
    return out;
}

QByteArray IgcWriter::header(QDate date, const QString& gpsReceiver, bool pressureAltitudes) {
    QByteArray out;
    out += "AXVNREC Vantrel flight recorder\r\n";
    out += "HFDTEDATE:" + date.toString(QStringLiteral("ddMMyy")).toLatin1() + ",01\r\n";
    out += "HFPLTPILOTINCHARGE:\r\n";
    out += "HFGTYGLIDERTYPE:unknown\r\n";
    out += "HFGIDGLIDERID:\r\n";
    out += "HFDTMGPSDATUM:WGS84\r\n";
    out += "HFFTYFRTYPE:Vantrel\r\n";
    out += "HFGPSRECEIVER:" + headerText(gpsReceiver) + "\r\n";
    out += QByteArray("HFPRSPRESSALTSENSOR:") + (pressureAltitudes ? "position source" : "none") + "\r\n";
    out += "HFALGALTGPS:GEO\r\n";
    out += "HFALPALTPRESSURE:ISA\r\n";
    return out;
}

QByteArray IgcWriter::bRecord(const positioning::Fix& fix, bool valid, std::optional<double> gpsAltitudeMetres) {
    const auto seconds = int64_t(std::floor(fix.timestamp));
    const QTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).time();
    QByteArray out;
    out.reserve(kBRecordLength + 2);
    out += 'B';
    out += time.toString(QStringLiteral("HHmmss")).toLatin1();
    out += coordinate(fix.latitude, 2, 'N', 'S');
    out += coordinate(fix.longitude, 3, 'E', 'W');
    out += valid ? 'A' : 'V';
    out += altitude(fix.pressureAltitude);
    out += altitude(gpsAltitudeMetres ? gpsAltitudeMetres : fix.altitude);
    out += "\r\n";
    return out;
}

}  // namespace vantrel::logbook
