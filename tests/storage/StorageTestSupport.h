#pragma once
// Shared pieces of the storage tests: files read and written as raw bytes, folder listings, an
// injected write fault for a scope, and a small tmpfs mounted for a scope.

#include "platform/core/AtomicFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

// Texts in failure messages as texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace vantrel::test {

QByteArray readBytes(const QString& path);
// Writes the bytes plainly (not atomically), for files a test lays out.
void writeBytes(const QString& path, const QByteArray& bytes);
// The names in the folder, hidden ones included, sorted.
QStringList entriesOf(const QString& folder);
// The permission bits of a file, as the system keeps them.
unsigned modeOf(const QString& path);
// How many file descriptors the process has open (to catch one a failure path forgets).
int openDescriptorCount();

// Makes every atomic write fail at that step while it lives.
class ScopedWriteFault {
public:
    explicit ScopedWriteFault(platform::AtomicWriteStep step) { platform::setAtomicWriteFaultForTesting(step); }
    ~ScopedWriteFault() { platform::setAtomicWriteFaultForTesting(platform::AtomicWriteStep::None); }
    ScopedWriteFault(const ScopedWriteFault&) = delete;
    ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;
};

// A tmpfs of the given size mounted on a fresh folder, unmounted (and the folder removed) at the
// end of the scope, also when the test fails. Only root may mount: mounted() tells whether it
// worked and problem() why not.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const char* size);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    QString problem() const { return problem_; }
    QString path() const { return path_; }
    // Writes the file until the file system is full; answers how many bytes went in.
    qint64 fill(const QString& name) const;

private:
    QString path_;
    QString problem_;
    bool mounted_ = false;
};

}  // namespace vantrel::test
