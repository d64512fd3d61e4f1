#include "TestSupport.h"

#include "platform/core/Log.h"

#include <mutex>

namespace vantrel::test {

namespace {
std::mutex captureMutex;
QStringList captured;
void captureLine(const QString& line) {
    std::lock_guard lock(captureMutex);
    captured.append(line);
}
}  // namespace

LogCapture::LogCapture() {
    {
        std::lock_guard lock(captureMutex);
        captured.clear();
    }
    platform::setLogSink(&captureLine);
}

LogCapture::~LogCapture() { platform::setLogSink(nullptr); }

QStringList LogCapture::lines() const {
    std::lock_guard lock(captureMutex);
    return captured;
}

bool LogCapture::contains(const QString& fragment) const {
    std::lock_guard lock(captureMutex);
    for (const QString& l : captured)
        if (l.contains(fragment)) return true;
    return false;
}

}  // namespace vantrel::test
