#include "PlanTestSupport.h"

#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>
#include <dirent.h>
#include <gtest/gtest.h>

namespace vantrel::test {

using platform::Dictionary;
using platform::Value;

platform::DictionaryPtr userWaypoint(const QString& name, const QString& latitude, const QString& longitude,
                                     const QString& misc) {
    platform::DictionaryPtr w = Dictionary::create();
    w->set("waypoint_name", Value(name));
    w->set("waypoint_latitude", Value(latitude));
    w->set("waypoint_longitude", Value(longitude));
    w->set("misc", Value(misc));
    return w;
}

platform::DictionaryPtr plan(const QString& name, std::vector<platform::DictionaryPtr> waypoints) {
    platform::DictionaryPtr p = Dictionary::create();
    p->set("name", Value("untitled"));
    p->set("waypoint_name", Value(name));
    platform::ArrayPtr wp = platform::Array::create();
    for (auto& w : waypoints) wp->append(Value(w));
    p->set("wp", Value(wp));
    return p;
}

void writePlanFile(const QString& path, const Value& root) { ASSERT_TRUE(platform::plist::writeFile(path, root)); }

platform::DictionaryPtr readPlanFile(const QString& path) { return platform::plist::readFile(path).dictionary(); }

QString xmlPlistProblem(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("cannot open ") + path;
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement()) return QStringLiteral("no root element: ") + xml.errorString();
    if (xml.name() != u"plist" || xml.attributes().value(QStringLiteral("version")) != u"1.0")
        return QStringLiteral("root is <%1 version=%2>").arg(xml.name(), xml.attributes().value(QStringLiteral("version")));
    if (!xml.readNextStartElement() || xml.name() != u"dict") return QStringLiteral("the plist holds no dict");
    while (!xml.atEnd()) xml.readNext();
    return xml.hasError() ? xml.errorString() : QString();
}

QStringList readdirOrder(const QString& folder) {
    QStringList names;
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir) return names;
    while (dirent* entry = readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String("..")) names << name;
    }
    closedir(dir);
    return names;
}

QStringList filesIn(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

}  // namespace vantrel::test
