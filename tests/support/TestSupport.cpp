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

QProcessEnvironment appEnvironment(const QString& home, const QString& defaultsFile) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VANTREL_DEFAULTS_FILE"), defaultsFile);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    return env;
}

ProgramRun runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
                      int timeoutMs, const QString& workingDirectory) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty()) process.setWorkingDirectory(workingDirectory);
    process.start(program, args);
    const bool ended = process.waitForFinished(timeoutMs);
    return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

}  // namespace vantrel::test
