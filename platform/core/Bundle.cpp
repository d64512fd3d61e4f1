#include "Bundle.h"

#include "Log.h"
#include "Paths.h"
#include "../plist/PropertyList.h"

namespace vantrel::platform {

Value infoDictionaryValue(std::string_view key) {
    static const DictionaryPtr info = [] {
        QString path = Paths::pathForResource(QStringLiteral("Info"), QStringLiteral("plist"));
        QString error;
        DictionaryPtr d = path.isEmpty() ? DictionaryPtr() : plist::readFile(path, &error).dictionary();
        if (!d) {
            logLine(QStringLiteral("The bundle's Info.plist could not be read%1").arg(error.isEmpty() ? QString() : QStringLiteral(": ") + error));
            d = Dictionary::create();
        }
        return d;
    }();
    return info->get(key);
}

}  // namespace vantrel::platform
