#include "RepeatingLog.h"

#include "Log.h"

#include <cstring>

namespace vantrel::platform {

QString systemErrorText(int errnum) {
    char buffer[256] = {};
    // GNU strerror_r answers a pointer to the text, which may or may not be the buffer.
    const char* text = strerror_r(errnum, buffer, sizeof buffer);
    return text && *text ? QString::fromLocal8Bit(text) : QStringLiteral("error %1").arg(errnum);
}

RepeatingLog::RepeatingLog(Clock clock) : clock_(std::move(clock)) {}

std::chrono::steady_clock::time_point RepeatingLog::now() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

bool RepeatingLog::report(const QString& kind, const QString& text) {
    ++total_;
    const auto at = now();
    if (kind != kind_) {
        clear();
        kind_ = kind;
        text_ = text;
        lastLine_ = at;
        logLine(text);
        return true;
    }
    text_ = text;
    ++unlogged_;
    if (at - lastLine_ < kInterval) return false;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(at - lastLine_).count();
    logLine(QStringLiteral("%1 (%2 times in the last %3 s)").arg(text).arg(unlogged_).arg(seconds));
    unlogged_ = 0;
    lastLine_ = at;
    return true;
}

void RepeatingLog::clear() {
    if (!kind_.isEmpty() && unlogged_ > 0) logLine(QStringLiteral("%1 (%2 more times before it stopped)").arg(text_).arg(unlogged_));
    kind_.clear();
    text_.clear();
    unlogged_ = 0;
}

}  // namespace vantrel::platform
