#include "Script.h"

#include <QFile>

#include <cmath>

namespace vantrel::app {

namespace {
using Kind = ScriptStep::Kind;

// Splits a line into words and quoted texts; a comment ends it. Answers false on an open quote
// or an unknown escape.
bool tokenize(const QString& line, QStringList* words, QString* error) {
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"')) {
            QString quoted;
            bool closed = false;
            for (++i; i < line.size(); ++i) {
                const QChar q = line[i];
                if (q == QLatin1Char('"')) {
                    closed = true;
                    break;
                }
                if (q != QLatin1Char('\\')) {
                    quoted += q;
                    continue;
                }
                if (++i >= line.size()) break;
                switch (line[i].unicode()) {
                case '"': quoted += QLatin1Char('"'); break;
                case '\\': quoted += QLatin1Char('\\'); break;
                case 'n': quoted += QLatin1Char('\n'); break;
                case 't': quoted += QLatin1Char('\t'); break;
                default:
                    *error = QStringLiteral("unknown escape \\%1 in a quoted text").arg(line[i]);
                    return false;
                }
            }
            if (!closed) {
                *error = QStringLiteral("a quoted text is not closed");
                return false;
            }
            word += quoted;
            inWord = true;
        } else if (c == QLatin1Char('#')) {
            break;
        } else if (c.isSpace()) {
            if (inWord) words->append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words->append(word);
    return true;
}

bool takeNumbers(const QStringList& words, qsizetype from, qsizetype count, std::vector<double>* numbers,
                 QString* error) {
    if (words.size() - from != count) {
        const QString what = count == 1 ? QStringLiteral("a number") : QStringLiteral("%1 numbers").arg(count);
        *error = QStringLiteral("\"%1\" needs %2").arg(words.mid(0, from).join(QLatin1Char(' ')), what);
        return false;
    }
    for (qsizetype i = from; i < words.size(); ++i) {
        bool ok = false;
        const double value = words[i].toDouble(&ok);
        if (!ok || !std::isfinite(value)) {
            *error = QStringLiteral("\"%1\" is not a number").arg(words[i]);
            return false;
        }
        numbers->push_back(value);
    }
    return true;
}

bool parseStep(const QStringList& words, ScriptStep* step, QString* error) {
    const QString command = words[0];
    auto oneText = [&](Kind kind, const QString& what) {
        if (words.size() != 2) {
            *error = QStringLiteral("\"%1\" needs %2").arg(command, what);
            return false;
        }
        step->kind = kind;
        step->text = words[1];
        return true;
    };
    if (command == QLatin1String("tap")) {
        const QString what = words.value(1);
        if (what == QLatin1String("tab")) {
            step->kind = Kind::TapTab;
        } else if (what == QLatin1String("button")) {
            step->kind = Kind::TapButton;
        } else if (what == QLatin1String("row")) {
            step->kind = Kind::TapRow;
        } else {
            *error = QStringLiteral("\"tap\" is followed by tab, row or button");
            return false;
        }
        if (step->kind == Kind::TapRow && words.size() == 4) {
            step->kind = Kind::TapRowAt;
            if (!takeNumbers(words, 2, 2, &step->numbers, error)) return false;
            for (double n : step->numbers) {
                if (n < 0 || n != std::floor(n) || n > 1e9) {
                    *error = QStringLiteral("\"tap row\" takes a section and a row counted from 0");
                    return false;
                }
            }
            return true;
        }
        if (words.size() != 3) {
            *error = step->kind == Kind::TapRow ? QStringLiteral("\"tap row\" needs a text, or a section and a row")
                                                : QStringLiteral("\"tap %1\" needs a title").arg(what);
            return false;
        }
        step->text = words[2];
        return true;
    }
    if (command == QLatin1String("type")) return oneText(Kind::Type, QStringLiteral("a text"));
    if (command == QLatin1String("screenshot") || command == QLatin1String("dump")) {
        const Kind kind = command == QLatin1String("dump") ? Kind::Dump : Kind::Screenshot;
        if (!oneText(kind, QStringLiteral("a file name"))) return false;
        if (step->text.isEmpty()) {
            *error = QStringLiteral("\"%1\" needs a file name").arg(command);
            return false;
        }
        return true;
    }
    if (command == QLatin1String("drag") || command == QLatin1String("pinch")) {
        step->kind = command == QLatin1String("drag") ? Kind::Drag : Kind::Pinch;
        qsizetype from = 1;
        if (words.value(1) == QLatin1String("on")) {
            step->viewName = words.value(2);
            if (step->viewName.isEmpty()) {
                *error = QStringLiteral("\"%1 on\" needs the name of a view").arg(command);
                return false;
            }
            from = 3;
        }
        if (!takeNumbers(words, from, 4, &step->numbers, error)) return false;
        if (step->kind == Kind::Pinch && (step->numbers[2] <= 0 || step->numbers[3] <= 0)) {
            *error = QStringLiteral("\"pinch\" needs distances above 0");
            return false;
        }
        return true;
    }
    if (command == QLatin1String("wait")) {
        step->kind = Kind::Wait;
        if (!takeNumbers(words, 1, 1, &step->numbers, error)) return false;
        if (step->numbers[0] < 0 || step->numbers[0] > 24 * 3600) {
            *error = QStringLiteral("\"wait\" takes a number of seconds from 0 to 86400");
            return false;
        }
        return true;
    }
    if (command == QLatin1String("size")) {
        step->kind = Kind::Size;
        if (!takeNumbers(words, 1, 2, &step->numbers, error)) return false;
        for (double n : step->numbers) {
            if (n < 160 || n > 16384 || n != std::floor(n)) {
                *error = QStringLiteral("\"size\" takes a width and a height in whole pixels from 160 to 16384");
                return false;
            }
        }
        return true;
    }
    if (command == QLatin1String("quit")) {
        step->kind = Kind::Quit;
        if (words.size() != 1) {
            *error = QStringLiteral("\"quit\" takes nothing after it");
            return false;
        }
        return true;
    }
    *error = QStringLiteral("unknown step \"%1\" (tap, type, drag, pinch, wait, screenshot, dump, size, quit)").arg(command);
    return false;
}
}  // namespace

std::optional<Script> Script::parse(const QString& text, const QString& name, QString* error) {
    Script script;
    script.name = name;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        QStringList words;
        QString problem;
        ScriptStep step;
        if (tokenize(line, &words, &problem) && (words.isEmpty() || parseStep(words, &step, &problem))) {
            if (words.isEmpty()) continue;
            step.line = int(i + 1);
            step.source = line.trimmed();
            script.steps.push_back(std::move(step));
            continue;
        }
        *error = QStringLiteral("%1 line %2: %3").arg(name).arg(i + 1).arg(problem);
        return std::nullopt;
    }
    return script;
}

std::optional<Script> Script::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The script %1 cannot be read: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return parse(QString::fromUtf8(file.readAll()), path, error);
}

}  // namespace vantrel::app
