#pragma once
// Logs the bad lines of one input (a file, a stream) without flooding the log: the first ten in
// full, then "bad lines skipped" once and at most once a minute with a count (platform's
// RepeatingLog). A stream at the wrong baud rate gives nothing else.
//
// Threads: one owner thread.

#include "platform/core/RepeatingLog.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace vantrel::positioning {

class BadLineLog {
public:
    explicit BadLineLog(QString origin, platform::RepeatingLog::Clock clock = {})
        : origin_(std::move(origin)), repeatText_(origin_ + QStringLiteral(": bad lines skipped")), repeats_(std::move(clock)) {}

    void report(const char* reason, QByteArrayView line);
    int64_t count() const { return count_; }
    const QString& origin() const { return origin_; }

private:
    QString origin_;
    int64_t count_ = 0;
    QString repeatText_;
    platform::RepeatingLog repeats_;  // the lines after the first ten
};

}  // namespace vantrel::positioning
