// plist dump FILE: XML and binary property lists and keyed archives, as text or JSON.

#include "Commands.h"
#include "Json.h"

#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"

#include <QFile>
#include <cstdio>

namespace vantrel::tool {

int runPlistCommand(const QStringList& args, bool json) {
    if (args.size() != 2 || args[0] != QLatin1String("dump")) {
        std::fputs("usage: vantrel-tool plist dump FILE\n", stderr);
        return 2;
    }
    QFile file(args[1]);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s: %s\n", qPrintable(args[1]), qPrintable(file.errorString()));
        return 1;
    }
    QByteArray bytes = file.readAll();
    QString error;
    platform::Value value = platform::plist::parse(bytes, &error);
    if (value.isNull() && error.isEmpty()) error = QStringLiteral("empty property list");
    if (value.isNull()) {
        std::fprintf(stderr, "%s is not a property list: %s\n", qPrintable(args[1]), qPrintable(error));
        return 1;
    }
    // A keyed archive is shown as the object graph it holds.
    platform::DictionaryPtr top = value.dictionary();
    if (top && top->contains("$archiver") && top->contains("$objects")) {
        platform::Value root = platform::KeyedArchive::unarchive(bytes, &error);
        if (root.isNull() && !error.isEmpty()) {
            std::fprintf(stderr, "%s is a damaged keyed archive: %s\n", qPrintable(args[1]), qPrintable(error));
            return 1;
        }
        value = root;
    }
    std::string text = json ? toJson(value) : value.description();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

}  // namespace vantrel::tool
