#include "DatabaseDirectory.h"

#include "platform/core/Paths.h"

#include <QFileInfo>

#include <dirent.h>

namespace vantrel::waypoints {

QString databaseDirectory() {
    QString states = platform::Paths::pathForResource(QStringLiteral("states"), QStringLiteral("plist"));
    return states.isEmpty() ? QString() : QFileInfo(states).absolutePath();
}

QStringList directoryContents(const QString& dir) {
    // readdir gives the file system's own order, as the country files are meant to be taken.
    QStringList names;
    DIR* d = ::opendir(QFile::encodeName(dir).constData());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        QString name = QFile::decodeName(e->d_name);
        if (name != QLatin1String(".") && name != QLatin1String("..")) names.append(name);
    }
    ::closedir(d);
    return names;
}

QStringList countryNamesOf(const QStringList& listing) {
    static const QString suffix = QStringLiteral("ewpts");
    QStringList countries;
    for (const QString& name : listing) {
        if (!name.endsWith(suffix)) continue;
        // The name less its last extension; a leading dot starts a name, not an extension.
        qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        countries.append(dot > 0 ? name.left(dot) : name);
    }
    return countries;
}

}  // namespace vantrel::waypoints
