#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <mutex>

namespace vantrel::platform {

namespace {
struct Overrides {
    std::mutex mutex;
    QString bundle, database, documents, defaults;
};
Overrides& overrides() {
    static Overrides o;
    return o;
}

QString fromEnv(const char* name) { return QString::fromLocal8Bit(qgetenv(name)); }

QString executableDirectory() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}
}  // namespace

QString Paths::bundleDirectory() {
    {
        std::lock_guard lock(overrides().mutex);
        if (!overrides().bundle.isEmpty()) return overrides().bundle;
    }
    QString env = fromEnv("VANTREL_BUNDLE_DIR");
    if (!env.isEmpty()) return env;
    QString exe = executableDirectory();
    QString installed = QDir::cleanPath(exe + QStringLiteral("/../share/vantrel"));
    if (QFileInfo(installed).isDir()) return installed;
#ifdef VANTREL_BUILD_BUNDLE_DIR
    return QStringLiteral(VANTREL_BUILD_BUNDLE_DIR);
#else
    return exe + QStringLiteral("/bundle");
#endif
}

QString Paths::databaseDirectory() {
    {
        std::lock_guard lock(overrides().mutex);
        if (!overrides().database.isEmpty()) return overrides().database;
    }
    QString env = fromEnv("VANTREL_DATABASE_DIR");
    if (!env.isEmpty()) return env;
    return bundleDirectory() + QStringLiteral("/database");
}

QString Paths::documentsDirectory() {
    QString dir;
    {
        std::lock_guard lock(overrides().mutex);
        dir = overrides().documents;
    }
    if (dir.isEmpty()) dir = fromEnv("VANTREL_DOCUMENTS_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/vantrel");
    QDir().mkpath(dir);
    return dir;
}

QString Paths::defaultsFile() {
    {
        std::lock_guard lock(overrides().mutex);
        if (!overrides().defaults.isEmpty()) return overrides().defaults;
    }
    QString env = fromEnv("VANTREL_DEFAULTS_FILE");
    if (!env.isEmpty()) return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/vantrel/defaults.plist");
}

void Paths::setBundleDirectory(const QString& dir) { std::lock_guard l(overrides().mutex); overrides().bundle = dir; }
void Paths::setDatabaseDirectory(const QString& dir) { std::lock_guard l(overrides().mutex); overrides().database = dir; }
void Paths::setDocumentsDirectory(const QString& dir) { std::lock_guard l(overrides().mutex); overrides().documents = dir; }
void Paths::setDefaultsFile(const QString& file) { std::lock_guard l(overrides().mutex); overrides().defaults = file; }

QString Paths::pathForResource(const QString& name, const QString& type) {
    QString file = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    for (const QString& dir : {databaseDirectory(), bundleDirectory(), bundleDirectory() + QStringLiteral("/resources")}) {
        QString path = dir + QLatin1Char('/') + file;
        if (QFileInfo(path).isFile()) return path;
    }
    return {};
}

}  // namespace vantrel::platform
