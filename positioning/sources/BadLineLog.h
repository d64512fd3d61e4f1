#pragma once
// Logs the bad lines of one input (a file, a stream) without flooding the log: the first ten in
// full, then one count line every thousand. A stream at the wrong baud rate gives nothing else.
//
// Threads: one owner thread.

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace vantrel::positioning {

class BadLineLog {
public:
    explicit BadLineLog(QString origin) : origin_(std::move(origin)) {}

    void report(const char* reason, QByteArrayView line);
    int64_t count() const { return count_; }
    const QString& origin() const { return origin_; }

private:
    QString origin_;
    int64_t count_ = 0;
};

}  // namespace vantrel::positioning
