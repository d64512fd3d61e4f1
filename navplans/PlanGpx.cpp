#include "PlanGpx.h"

#include "NavPlanKeys.h"
#include "NavPlanStore.h"
#include "PlanCoordinates.h"
#include "XmlSafeText.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <optional>

namespace vantrel::navplans::gpx {

using platform::Dictionary;
using platform::DictionaryPtr;
using platform::Value;

namespace {

const QString kGpx10 = QStringLiteral("http://www.topografix.com/GPX/1/0");
const QString kGpx11 = QStringLiteral("http://www.topografix.com/GPX/1/1");
const QString kXsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");

// ---- export ----------------------------------------------------------------------------------

// A record's text as written into the document.
QString textOf(const Value& value) { return xmlSafeText(recordText(value)); }

// The coordinate as GPX writes it (a decimal without exponent): a typed decimal as typed, so that
// the import gives back the very text; anything else that reads as a coordinate in shortest form.
std::optional<QString> coordinateText(const Value& value, Axis axis) {
    static const QRegularExpression plainDecimal(QStringLiteral("^-?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    std::optional<double> number = coordinateOf(value, axis);
    if (!number) return std::nullopt;
    if (value.isString()) {
        const QString typed = value.toQString().trimmed();
        if (plainDecimal.match(typed).hasMatch()) return typed;
    }
    return decimalText(*number);
}

QString quotedText(const Value& value) {
    if (value.isNull()) return QStringLiteral("none");
    return u'"' + (value.isString() ? value.toQString() : QString::fromStdString(value.description())) + u'"';
}

// ---- import ----------------------------------------------------------------------------------

class Reader {
public:
    Reader(const QByteArray& bytes, QString fallbackName) : xml_(bytes), fallbackName_(std::move(fallbackName)) {}

    Import read() {
        if (!xml_.readNextStartElement())
            return failed(xml_.hasError() ? xml_.errorString() : QStringLiteral("the document has no element"));
        if (!isGpx() || xml_.name() != u"gpx")
            return failed(QStringLiteral("the document is not GPX (its root element is <%1>)").arg(xml_.qualifiedName()));
        std::vector<std::optional<QString>> routeNames;
        std::vector<DictionaryPtr> routes;
        platform::ArrayPtr points = platform::Array::create();
        QString documentName;
        int waypointNumber = 0;
        while (xml_.readNextStartElement()) {
            if (!isGpx()) {
                xml_.skipCurrentElement();
            } else if (xml_.name() == u"metadata") {
                readMetadata(documentName);
            } else if (xml_.name() == u"name") {  // GPX 1.0 names the document here
                documentName = elementText();
            } else if (xml_.name() == u"wpt") {
                if (DictionaryPtr point = readPoint(QStringLiteral("waypoint %1").arg(++waypointNumber)))
                    points->append(Value(point));
            } else if (xml_.name() == u"rte") {
                std::optional<QString> name;
                routes.push_back(readRoute(routes.size() + 1, name));
                routeNames.push_back(name);
            } else {
                if (xml_.name() == u"trk") ++import_.tracksSkipped;
                xml_.skipCurrentElement();
            }
        }
        while (!xml_.atEnd()) xml_.readNext();
        if (xml_.hasError()) return failed(xml_.errorString());

        for (size_t i = 0; i < routes.size(); ++i) {
            QString name = routeNames[i].value_or(QString());
            if (name.isEmpty())
                name = routes.size() == 1 ? fallbackName_ : QStringLiteral("%1 route %2").arg(fallbackName_).arg(i + 1);
            routes[i]->set(keys::waypointName, Value(name));
            import_.plans.push_back(routes[i]);
        }
        if (!points->empty()) {
            DictionaryPtr plan = NavPlanStore::newPlan();
            plan->set(keys::waypointName, Value(documentName.isEmpty() ? fallbackName_ : documentName));
            plan->set(keys::wp, Value(points));
            import_.plans.push_back(plan);
        }
        return std::move(import_);
    }

private:
    bool isGpx() const {
        const QStringView ns = xml_.namespaceUri();
        return ns.isEmpty() || ns == kGpx10 || ns == kGpx11;
    }

    Import failed(const QString& reason) {
        Import failure;
        failure.error = QStringLiteral("line %1, column %2: %3").arg(xml_.lineNumber()).arg(xml_.columnNumber()).arg(reason);
        return failure;
    }

    QString elementText() { return xml_.readElementText(QXmlStreamReader::SkipChildElements).trimmed(); }

    void readMetadata(QString& documentName) {
        while (xml_.readNextStartElement()) {
            if (isGpx() && xml_.name() == u"name")
                documentName = elementText();
            else
                xml_.skipCurrentElement();
        }
    }

    DictionaryPtr readRoute(size_t number, std::optional<QString>& name) {
        DictionaryPtr plan = NavPlanStore::newPlan();
        platform::ArrayPtr points = platform::Array::create();
        int pointNumber = 0;
        while (xml_.readNextStartElement()) {
            if (isGpx() && xml_.name() == u"name") {
                name = elementText();
            } else if (isGpx() && xml_.name() == u"rtept") {
                const QString route = name && !name->isEmpty() ? QStringLiteral("route \"%1\"").arg(*name)
                                                               : QStringLiteral("route %1").arg(number);
                if (DictionaryPtr point = readPoint(QStringLiteral("%1, point %2").arg(route).arg(++pointNumber)))
                    points->append(Value(point));
            } else {
                xml_.skipCurrentElement();
            }
        }
        plan->set(keys::wp, Value(points));
        return plan;
    }

    // A point element (wpt or rtept) as a user waypoint, or null when refused.
    DictionaryPtr readPoint(const QString& where) {
        const qint64 line = xml_.lineNumber();
        const QXmlStreamAttributes attributes = xml_.attributes();
        const QString latitude = attributes.value(QString(), QStringLiteral("lat")).toString().trimmed();
        const QString longitude = attributes.value(QString(), QStringLiteral("lon")).toString().trimmed();
        const bool hasLatitude = attributes.hasAttribute(QString(), QStringLiteral("lat"));
        const bool hasLongitude = attributes.hasAttribute(QString(), QStringLiteral("lon"));
        QString name, desc, cmt;
        while (xml_.readNextStartElement()) {
            if (!isGpx()) {
                xml_.skipCurrentElement();
            } else if (xml_.name() == u"name") {
                name = elementText();
            } else if (xml_.name() == u"desc") {
                desc = elementText();
            } else if (xml_.name() == u"cmt") {
                cmt = elementText();
            } else {
                xml_.skipCurrentElement();
            }
        }
        QString problem;
        if (!hasLatitude)
            problem = QStringLiteral("it has no latitude");
        else if (!coordinateOf(Value(latitude), Axis::Latitude))
            problem = QStringLiteral("its latitude \"%1\" is not a number within -90..90").arg(latitude);
        else if (!hasLongitude)
            problem = QStringLiteral("it has no longitude");
        else if (!coordinateOf(Value(longitude), Axis::Longitude))
            problem = QStringLiteral("its longitude \"%1\" is not a number within -180..180").arg(longitude);
        if (!problem.isEmpty()) {
            import_.refused << QStringLiteral("line %1: %2%3 refused: %4")
                                   .arg(line)
                                   .arg(where, name.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(name), problem);
            return {};
        }
        DictionaryPtr point = Dictionary::create(4);
        point->set(keys::waypointName, Value(name.isEmpty() ? QStringLiteral("Untitled") : name));
        point->set(keys::waypointLatitude, Value(latitude));
        point->set(keys::waypointLongitude, Value(longitude));
        point->set(keys::misc, Value(desc.isEmpty() ? cmt : desc));
        return point;
    }

    QXmlStreamReader xml_;
    QString fallbackName_;
    Import import_;
};

}  // namespace

Export routeDocument(const Dictionary& plan) {
    Export out;
    QXmlStreamWriter xml(&out.document);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(kGpx11);
    xml.writeNamespace(kXsi, QStringLiteral("xsi"));
    xml.writeStartElement(kGpx11, QStringLiteral("gpx"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("Vantrel"));
    xml.writeAttribute(kXsi, QStringLiteral("schemaLocation"),
                       QStringLiteral("http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd"));
    xml.writeStartElement(kGpx11, QStringLiteral("rte"));
    const QString planName = textOf(plan.get(keys::waypointName));
    if (!planName.isEmpty()) xml.writeTextElement(kGpx11, QStringLiteral("name"), planName);

    const platform::ArrayPtr waypoints = plan.get(keys::wp).array();
    for (size_t i = 0; waypoints && i < waypoints->size(); ++i) {
        const Dictionary* record = waypoints->at(i).asDictionary();
        const Value latitude = record ? record->get(keys::waypointLatitude) : Value();
        const Value longitude = record ? record->get(keys::waypointLongitude) : Value();
        const QString name = record ? textOf(record->get(keys::waypointName)) : QString();
        std::optional<QString> lat = coordinateText(latitude, Axis::Latitude);
        std::optional<QString> lon = coordinateText(longitude, Axis::Longitude);
        if (!lat || !lon) {
            out.skipped << QStringLiteral("waypoint %1%2 left out: no usable position (latitude %3, longitude %4)")
                               .arg(i + 1)
                               .arg(name.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(name), quotedText(latitude),
                                    quotedText(longitude));
            continue;
        }
        xml.writeStartElement(kGpx11, QStringLiteral("rtept"));
        xml.writeAttribute(QStringLiteral("lat"), *lat);
        xml.writeAttribute(QStringLiteral("lon"), *lon);
        if (!name.isEmpty()) xml.writeTextElement(kGpx11, QStringLiteral("name"), name);
        const QString note = textOf(record->get(keys::misc));
        if (!note.isEmpty()) xml.writeTextElement(kGpx11, QStringLiteral("desc"), note);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

Import readDocument(const QByteArray& bytes, const QString& fallbackName) { return Reader(bytes, fallbackName).read(); }

}  // namespace vantrel::navplans::gpx
