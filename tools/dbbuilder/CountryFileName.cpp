#include "CountryFileName.h"

#include <QString>

namespace vantrel::dbbuilder {

namespace {

// 255 bytes of a file name, less ".ewpts".
constexpr qsizetype kMaxNameBytes = 255 - 6;

QString rewritten(std::string_view source) {
    QString text = QString::fromUtf8(source.data(), qsizetype(source.size())).simplified();
    text.replace(QLatin1Char('/'), QLatin1Char('-'));
    qsizetype dots = 0;
    while (dots < text.size() && text[dots] == QLatin1Char('.')) ++dots;
    text = text.mid(dots);
    while (text.toUtf8().size() > kMaxNameBytes) {
        text.chop(text.size() >= 2 && text[text.size() - 1].isLowSurrogate() ? 2 : 1);
    }
    return text.trimmed();
}

}  // namespace

std::string countryFileName(std::string_view name, std::string_view code) {
    QString text = rewritten(name);
    if (text.isEmpty()) text = rewritten(code);
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), size_t(utf8.size()));
}

}  // namespace vantrel::dbbuilder
