// container pack|unpack IN OUT. One container per process, so that a fresh process always draws
// the same first table.

#include "Commands.h"

#include "platform/core/AtomicFile.h"
#include "waypoints/NSData_Encryption.h"

#include <QFile>
#include <cstdio>

namespace vantrel::tool {

int runContainerCommand(const QStringList& args, bool) {
    if (args.size() != 3 || (args[0] != QLatin1String("pack") && args[0] != QLatin1String("unpack"))) {
        std::fputs("usage: vantrel-tool container pack|unpack IN OUT\n", stderr);
        return 2;
    }
    const QString& in = args[1];
    const QString& out = args[2];
    if (args[0] == QLatin1String("pack")) {
        QFile file(in);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s: %s\n", qPrintable(in), qPrintable(file.errorString()));
            return 1;
        }
        if (!waypoints::writeToEncryptedFile(file.readAll(), out)) {
            std::fprintf(stderr, "cannot write the container %s\n", qPrintable(out));
            return 1;
        }
        return 0;
    }
    bool ok = false;
    QByteArray payload = waypoints::dataWithContentsOfEncryptedFile(in, &ok);
    if (!ok) {
        std::fprintf(stderr, "%s is not a container (missing, unreadable or shorter than its 256-byte table)\n",
                     qPrintable(in));
        return 1;
    }
    QString error;
    if (!platform::writeFileAtomically(out, payload, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

}  // namespace vantrel::tool
