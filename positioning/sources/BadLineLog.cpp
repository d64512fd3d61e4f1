#include "BadLineLog.h"

#include "platform/core/Log.h"

namespace vantrel::positioning {

namespace {
constexpr int64_t kLoggedInFull = 10;
constexpr qsizetype kShownBytes = 100;
}  // namespace

void BadLineLog::report(const char* reason, QByteArrayView line) {
    ++count_;
    if (count_ <= kLoggedInFull) {
        // Show the line as text with anything unprintable escaped, cut to a readable length.
        QByteArray shown;
        for (char c : line.first(std::min(line.size(), kShownBytes))) {
            if (c >= 0x20 && c < 0x7f)
                shown.append(c);
            else
                shown.append(QByteArray("\\x") + QByteArray::number(uchar(c), 16).rightJustified(2, '0'));
        }
        if (line.size() > kShownBytes) shown.append("...");
        platform::logLine(QStringLiteral("%1: skipped a line (%2): %3")
                              .arg(origin_, QString::fromLatin1(reason), QString::fromLatin1(shown)));
    } else {
        repeats_.report(repeatText_);
    }
}

}  // namespace vantrel::positioning
