#pragma once
// Helpers shared by the test binaries.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <QStringList>

namespace vantrel::test {

// A fresh directory removed at the end of the test.
class TempDir {
public:
    TempDir() { dir_.setAutoRemove(true); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

// Everything logged while the capture lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    QStringList lines() const;
    bool contains(const QString& fragment) const;
};

// A program run to its end (in `workingDirectory` when given): its exit status (-1 when it crashed
// or did not end in time) and what it printed.
struct ProgramRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};
ProgramRun runProgram(const QString& program, const QStringList& args,
                      const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                      int timeoutMs = 60000, const QString& workingDirectory = QString());

// The app's environment for a run in a test: offscreen, its user defaults in `defaultsFile` and
// every XDG folder under `home`.
QProcessEnvironment appEnvironment(const QString& home, const QString& defaultsFile);

}  // namespace vantrel::test
