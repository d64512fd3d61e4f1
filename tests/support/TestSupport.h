#pragma once
// Helpers shared by the test binaries.

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

}  // namespace vantrel::test
