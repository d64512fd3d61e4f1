// plist dump FILE: XML and binary property lists and keyed archives, as text or JSON.
//
// A keyed archive is shown as the object graph it holds: its root object when "root" is its only
// top key (as the app's archives have), else a dictionary of every top key. Instances of classes
// that the platform does not know show as {"$class": name, fields...}, a cycle as {"$ref": n}
// (n: the index of the object in "$objects"). In JSON, dates are ISO 8601 UTC text with
// microseconds, integers exact over the signed and unsigned 64-bit ranges.

#include "Commands.h"
#include "Json.h"

#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

namespace vantrel::tool {

namespace {

// Whether printing the value shows at most `budget` values. A file that shares its arrays and
// dictionaries (any plist may, an archive its objects) can hold a graph whose printout grows
// exponentially with the file; such a graph is refused rather than printed without end.
bool printable(const platform::Value& v, size_t& budget) {
    if (budget == 0) return false;
    --budget;
    if (const platform::Array* a = v.asArray()) {
        for (const platform::Value& item : *a)
            if (!printable(item, budget)) return false;
    } else if (const platform::Dictionary* d = v.asDictionary()) {
        for (const platform::Dictionary::Entry& e : *d)
            if (!printable(e.value, budget)) return false;
    }
    return true;
}

}  // namespace

int runPlistCommand(const QStringList& args, bool json) {
    if (args.size() != 2 || args[0] != QLatin1String("dump")) {
        std::fputs("usage: vantrel-tool [--json] plist dump FILE\n"
                   "  prints an XML or binary property list, or the objects of a keyed archive (its root\n"
                   "  object, or a dictionary of every top key when there are others); instances of\n"
                   "  other classes as {\"$class\": name, fields}, a cycle as {\"$ref\": index}.\n"
                   "  JSON dates are ISO 8601 UTC with microseconds (2021-06-30T12:34:56.250000Z).\n",
                   stderr);
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
        platform::Value objects = platform::KeyedArchive::unarchiveTopObjects(bytes, &error);
        if (objects.isNull() && !error.isEmpty()) {
            std::fprintf(stderr, "%s is a damaged keyed archive: %s\n", qPrintable(args[1]), qPrintable(error));
            return 1;
        }
        platform::DictionaryPtr topObjects = objects.dictionary();
        value = topObjects && topObjects->size() == 1 && topObjects->contains("root") ? topObjects->get("root") : objects;
    }
    // Generous: a value takes at least one byte of the file unless it is shared.
    const size_t limit = std::max<size_t>(size_t(1) << 22, size_t(bytes.size()) * 64);
    size_t budget = limit;
    if (!printable(value, budget)) {
        std::fprintf(stderr, "%s shares its objects so widely that printing it would not end (over %zu values)\n",
                     qPrintable(args[1]), limit);
        return 1;
    }
    std::string text = json ? toJson(value) : value.description();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

}  // namespace vantrel::tool
