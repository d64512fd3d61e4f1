#include "Log.h"

#include <QCoreApplication>
#include <QDateTime>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace vantrel::platform {

namespace {
std::mutex logMutex;
std::atomic<LogSink> logSink{nullptr};
}  // namespace

void setLogSink(LogSink sink) { logSink.store(sink); }

void logLine(const QString& message) {
    if (LogSink sink = logSink.load()) {
        sink(message);
        return;
    }
    QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    QByteArray line = (stamp + QStringLiteral(" vantrel[%1] ").arg(::getpid()) + message + QLatin1Char('\n')).toUtf8();
    std::lock_guard lock(logMutex);
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

void logLine(std::string_view message) { logLine(QString::fromUtf8(message.data(), qsizetype(message.size()))); }

}  // namespace vantrel::platform
