#pragma once
// NMEA 0183 to fixes. Sentences are checked (checksum, field forms, coordinate ranges) and grouped
// into epochs by their UTC time; an epoch becomes one fix with the position of its RMC, GGA or GNS
// sentences and a horizontal accuracy from GST (the receiver's own error estimate) when present,
// else 2 x HDOP x 5 m, else kUnknownAccuracyMetres. The altitude above mean sea level comes from
// GGA or GNS (dropped, with a log line, when its geoid separation is absurd or it is out of range),
// the pressure altitude from the PGRMZ a barometric receiver sends (feet; it carries no time, so it
// belongs to the epoch open when it comes, else to the next one). An epoch is complete as soon as it holds every
// kind of sentence the previous epoch had, or when the next epoch begins.
//
// Dates come from RMC; before the first RMC (and in GGA-only streams) the fallback date is used,
// and a time of day that drops by more than twelve hours is taken as a midnight crossing. A smaller
// drop is a time jump: logged and kept.
//
// Bad lines (checksum, garbage, impossible values) are logged (the first ten, then every
// thousandth) and skipped.
//
// Proprietary sentences ("$P...", a traffic receiver's among them) are checked like every line and
// kept whole (from '$' to the checksum) for takeOutput(), each with the number of epochs completed
// before it, so that callers can put them in order between the fixes.
//
// Owns its state only. Threads: one owner thread.

#include "BadLineLog.h"
#include "DayClock.h"
#include "positioning/Fix.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace vantrel::positioning {

struct NmeaOtherSentence {
    QByteArray line;
    size_t epochsBefore;  // how many of the epochs taken with it came before it
};

struct NmeaEpoch {
    double timestamp;        // seconds since 1970; NaN for a "no fix" sentence without time
    std::optional<Fix> fix;  // nothing when the receiver reported no fix
};

class NmeaParser {
public:
    static constexpr double kRangeErrorMetres = 5.0;  // user-equivalent range error for HDOP
    // The geoid lies within about 110 m of the ellipsoid everywhere; a larger separation is garbage.
    static constexpr double kLargestGeoidSeparation = 150.0;

    // origin names the input in log lines; fallbackDate dates fixes until an RMC gives the date.
    explicit NmeaParser(QString origin, QDate fallbackDate);

    // Any split of the byte stream; complete lines are parsed.
    void addData(QByteArrayView bytes);
    void addLine(QByteArrayView line);
    // The end of the input: completes the open epoch (and a last line without newline).
    void finish();

    // Epochs completed since the last call.
    // (The proprietary sentences read so far are dropped.)
    std::vector<NmeaEpoch> takeEpochs();

    struct Output {
        std::vector<NmeaEpoch> epochs;
        std::vector<NmeaOtherSentence> otherSentences;  // epochsBefore counts in `epochs`
    };
    // Epochs and proprietary sentences completed since the last call.
    Output takeOutput();

    int64_t badLines() const { return badLog_.count(); }
    int consecutiveBadLines() const { return consecutiveBadLines_; }

private:
    enum SentenceKind : unsigned { Rmc = 1, Gga = 2, Gns = 4, Gst = 8, Pgrmz = 16 };

    struct Epoch {
        int64_t msOfDay = -1;  // -1: no epoch open
        unsigned kinds = 0;
        bool emitted = false;
        bool hasPosition = false;
        bool reportsNoFix = false;
        double latitude = 0.0;
        double longitude = 0.0;
        double hdop = std::numeric_limits<double>::quiet_NaN();
        double gstError = std::numeric_limits<double>::quiet_NaN();
        std::optional<double> altitude;          // metres above mean sea level
        std::optional<double> pressureAltitude;  // metres
    };

    // PGRMZ: the pressure altitude for the open epoch, or the next.
    void parsePressureAltitude(const QList<QByteArray>& fields, QByteArrayView line);
    // GGA / GNS altitude and geoid separation fields; nothing (logged) when they are unusable.
    std::optional<double> altitudeOf(const QByteArray& altitude, const QByteArray& separation, QByteArrayView line);

    void parseSentence(const QByteArray& body, QByteArrayView line);
    void enterEpoch(int64_t msOfDay);
    void completeEpoch();
    void emitEpoch();
    void bad(const char* reason, QByteArrayView line);

    DayClock clock_;
    QByteArray pending_;
    Epoch epoch_;
    unsigned previousKinds_ = 0;
    std::optional<double> pendingPressureAltitude_;  // a PGRMZ that came between epochs
    std::vector<NmeaEpoch> epochs_;
    std::vector<NmeaOtherSentence> otherSentences_;
    BadLineLog badLog_;
    int consecutiveBadLines_ = 0;
};

}  // namespace vantrel::positioning
