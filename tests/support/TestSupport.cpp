#include "TestSupport.h"

#include "platform/core/Log.h"

#include <QProcess>

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

ProgramRun runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
                      int timeoutMs) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    const bool ended = process.waitForFinished(timeoutMs);
    return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

}  // namespace vantrel::test
