#include "PlanCup.h"

#include "NavPlanKeys.h"

#include <QStringDecoder>
#include <QRegularExpression>
#include <cmath>
#include <unordered_map>

namespace vantrel::navplans::cup {

using platform::Dictionary;
using platform::DictionaryPtr;
using platform::Value;

namespace {

const platform::Key kElevation{"waypoint_elevation"};
constexpr double kMetresPerFoot = 0.3048;

// Shortest fixed-point text with at most seven decimals (about a centimetre).
QString degreesText(double degrees) {
    QString text = QString::number(degrees, 'f', 7);
    while (text.endsWith(u'0')) text.chop(1);
    if (text.endsWith(u'.')) text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString decoded(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);  // the older files are Windows Latin-1
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
}

// Which field holds what; by default the classic column order.
struct Columns {
    int name = 0, code = 1, lat = 3, lon = 4, elev = 5, desc = 10;
    int needed() const { return std::max({name, lat, lon}) + 1; }
};

Columns columnsOf(const QStringList& header) {
    Columns c;
    c.name = c.code = c.lat = c.lon = c.elev = c.desc = -1;
    for (int i = 0; i < header.size(); ++i) {
        const QString h = header[i].trimmed().toLower();
        if (h == u"name") c.name = i;
        else if (h == u"code") c.code = i;
        else if (h == u"lat") c.lat = i;
        else if (h == u"lon") c.lon = i;
        else if (h == u"elev") c.elev = i;
        else if (h == u"desc") c.desc = i;
    }
    return c;
}

QString field(const QStringList& fields, int index) {
    return index >= 0 && index < fields.size() ? fields[index].trimmed() : QString();
}

class Reader {
public:
    Reader(const QByteArray& bytes, QString fallbackName) : bytes_(bytes), fallbackName_(std::move(fallbackName)) {}

    gpx::Import read() {
        if (bytes_.contains('\0')) {
            import_.error = QStringLiteral("the file is not a CUP waypoint file (it holds binary bytes)");
            return std::move(import_);
        }
        const QStringList lines = decoded(bytes_).split(u'\n');
        platform::ArrayPtr points = platform::Array::create();
        bool inTasks = false;
        bool sawHeader = false;
        bool first = true;
        for (int number = 1; number <= lines.size(); ++number) {
            QString line = lines[number - 1];
            if (line.endsWith(u'\r')) line.chop(1);
            if (line.trimmed().isEmpty()) continue;
            if (line.trimmed().startsWith(QLatin1String("-----Related Tasks"), Qt::CaseInsensitive)) {
                inTasks = true;
                continue;
            }
            const std::optional<QStringList> fields = splitFields(line);
            if (!fields) {
                refuse(number, QStringLiteral("a quote is left open"));
                continue;
            }
            if (!inTasks) {
                if (first && !sawHeader && field(*fields, 0).toLower() == u"name") {
                    columns_ = columnsOf(*fields);
                    sawHeader = true;
                    if (columns_.name < 0 || columns_.lat < 0 || columns_.lon < 0) {
                        import_.error = QStringLiteral("line %1: the column names lack name, lat or lon").arg(number);
                        return std::move(import_);
                    }
                    first = false;
                    continue;
                }
                first = false;
                if (DictionaryPtr point = readPoint(*fields, number)) {
                    byName_.emplace(recordName(*point), point);
                    points->append(Value(point));
                }
                continue;
            }
            readTaskLine(line, *fields, number);
        }
        if (!points->empty()) {
            DictionaryPtr plan = Dictionary::create(3);
            plan->set(keys::name, Value("untitled"));
            plan->set(keys::waypointName, Value(fallbackName_.isEmpty() ? QStringLiteral("Waypoints") : fallbackName_));
            plan->set(keys::wp, Value(points));
            import_.plans.insert(import_.plans.begin(), plan);
        }
        for (DictionaryPtr& task : tasks_) import_.plans.push_back(task);
        return std::move(import_);
    }

private:
    static QString recordName(const Dictionary& point) { return point.get(keys::waypointName).toQString(); }

    void refuse(int number, const QString& why) { import_.refused << QStringLiteral("line %1: %2; left out").arg(number).arg(why); }

    DictionaryPtr readPoint(const QStringList& fields, int number) {
        if (fields.size() < columns_.needed()) {
            refuse(number, QStringLiteral("%1 fields, a waypoint needs %2").arg(fields.size()).arg(columns_.needed()));
            return {};
        }
        const QString name = field(fields, columns_.name);
        const QString lat = field(fields, columns_.lat);
        const QString lon = field(fields, columns_.lon);
        const std::optional<double> latitude = coordinateOf(lat, false);
        const std::optional<double> longitude = coordinateOf(lon, true);
        const QString label = name.isEmpty() ? QString() : QStringLiteral(" (\"%1\")").arg(name);
        if (!latitude) {
            refuse(number, QStringLiteral("the latitude \"%1\"%2 is not like 4612.345N").arg(lat, label));
            return {};
        }
        if (!longitude) {
            refuse(number, QStringLiteral("the longitude \"%1\"%2 is not like 00612.345E").arg(lon, label));
            return {};
        }
        const QString elev = field(fields, columns_.elev);
        std::optional<double> elevation;
        if (!elev.isEmpty()) {
            elevation = elevationMetres(elev);
            if (!elevation) {
                refuse(number, QStringLiteral("the elevation \"%1\"%2 is not metres or feet").arg(elev, label));
                return {};
            }
        }
        const QString code = field(fields, columns_.code);
        const QString desc = field(fields, columns_.desc);
        QString note = code;
        if (!desc.isEmpty()) note = note.isEmpty() ? desc : note + QStringLiteral(" - ") + desc;
        DictionaryPtr point = Dictionary::create(5);
        point->set(keys::waypointName, Value(name.isEmpty() ? (code.isEmpty() ? QStringLiteral("Untitled") : code) : name));
        point->set(keys::waypointLatitude, Value(degreesText(*latitude)));
        point->set(keys::waypointLongitude, Value(degreesText(*longitude)));
        point->set(keys::misc, Value(note));
        if (elevation) point->set(kElevation, Value::real(*elevation));
        return point;
    }

    void readTaskLine(const QString& line, const QStringList& fields, int number) {
        static const QRegularExpression pointLine(QStringLiteral("^\\s*Point\\s*=\\s*(\\d+)\\s*,"), QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression settingLine(QStringLiteral("^\\s*(Options|ObsZone|Starts|Sectors)\\s*[=,]"),
                                                   QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch point = pointLine.match(line);
        if (point.hasMatch()) {
            readTaskPoint(line.mid(point.capturedEnd()), point.captured(1), number);
            return;
        }
        if (settingLine.match(line).hasMatch()) return;  // Options, ObsZone, ...
        QString name = field(fields, 0);
        if (name.isEmpty()) name = QStringLiteral("Task %1").arg(tasks_.size() + 1);
        platform::ArrayPtr waypoints = platform::Array::create();
        for (int i = 1; i < fields.size(); ++i) {
            const QString wanted = fields[i].trimmed();
            if (wanted.isEmpty()) continue;
            auto found = byName_.find(wanted);
            if (found == byName_.end()) {
                refuse(number, QStringLiteral("task \"%1\" names the waypoint \"%2\", which the file does not hold").arg(name, wanted));
                continue;
            }
            waypoints->append(Value(copyOf(*found->second)));
        }
        DictionaryPtr plan = Dictionary::create(3);
        plan->set(keys::name, Value("untitled"));
        plan->set(keys::waypointName, Value(name));
        plan->set(keys::wp, Value(waypoints));
        tasks_.push_back(plan);
    }

    // "Point=N,<a waypoint line>": the task's point N (from 0) given in place.
    void readTaskPoint(const QString& rest, const QString& index, int number) {
        const std::optional<QStringList> fields = splitFields(rest);
        if (tasks_.empty() || !fields) {
            refuse(number, tasks_.empty() ? QStringLiteral("a task point before any task") : QStringLiteral("a quote is left open"));
            return;
        }
        DictionaryPtr point = readPoint(*fields, number);
        if (!point) return;
        platform::ArrayPtr waypoints = tasks_.back()->get(keys::wp).array();
        bool ok = false;
        const qsizetype n = index.toLongLong(&ok);
        if (!ok || n < 0 || size_t(n) > waypoints->size()) {
            refuse(number, QStringLiteral("task point %1 is beyond the task's %2 points").arg(index).arg(waypoints->size()));
            return;
        }
        if (size_t(n) == waypoints->size())
            waypoints->append(Value(point));
        else
            waypoints->set(size_t(n), Value(point));
    }

    // Each plan holds records of its own, so that editing one plan never changes another.
    static DictionaryPtr copyOf(const Dictionary& point) {
        DictionaryPtr copy = Dictionary::create(point.size());
        for (const auto& key : {keys::waypointName, keys::waypointLatitude, keys::waypointLongitude, keys::misc, kElevation}) {
            const Value v = point.get(key);
            if (!v.isNull()) copy->set(key, v);
        }
        return copy;
    }

    const QByteArray& bytes_;
    QString fallbackName_;
    Columns columns_;
    std::unordered_map<QString, DictionaryPtr> byName_;  // the first waypoint of each name
    std::vector<DictionaryPtr> tasks_;
    gpx::Import import_;
};

}  // namespace

std::optional<QStringList> splitFields(const QString& line) {
    QStringList fields;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < line.size() && line[i + 1] == u'"') {
                    current += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                current += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << current;
            current.clear();
        } else {
            current += c;
        }
    }
    if (quoted) return std::nullopt;
    fields << current;
    return fields;
}

std::optional<double> coordinateOf(const QString& text, bool longitude) {
    static const QRegularExpression latitudeForm(QStringLiteral("^(\\d{2})(\\d{2}(?:\\.\\d+)?)([NSns])$"));
    static const QRegularExpression longitudeForm(QStringLiteral("^(\\d{3})(\\d{2}(?:\\.\\d+)?)([EWew])$"));
    const QRegularExpressionMatch m = (longitude ? longitudeForm : latitudeForm).match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    const double degrees = m.captured(1).toDouble();
    const double minutes = m.captured(2).toDouble();
    if (!(minutes < 60.0)) return std::nullopt;
    double value = degrees + minutes / 60.0;
    if (value > (longitude ? 180.0 : 90.0)) return std::nullopt;
    const QChar hemisphere = m.captured(3).at(0).toUpper();
    if (hemisphere == u'S' || hemisphere == u'W') value = -value;
    return value;
}

std::optional<double> elevationMetres(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(-?\\d+(?:\\.\\d*)?)\\s*(m|ft)?$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    const double value = m.captured(1).toDouble();
    if (!std::isfinite(value) || std::abs(value) > 100000.0) return std::nullopt;
    return m.captured(2).compare(QLatin1String("ft"), Qt::CaseInsensitive) == 0 ? value * kMetresPerFoot : value;
}

gpx::Import readDocument(const QByteArray& bytes, const QString& fallbackName) { return Reader(bytes, fallbackName).read(); }

}  // namespace vantrel::navplans::cup
