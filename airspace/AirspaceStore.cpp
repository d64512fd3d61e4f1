#include "AirspaceStore.h"

#include "OpenAirReader.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vantrel::airspace {

using platform::Value;

namespace {
constexpr const char* kDefaultsKey = "Airspace";
constexpr const char* kDisabledKey = "disabledFiles";
constexpr const char* kWarningsKey = "warnings";
// Larger than any national file; what is larger is not read into memory.
constexpr qint64 kLargestFile = 256ll * 1024 * 1024;

bool readWhole(const QString& path, QByteArray* bytes, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.size() > kLargestFile) {
        *error = QStringLiteral("larger than %1 MB").arg(kLargestFile >> 20);
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    return true;
}
}  // namespace

AirspaceStore::AirspaceStore(QString folder, platform::UserDefaults* defaults)
    : folder_(std::move(folder)), defaults_(defaults) {
    if (!folder_.isEmpty()) QDir().mkpath(folder_);
}

QString AirspaceStore::defaultFolder() {
    const QString documents = platform::Paths::documentsDirectory();
    if (documents.isEmpty()) return {};
    const QString folder = documents + QStringLiteral("/airspace");
    QDir().mkpath(folder);
    return folder;
}

platform::UserDefaults& AirspaceStore::defaults() const {
    return defaults_ ? *defaults_ : platform::UserDefaults::standardUserDefaults();
}

QStringList AirspaceStore::fileNames() const {
    if (folder_.isEmpty()) return {};
    QDir dir(folder_);
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    // What an interrupted import left behind is no file of the pilot's.
    QStringList targets;
    for (const QString& name : names)
        if (platform::atomicWriteTargetOf(name).isEmpty()) targets << name;
    platform::removeStaleTemporaryFiles(folder_, targets);
    names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    QStringList out;
    for (const QString& name : names)
        if (platform::atomicWriteTargetOf(name).isEmpty() || targets.contains(name)) out << name;
    return out;
}

AirspaceStore::ImportResult AirspaceStore::importFile(const QString& path, bool replace, const QString& asName) {
    ImportResult result;
    result.fileName = asName.isEmpty() ? QFileInfo(path).fileName() : asName;
    if (folder_.isEmpty()) {
        result.error = QStringLiteral("there is no documents folder");
        return result;
    }
    if (result.fileName.isEmpty() || result.fileName.startsWith(QLatin1Char('.')) ||
        result.fileName.contains(QLatin1Char('/'))) {
        result.error = QStringLiteral("\"%1\" is no file name to keep").arg(result.fileName);
        return result;
    }
    QByteArray bytes;
    if (!readWhole(path, &bytes, &result.error)) {
        result.error = QStringLiteral("%1: %2").arg(path, result.error);
        return result;
    }
    const ReadResult read = readOpenAir(bytes, result.fileName);
    result.airspaces = int(read.airspaces.size());
    result.skippedAirspaces = read.skippedAirspaces;
    result.skippedLines = read.skippedLines;
    if (read.airspaces.empty()) {
        result.outcome = Outcome::NothingRead;
        return result;
    }
    const QString target = folder_ + QLatin1Char('/') + result.fileName;
    const bool exists = QFileInfo::exists(target);
    if (exists && !replace) {
        result.outcome = Outcome::Exists;
        return result;
    }
    if (exists && !QFileInfo(target).isFile()) {
        result.error = QStringLiteral("%1 is not a file; not replaced").arg(target);
        return result;
    }
    if (!platform::writeFileAtomically(target, bytes, &result.error)) {
        platform::logLine(QStringLiteral("Airspace import failed: %1").arg(result.error));
        return result;
    }
    result.outcome = exists ? Outcome::Replaced : Outcome::Imported;
    platform::logLine(QStringLiteral("Airspace file %1 %2: %3 airspaces")
                          .arg(result.fileName, exists ? "replaced" : "imported")
                          .arg(result.airspaces));
    return result;
}

QString AirspaceStore::freeFileName(const QString& fileName) const {
    if (folder_.isEmpty() || !QFileInfo::exists(folder_ + QLatin1Char('/') + fileName)) return fileName;
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? fileName.left(dot) : fileName;
    const QString extension = dot > 0 ? fileName.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 %2%3").arg(stem).arg(n).arg(extension);
        if (!QFileInfo::exists(folder_ + QLatin1Char('/') + candidate)) return candidate;
    }
}

bool AirspaceStore::removeFile(const QString& fileName) {
    if (folder_.isEmpty() || fileName.contains(QLatin1Char('/')) || !fileNames().contains(fileName)) return false;
    if (!QFile::remove(folder_ + QLatin1Char('/') + fileName)) return false;
    setEnabled(fileName, true);  // a later file of that name starts on
    return true;
}

QStringList AirspaceStore::disabledFiles() const {
    QStringList out;
    const Value settings = defaults().objectForKey(kDefaultsKey);
    const platform::DictionaryPtr dict = settings.dictionary();
    if (!dict) return out;
    const platform::ArrayPtr list = dict->get(kDisabledKey).array();
    if (!list) return out;
    for (const Value& v : *list)
        if (v.isString()) out << v.toQString();
    return out;
}

bool AirspaceStore::isEnabled(const QString& fileName) const { return !disabledFiles().contains(fileName); }

void AirspaceStore::setEnabled(const QString& fileName, bool enabled) {
    QStringList disabled = disabledFiles();
    if (disabled.contains(fileName) == !enabled) return;
    if (enabled)
        disabled.removeAll(fileName);
    else
        disabled << fileName;
    platform::ArrayPtr list = platform::Array::create(size_t(disabled.size()));
    for (const QString& name : disabled) list->append(Value(name));
    setSetting(kDisabledKey, Value(list));
}

void AirspaceStore::setSetting(const char* key, const Value& value) {
    const platform::DictionaryPtr old = defaults().objectForKey(kDefaultsKey).dictionary();
    platform::DictionaryPtr settings = old ? old->mutableCopy() : platform::Dictionary::create(1);
    settings->set(key, value);
    defaults().setObject(kDefaultsKey, Value(settings));
}

bool AirspaceStore::warningsEnabled() const {
    const platform::DictionaryPtr dict = defaults().objectForKey(kDefaultsKey).dictionary();
    if (!dict) return true;
    const Value value = dict->get(kWarningsKey);
    return value.type() == platform::ValueType::Boolean ? value.boolValue() : true;
}

void AirspaceStore::setWarningsEnabled(bool enabled) { setSetting(kWarningsKey, Value::boolean(enabled)); }

LoadedAirspaces AirspaceStore::load() const {
    LoadedAirspaces loaded;
    std::vector<Airspace> all;
    const QStringList disabled = disabledFiles();
    for (const QString& name : fileNames()) {
        AirspaceFile entry;
        entry.fileName = name;
        entry.enabled = !disabled.contains(name);
        QByteArray bytes;
        QString error;
        if (!readWhole(folder_ + QLatin1Char('/') + name, &bytes, &error)) {
            platform::logLine(QStringLiteral("Airspace file %1 not read: %2").arg(name, error));
        } else {
            ReadResult read = readOpenAir(bytes, name);
            entry.airspaces = int(read.airspaces.size());
            entry.skippedAirspaces = read.skippedAirspaces;
            entry.skippedLines = read.skippedLines;
            if (entry.enabled)
                std::move(read.airspaces.begin(), read.airspaces.end(), std::back_inserter(all));
        }
        loaded.files.push_back(entry);
    }
    loaded.index = std::make_shared<const AirspaceIndex>(std::move(all));
    return loaded;
}

AirspaceLibrary& AirspaceLibrary::shared() {
    static AirspaceLibrary library;
    return library;
}

LoadedAirspaces AirspaceLibrary::current() const {
    std::lock_guard lock(mutex_);
    return loaded_;
}

void AirspaceLibrary::publish(LoadedAirspaces loaded) {
    if (!loaded.index) loaded.index = std::make_shared<const AirspaceIndex>();
    std::lock_guard lock(mutex_);
    loaded_ = std::move(loaded);
}

void AirspaceLibrary::loadFrom(const AirspaceStore& store) { publish(store.load()); }

}  // namespace vantrel::airspace
