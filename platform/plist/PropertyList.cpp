#include "PropertyList.h"

#include "BinaryPlist.h"
#include "ObjectTable.h"
#include "XmlPlist.h"

#include "../core/AtomicFile.h"
#include "../core/Log.h"

#include <QFile>
#include <QFileInfo>

namespace vantrel::platform::plist {

namespace {
void report(QString* error, const QString& reason) {
    if (error) *error = reason;
}
}  // namespace

Value parse(const QByteArray& bytes, QString* error) {
    ObjectTable table;
    QString reason;
    Value value;
    if (table.read(bytes, &reason)) value = table.toValue(table.top(), &reason);
    if (!reason.isEmpty()) {
        logLine(QStringLiteral("Property list unreadable: %1").arg(reason));
        report(error, reason);
        return {};
    }
    return value;
}

Value readFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.exists()) {
        report(error, QStringLiteral("%1 does not exist").arg(path));
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        QString reason = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        logLine(QStringLiteral("Property list unreadable: %1").arg(reason));
        report(error, reason);
        return {};
    }
    QString reason;
    Value value = parse(file.readAll(), &reason);
    if (!reason.isEmpty()) report(error, QStringLiteral("%1: %2").arg(path, reason));
    return value;
}

QByteArray toXml(const Value& value, QString* error) { return XmlPlist::write(value, error); }

QByteArray toBinary(const Value& value, QString* error) { return BinaryPlist::write(value, error); }

bool writeFile(const QString& path, const Value& value, Format format, QString* error) {
    QString reason;
    QByteArray bytes = format == Format::Xml ? toXml(value, &reason) : toBinary(value, &reason);
    if (bytes.isEmpty()) {
        report(error, QStringLiteral("cannot write %1: %2").arg(path, reason));
        return false;
    }
    QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        report(error, QStringLiteral("cannot write %1: the folder %2 does not exist").arg(path, folder));
        return false;
    }
    // Written beside the file, synced, and renamed over it only once everything is on the disk.
    return writeFileAtomically(path, bytes, error);
}

}  // namespace vantrel::platform::plist
