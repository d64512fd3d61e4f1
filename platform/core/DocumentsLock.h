#pragma once
// One writer for the pilot's documents folder at a time.
//
// DocumentsLock holds an advisory lock (flock, exclusive) on the file ".vantrel.lock" in the
// documents folder for as long as it lives. The app takes it for its whole run; vantrel-tool takes
// it around a command that writes the pilot's files. The lock goes with the open file: a crash or
// kill -9 of the holder releases it, and two locks opened in one process conflict as two
// processes do. The lock file itself stays; it holds the holder's process id as a hint for people
// (the lock, not the text, decides).
//
// A copy of the app that does not get the lock runs read-only: setPilotFilesReadOnly makes every
// write of the pilot's files fail with that reason (the atomic writer, the track files, removing a
// plan or a track ask pilotFilesWriteRefusal first), so the stores log the failure, show it once
// and keep their data in memory; nothing the other copy writes is overwritten.
//
// Ownership: a DocumentsLock owns its open file. Threads: a lock belongs to one thread at a time;
// the read-only switch may be set by the main thread before other threads start writing and read
// from any thread.

#include <QString>

namespace vantrel::platform {

class DocumentsLock {
public:
    static constexpr const char* kFileName = ".vantrel.lock";
    enum class State { Held, HeldElsewhere, Failed };

    // Tries to lock the folder's lock file (made when missing), again and again for up to
    // waitMs milliseconds while another holder has it.
    explicit DocumentsLock(const QString& folder, int waitMs = 0);
    ~DocumentsLock();
    DocumentsLock(const DocumentsLock&) = delete;
    DocumentsLock& operator=(const DocumentsLock&) = delete;

    State state() const { return state_; }
    bool held() const { return state_ == State::Held; }
    // The lock file's path.
    const QString& path() const { return path_; }
    // Why the lock is not held, in plain words ("another program holds it (process 1234)",
    // "permission denied"); empty when held.
    const QString& problem() const { return problem_; }

private:
    QString path_;
    int fd_ = -1;
    State state_ = State::Failed;
    QString problem_;
};

// From now on every write of the pilot's files is refused with this reason (plain words, such as
// "Vantrel is already running on these documents").
void setPilotFilesReadOnly(const QString& reason);
// Empty while the pilot's files may be written; else the reason a write is refused.
QString pilotFilesWriteRefusal();

}  // namespace vantrel::platform
