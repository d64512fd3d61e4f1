#include "PlanFileName.h"

namespace vantrel::navplans {

namespace {

bool unsafe(QChar c) { return c == u'/' || c == u'\\' || c.category() == QChar::Other_Control || c.isSurrogate(); }

// Cuts the text to at most maxBytes of UTF-8 without splitting a character.
QString cutToBytes(const QString& text, int maxBytes) {
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t code = text[i].unicode();
        int width = code < 0x80 ? 1 : code < 0x800 ? 2 : 3;
        qsizetype step = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            width = 4;
            step = 2;
        }
        if (bytes + width > maxBytes) return text.left(i);
        bytes += width;
        i += step - 1;
    }
    return text;
}

}  // namespace

QString PlanFileName::baseFor(const QString& planName, bool* changed) {
    QString base = planName.isEmpty() ? QStringLiteral("Untitled") : planName;
    for (qsizetype i = 0; i < base.size(); ++i) {
        // A surrogate pair is one character and safe; a lone half is not.
        if (base[i].isHighSurrogate() && i + 1 < base.size() && base[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (unsafe(base[i])) base[i] = u'_';
    }
    if (base.startsWith(u'.')) base[0] = u'_';
    base = cutToBytes(base, kMaxBaseBytes);
    if (changed) *changed = base != planName;
    return base;
}

QString PlanFileName::fileName(const QString& base, int number) {
    return number <= 1 ? base + u'.' + kExtension : QStringLiteral("%1-%2.%3").arg(base).arg(number).arg(kExtension);
}

int PlanFileName::numberOf(const QString& name, const QString& base) {
    const QString dotted = u'.' + kExtension;
    if (!name.startsWith(base) || !name.endsWith(dotted)) return 0;
    const QStringView middle = QStringView(name).mid(base.size(), name.size() - base.size() - dotted.size());
    if (middle.isEmpty()) return 1;
    if (!middle.startsWith(u'-') || middle.size() < 2 || middle[1] == u'0') return 0;
    bool ok = false;
    const int number = middle.mid(1).toInt(&ok);
    for (QChar c : middle.mid(1))
        if (!c.isDigit() || c.unicode() > 0x7f) return 0;
    return ok && number >= 2 ? number : 0;
}

}  // namespace vantrel::navplans
