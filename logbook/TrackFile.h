#pragma once
// One flight's IGC track file, appended fix by fix while the flight is flown.
//
// Each B record goes to the operating system as soon as it is written, so a crash of the app
// (kill -9) loses nothing written; the file is synced to the disk at least every kSyncInterval,
// so a power cut loses at most that much track. At most one fix per second of fix time is kept,
// and only fixes later than the last one in the file, so the B records stay in time order.
//
// Opening an existing file (the app restarted in the middle of the flight, or a write failed)
// goes on appending to it: a last line cut short (by a crash or a full disk) is cut off first, so
// that the file holds complete lines only and the next record starts on a fresh line. A file
// without any record yet gets its header.
//
// A failed write (full disk, read-only folder) closes the file and answers false with the reason;
// the next append tries again from the start.
//
// Threads: one owner thread.

#include "positioning/Fix.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include "platform/core/RepeatingLog.h"

#include <cstdint>
#include <optional>

namespace vantrel::logbook {

class TrackFile {
public:
    static constexpr qint64 kSyncIntervalMs = 5000;

    // gpsReceiver: what the header names as the GPS receiver (the position source).
    TrackFile(QString path, QString gpsReceiver);
    ~TrackFile();
    TrackFile(const TrackFile&) = delete;
    TrackFile& operator=(const TrackFile&) = delete;

    const QString& path() const { return path_; }
    bool isOpen() const { return file_.isOpen(); }

    enum class Outcome { Written, Skipped, Failed };
    // Appends the fix as a B record (valid: A, else V). Skipped: a fix of a second already in the
    // file, or earlier. Failed: the reason in *error.
    Outcome append(const positioning::Fix& fix, bool valid, QString* error);

    // Syncs and closes; the next append opens the file again.
    void close();

private:
    bool open(QDate firstDate, QString* error);
    bool write(const QByteArray& bytes, QString* error);

    QString path_;
    QString gpsReceiver_;
    QFile file_;
    std::optional<int64_t> lastSecond_;  // of the last B record in the file
    // Opened again at every fix while the disk is full: its notes are said once, then once a minute.
    platform::RepeatingLog cutNotes_;
    platform::RepeatingLog goingOnNotes_;
    QElapsedTimer sinceSync_;
    bool firstFixHasPressureAltitude_ = false;  // what a new file's header says of the barometer
};

}  // namespace vantrel::logbook
