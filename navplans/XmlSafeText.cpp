#include "XmlSafeText.h"

namespace vantrel::navplans {

using platform::Array;
using platform::Dictionary;
using platform::Value;

namespace {

bool allowed(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Texts nested deeper than this are left as they are; the plist writer refuses such values anyway
// (and a value that holds itself would otherwise never end).
constexpr int kMaxDepth = 256;

Value safe(const Value& value, bool& changed, int depth) {
    if (depth > kMaxDepth) return value;
    if (value.isString()) {
        bool dropped = false;
        QString text = xmlSafeText(value.toQString(), &dropped);
        if (!dropped) return value;
        changed = true;
        return Value(text);
    }
    if (const Array* array = value.asArray()) {
        platform::ArrayPtr copy;
        for (size_t i = 0; i < array->size(); ++i) {
            bool inner = false;
            Value element = safe(array->at(i), inner, depth + 1);
            if (inner && !copy) copy = array->mutableCopy();
            if (inner) copy->set(i, std::move(element));
        }
        if (!copy) return value;
        changed = true;
        return Value(copy);
    }
    if (const Dictionary* dictionary = value.asDictionary()) {
        bool any = false;
        std::vector<std::pair<QString, Value>> entries;
        entries.reserve(dictionary->size());
        for (const Dictionary::Entry& e : *dictionary) {
            bool inner = false;
            QString key = xmlSafeText(e.key.toQString(), &inner);
            Value element = safe(e.value, inner, depth + 1);
            any = any || inner;
            entries.emplace_back(std::move(key), std::move(element));
        }
        if (!any) return value;
        changed = true;
        platform::DictionaryPtr copy = Dictionary::create(entries.size());
        for (auto& [key, element] : entries) copy->set(key.toStdString(), std::move(element));
        return Value(copy);
    }
    return value;
}

}  // namespace

QString xmlSafeText(const QString& text, bool* changed) {
    QString out;
    bool dropped = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        qsizetype width = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            width = 2;
        } else if (text[i].isSurrogate()) {
            c = 0xFFFF;  // half a pair: not a character
        }
        if (allowed(c)) {
            if (dropped) out.append(QStringView(text).mid(i, width));
        } else if (!dropped) {
            dropped = true;
            out = text.left(i);
        }
        i += width - 1;
    }
    if (changed) *changed = dropped;
    return dropped ? out : text;
}

Value xmlSafeCopy(const Value& value, bool* changed) {
    bool any = false;
    Value result = safe(value, any, 0);
    if (changed) *changed = any;
    return result;
}

}  // namespace vantrel::navplans
