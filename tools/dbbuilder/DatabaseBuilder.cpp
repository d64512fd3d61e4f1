#include "DatabaseBuilder.h"

#include "platform/core/Log.h"
#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"
#include "waypoints/NSData_Encryption.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>

namespace vantrel::dbbuilder {

using platform::Array;
using platform::ArrayPtr;
using platform::Value;

namespace {
const QString kCountrySuffix = QStringLiteral("ewpts");
}

bool collectDatabase(const QString& csvDir, const BuildOptions& options, DatabaseContents* contents, BuildStats* stats,
                     QString* error) {
    SourceTables tables;
    if (!readSourceTables(csvDir, &tables, error)) return false;
    BuildStats figures;
    *contents = compileDatabase(tables, options, &figures);
    if (stats) *stats = figures;
    if (contents->countries.empty()) {
        if (error) *error = QStringLiteral("%1: no waypoint in the data").arg(csvDir);
        return false;
    }
    return true;
}

bool writeDatabase(const DatabaseContents& contents, const QString& outDir, BuildStats* stats, QString* error) {
    auto fail = [error](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    QDir dir(outDir);
    if (!dir.mkpath(QStringLiteral("."))) return fail(QStringLiteral("%1: cannot make the folder").arg(outDir));

    QSet<QString> written;
    for (const CountryRecords& country : contents.countries) {
        const QString fileName = QString::fromStdString(country.name) + QLatin1Char('.') + kCountrySuffix;
        const QByteArray payload = platform::KeyedArchive::archive(Value(country.records));
        if (!waypoints::writeToEncryptedFile(payload, dir.filePath(fileName))) {
            return fail(QStringLiteral("%1: cannot write").arg(dir.filePath(fileName)));
        }
        written.insert(fileName);
    }

    ArrayPtr states = Array::create(contents.states.size());
    for (const std::string& name : contents.states) states->append(Value(name));
    QString reason;
    const QString statesPath = dir.filePath(QStringLiteral("states.plist"));
    if (!platform::plist::writeFile(statesPath, Value(states), platform::plist::Format::Xml, &reason)) {
        return fail(QStringLiteral("%1: %2").arg(statesPath, reason));
    }

    // The app takes every entry whose name ends in "ewpts" for a country; leave none from before.
    int removed = 0;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.endsWith(kCountrySuffix) || written.contains(name)) continue;
        if (!QFile::remove(dir.filePath(name))) return fail(QStringLiteral("%1: cannot remove").arg(dir.filePath(name)));
        platform::logLine(QStringLiteral("Removed %1: its country is no longer in the data").arg(name));
        ++removed;
    }
    if (stats) stats->staleFilesRemoved = removed;
    return true;
}

bool buildDatabase(const QString& csvDir, const QString& outDir, BuildStats* stats, QString* error,
                   const BuildOptions& options) {
    QElapsedTimer timer;
    timer.start();
    BuildStats figures;
    DatabaseContents contents;
    const bool ok = collectDatabase(csvDir, options, &contents, &figures, error) &&
                    writeDatabase(contents, outDir, &figures, error);
    figures.elapsedMs = timer.elapsed();
    if (stats) *stats = figures;
    if (!ok) return false;
    for (const QString& line : figures.summary().split(QLatin1Char('\n'))) {
        platform::logLine(QStringLiteral("Database built: %1").arg(line));
    }
    return true;
}

}  // namespace vantrel::dbbuilder
