#include "TrackFile.h"

#include "IgcWriter.h"

#include "platform/core/DocumentsLock.h"
#include "platform/core/Log.h"
#include "positioning/sources/IgcParser.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace vantrel::logbook {

TrackFile::TrackFile(QString path, QString gpsReceiver) : path_(std::move(path)), gpsReceiver_(std::move(gpsReceiver)) {}

TrackFile::~TrackFile() { close(); }

void TrackFile::close() {
    if (!file_.isOpen()) return;
    ::fdatasync(file_.handle());
    file_.close();
}

bool TrackFile::open(QDate firstDate, QString* error) {
    if (const QString refusal = platform::pilotFilesWriteRefusal(); !refusal.isEmpty()) {
        *error = refusal;
        return false;
    }
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("the folder %1 cannot be made").arg(folder);
        return false;
    }
    file_.setFileName(path_);
    const bool existed = QFileInfo::exists(path_);
    if (!file_.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        *error = file_.errorString();
        return false;
    }
    lastSecond_.reset();
    // Read what is there by its size alone: a device (a test's /dev/full) would never end.
    QByteArray content = file_.isSequential() ? QByteArray() : file_.read(file_.size());
    const qsizetype complete = content.lastIndexOf('\n') + 1;
    if (complete < content.size()) {
        cutNotes_.report(QStringLiteral("cut off"),
                         QStringLiteral("Track %1: cut off an incomplete last line (%2 bytes) left by an interrupted write")
                             .arg(path_)
                             .arg(content.size() - complete));
        content.truncate(complete);
        if (!file_.resize(complete)) {
            *error = file_.errorString();
            file_.close();
            return false;
        }
    }
    const bool hasRecords = content.startsWith('B') || content.contains("\nB");
    if (!hasRecords && !content.contains("HFDTE")) {
        // Nothing but the start of a header: begin again.
        if (!content.isEmpty() && !file_.resize(0)) {
            *error = file_.errorString();
            file_.close();
            return false;
        }
        content.clear();
    }
    if (!file_.isSequential() && !file_.seek(file_.size())) {
        *error = file_.errorString();
        file_.close();
        return false;
    }
    if (content.isEmpty()) {
        if (!write(IgcWriter::header(firstDate, gpsReceiver_, firstFixHasPressureAltitude_), error)) {
            // A file made here that could not take its header (a full disk) is not left empty.
            if (!existed && QFile::remove(path_))
                platform::logLine(QStringLiteral("Track %1: removed again, its header could not be written").arg(path_));
            return false;
        }
    } else {
        goingOnNotes_.report(QStringLiteral("Track %1: going on with the recorded file").arg(path_));
        for (const positioning::Fix& fix :
             positioning::IgcParser::parse(content, QStringLiteral("Track %1").arg(path_), firstDate)) {
            const auto second = int64_t(std::floor(fix.timestamp));
            if (!lastSecond_ || second > *lastSecond_) lastSecond_ = second;
        }
    }
    sinceSync_.start();
    return true;
}

bool TrackFile::write(const QByteArray& bytes, QString* error) {
    const qint64 written = file_.write(bytes);
    if (written == bytes.size()) return true;
    if (written < 0) {
        *error = file_.errorString();
    } else {
        // A short write sets no error: writing the rest is what tells why (ENOSPC, EFBIG), in the
        // system's words rather than "Unknown error".
        errno = 0;
        const ssize_t more = ::write(file_.handle(), bytes.constData() + written, size_t(bytes.size() - written));
        const int why = errno;
        if (more == bytes.size() - written) return true;  // the disk had room again after all
        *error = QStringLiteral("only %1 of %2 bytes written (%3)")
                     .arg(written)
                     .arg(bytes.size())
                     .arg(more < 0 && why != 0 ? platform::systemErrorText(why) : QStringLiteral("the disk took no more"));
    }
    // What may have been half written is cut off when the file is opened again.
    file_.close();
    return false;
}

TrackFile::Outcome TrackFile::append(const positioning::Fix& fix, bool valid, QString* error) {
    if (!std::isfinite(fix.timestamp) || !fix.hasValidCoordinate()) return Outcome::Skipped;
    const auto second = int64_t(std::floor(fix.timestamp));
    firstFixHasPressureAltitude_ = fix.pressureAltitude.has_value();
    if (!file_.isOpen() && !open(QDateTime::fromSecsSinceEpoch(second, Qt::UTC).date(), error)) return Outcome::Failed;
    if (lastSecond_ && second <= *lastSecond_) return Outcome::Skipped;
    if (!write(IgcWriter::bRecord(fix, valid), error)) return Outcome::Failed;
    lastSecond_ = second;
    if (sinceSync_.elapsed() >= kSyncIntervalMs) {
        if (::fdatasync(file_.handle()) != 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            file_.close();
            return Outcome::Failed;
        }
        sinceSync_.restart();
    }
    return Outcome::Written;
}

}  // namespace vantrel::logbook
