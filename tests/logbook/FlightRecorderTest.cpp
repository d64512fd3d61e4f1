// The flight recorder: IGC records in their fixed layout, the track file that survives crashes,
// restarts and full disks, the take-off and landing detector, and the recorder as the app runs
// it (a replayed flight or the demo flight through the location manager, the logbook's stamps and
// screens).

#include "LogbookTestSupport.h"

#include "logbook/FlightDetailView.h"
#include "logbook/FlightKeys.h"
#include "logbook/FlightLog.h"
#include "logbook/FlightRecord.h"
#include "logbook/FlightRecorder.h"
#include "logbook/FlightTrack.h"
#include "logbook/FlightsView.h"
#include "logbook/IgcWriter.h"
#include "logbook/TakeOffLandingDetector.h"
#include "logbook/TrackFile.h"
#include "ui_FlightDetailView.h"

#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Automation.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"
#include "positioning/Geodesy.h"
#include "positioning/LocationManager.h"
#include "positioning/sources/IgcParser.h"
#include "positioning/sources/SimulatorSource.h"
#include "positioning/sources/TrackReplaySource.h"
#include "support/TestSupport.h"
#include "ui/UiTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>

using namespace vantrel;
using logbook::FlightRecorder;
using logbook::FlightTrack;
using logbook::IgcWriter;
using logbook::TakeOffLandingDetector;
using logbook::TrackFile;
using positioning::Fix;
using Phase = TakeOffLandingDetector::Phase;

namespace {

constexpr double kKnot = 1852.0 / 3600.0;

Fix fixAt(double lat, double lon, double time, double accuracy = 5.0) {
    Fix f;
    f.latitude = lat;
    f.longitude = lon;
    f.timestamp = time;
    f.horizontalAccuracy = accuracy;
    return f;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<Fix> parseFile(const QString& path) {
    return positioning::IgcParser::parse(readAll(path), QStringLiteral("test"), QDate(2000, 1, 1));
}

bool allDigits(QByteArrayView text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return !text.isEmpty();
}

// A reader of IGC files that accepts nothing loose: every line ends in CR LF and holds printable
// ASCII only; the file starts with its A record and dates the flight (HFDTE) before the first B
// record; every B record is 35 characters of the fixed layout with times, coordinates and
// altitudes in range, in time order (a drop of more than 12 hours is the next day). Answers the
// problems found, empty for a good file, and the number of B records.
QStringList strictIgcProblems(const QByteArray& content, int* bRecords = nullptr) {
    QStringList problems;
    int count = 0;
    if (content.isEmpty()) problems << "empty file";
    if (!content.endsWith("\r\n")) problems << "the last line does not end in CR LF";
    const QList<QByteArray> lines = content.split('\n');
    bool dated = false;
    int lastSecond = -1;
    for (qsizetype n = 0; n + 1 < lines.size() || (n < lines.size() && !lines[n].isEmpty()); ++n) {
        QByteArray line = lines[n];
        const QString where = QStringLiteral("line %1 \"%2\"").arg(n + 1).arg(QString::fromLatin1(line));
        if (!line.endsWith('\r')) {
            problems << where + " does not end in CR LF";
            continue;
        }
        line.chop(1);
        for (char c : line)
            if (c < 0x20 || c > 0x7e) problems << where + " holds a character that is not printable ASCII";
        if (n == 0 && !line.startsWith('A')) problems << "the file does not start with an A record";
        if (line.isEmpty()) problems << where + " is empty";
        if (line.startsWith("HFDTE")) dated = true;
        if (!line.startsWith('B')) continue;
        ++count;
        if (!dated) problems << where + " comes before the HFDTE date";
        if (line.size() != 35) {
            problems << where + QStringLiteral(" is %1 characters long, not 35").arg(line.size());
            continue;
        }
        const QByteArrayView b(line);
        const bool fields = allDigits(b.sliced(1, 6)) && allDigits(b.sliced(7, 7)) && (b[14] == 'N' || b[14] == 'S') &&
                            allDigits(b.sliced(15, 8)) && (b[23] == 'E' || b[23] == 'W') && (b[24] == 'A' || b[24] == 'V') &&
                            (allDigits(b.sliced(25, 5)) || (b[25] == '-' && allDigits(b.sliced(26, 4)))) &&
                            (allDigits(b.sliced(30, 5)) || (b[30] == '-' && allDigits(b.sliced(31, 4))));
        if (!fields) {
            problems << where + " does not follow the B record layout";
            continue;
        }
        const int hh = b.sliced(1, 2).toInt(), mm = b.sliced(3, 2).toInt(), ss = b.sliced(5, 2).toInt();
        if (hh > 23 || mm > 59 || ss > 59) problems << where + " has an impossible time";
        if (b.sliced(7, 2).toInt() > 90 || b.sliced(9, 5).toInt() >= 60000 || b.sliced(15, 3).toInt() > 180 ||
            b.sliced(18, 5).toInt() >= 60000)
            problems << where + " has an impossible position";
        const int second = (hh * 60 + mm) * 60 + ss;
        const bool nextDay = lastSecond - second > 12 * 3600;
        if (lastSecond >= 0 && second <= lastSecond && !nextDay) problems << where + " is not later than the record before";
        lastSecond = second;
    }
    if (!dated) problems << "no HFDTE record";
    if (bRecords) *bRecords = count;
    return problems;
}

// The documents folder moved to a fresh directory, and the automatic stamps set, for one test.
struct RecorderHome {
    test::TempDir dir;
    QString previousDocuments = platform::Paths::documentsDirectory();
    platform::Value previousSetting =
        platform::UserDefaults::standardUserDefaults().objectForKey(FlightRecorder::kAutomaticStampsKey);
    std::shared_ptr<logbook::FlightLog> log;
    double now = test::utc(2024, 6, 14, 9, 58, 30);

    explicit RecorderHome(bool automatic) {
        platform::Paths::setDocumentsDirectory(dir.path());
        setAutomatic(automatic);
        log = std::make_shared<logbook::FlightLog>(logbook::FlightLog::defaultSavePath());
        log->setClock([this] { return now; });
    }
    ~RecorderHome() {
        platform::Paths::setDocumentsDirectory(previousDocuments);
        platform::UserDefaults::standardUserDefaults().setObject(FlightRecorder::kAutomaticStampsKey, previousSetting);
    }
    static void setAutomatic(bool on) {
        platform::UserDefaults::standardUserDefaults().setObject(FlightRecorder::kAutomaticStampsKey, platform::Value::boolean(on));
    }
    // A new flight with block off stamped, as the pilot does before taxiing.
    platform::DictionaryPtr flightInBlockOff() {
        platform::DictionaryPtr flight = log->newFlight();
        flight->set(logbook::keys::blockOff, logbook::stampText(now));
        log->saveFlights();
        return flight;
    }
    QString text(const platform::DictionaryPtr& flight, platform::Key key) const { return flight->get(key).toQString(); }
};

// Plays fixes through a location manager to a recorder listening to it, as the app does; the
// recorder goes at the end (its track closed).
void replay(const std::vector<Fix>& fixes, const std::shared_ptr<logbook::FlightLog>& log, positioning::LocationManager& manager,
            const QString& name = QStringLiteral("IGC file test.igc")) {
    auto source = std::make_unique<positioning::TrackReplaySource>(name, fixes);
    source->setPacing(positioning::PositionSource::Pacing::AsFastAsPossible);
    positioning::TrackReplaySource* raw = source.get();
    manager.setPositionSource(std::move(source));
    FlightRecorder recorder(log, manager);
    raw->startUpdatingLocation();
}

std::vector<Fix> dataFlight(const char* name) {
    return parseFile(QStringLiteral(VANTREL_TEST_DATA_DIR "/positioning/") + QLatin1String(name));
}

std::vector<Fix> recordedCircuit() { return parseFile(QStringLiteral(VANTREL_SOURCE_DIR "/tests/logbook/data/sion-circuit.igc")); }

// The moment of each fix's own ground speed, from the legs two fixes either side (a centred
// measure, unlike the location manager's): the first fix of the first stretch of `seconds` that
// stays beyond the speed.
double trueMoment(const std::vector<Fix>& fixes, double knots, bool above, double seconds, size_t from = 0) {
    auto speedAt = [&](size_t i) {
        const Fix& a = fixes[i - 2];
        const Fix& b = fixes[i + 2];
        return positioning::Geodesy::calcDistanceInMeters(a.longitude, a.latitude, b.longitude, b.latitude) /
               (b.timestamp - a.timestamp) / kKnot;
    };
    for (size_t i = std::max<size_t>(from, 2); i + 2 < fixes.size(); ++i) {
        size_t j = i;
        while (j + 2 < fixes.size() && (above ? speedAt(j) > knots : speedAt(j) < knots) &&
               fixes[j].timestamp - fixes[i].timestamp < seconds)
            ++j;
        if (fixes[j].timestamp - fixes[i].timestamp >= seconds) return fixes[i].timestamp;
    }
    return NAN;
}

}  // namespace

// ---- IGC records --------------------------------------------------------------------------

TEST(IgcWriter, BRecordsFollowTheFixedLayout) {
    const double t = test::utc(2024, 5, 31, 9, 45, 12) + 0.8;  // seconds are dropped
    EXPECT_EQ(IgcWriter::bRecord(fixAt(46.5, 6.25, t), true), QByteArray("B0945124630000N00615000EA0000000000\r\n"));
    // South and west; minutes rounded to the thousandth; a GPS altitude; V for a fix not good for navigation.
    EXPECT_EQ(IgcWriter::bRecord(fixAt(-33.9461, -18.60155, test::utc(2024, 1, 2, 23, 59, 59)), false, 1234.4),
              QByteArray("B2359593356766S01836093WV0000001234\r\n"));
    // 59.9999 minutes rounds up into the next degree, not to "60000".
    EXPECT_EQ(IgcWriter::bRecord(fixAt(45.9999999, 179.9999999, 0), true).left(24), QByteArray("B0000004600000N18000000E"));
    EXPECT_EQ(IgcWriter::bRecord(fixAt(1, 1, 0), true, -12.0).mid(25, 10), QByteArray("00000-0012"));
    EXPECT_EQ(IgcWriter::bRecord(fixAt(1, 1, 0), true).size(), IgcWriter::kBRecordLength + 2);
    // The fix's own altitudes; one that rounds to 0 m is not written as "none".
    Fix high = fixAt(1, 1, 0);
    high.pressureAltitude = 3048.4;
    high.altitude = 3105.6;
    EXPECT_EQ(IgcWriter::bRecord(high, true).mid(25, 10), QByteArray("0304803106"));
    high.pressureAltitude = 0.3;
    high.altitude = -0.2;
    EXPECT_EQ(IgcWriter::bRecord(high, true).mid(25, 10), QByteArray("00001-0001"));

    const QByteArray header = IgcWriter::header(QDate(2024, 5, 31), QStringLiteral("simulator flying Blécherette*~"));
    EXPECT_TRUE(header.startsWith("A"));
    EXPECT_TRUE(header.contains("\r\nHFDTEDATE:310524,01\r\n"));
    EXPECT_TRUE(header.contains("\r\nHFPLTPILOTINCHARGE:\r\n"));
    EXPECT_TRUE(header.contains("\r\nHFGTYGLIDERTYPE:unknown\r\n"));
    EXPECT_TRUE(header.contains("\r\nHFGPSRECEIVER:simulator flying Bl?cherette??\r\n"));
    EXPECT_EQ(strictIgcProblems(header + IgcWriter::bRecord(fixAt(46.5, 6.25, 0), true)), QStringList());
}

// ---- The track file ----------------------------------------------------------------------

TEST(TrackFile, KeepsOneFixASecondInTimeOrder) {
    test::TempDir dir;
    const QString path = dir.file("tracks/a.igc");
    const double t0 = test::utc(2024, 6, 14, 10, 0, 0);
    QString error;
    TrackFile track(path, QStringLiteral("gpsd at localhost:2947"));
    EXPECT_EQ(track.append(fixAt(46.0, 7.0, t0), true, &error), TrackFile::Outcome::Written);
    EXPECT_EQ(track.append(fixAt(46.001, 7.0, t0 + 0.5), true, &error), TrackFile::Outcome::Skipped);  // same second
    EXPECT_EQ(track.append(fixAt(46.002, 7.0, t0 + 1), false, &error), TrackFile::Outcome::Written);
    EXPECT_EQ(track.append(fixAt(46.003, 7.0, t0 - 5), true, &error), TrackFile::Outcome::Skipped);  // earlier
    // With the operating system at once, before any close; V read back as no accuracy.
    const std::vector<Fix> back = parseFile(path);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].horizontalAccuracy, -1.0);
    EXPECT_TRUE(readAll(path).contains("HFGPSRECEIVER:gpsd at localhost:2947\r\n"));
}

// What kill -9 leaves: the file cut at any byte. Opened again, the file keeps its complete lines
// only, every one of them parses, and the next record starts on a fresh line.
TEST(TrackFile, AFileCutAtAnyByteIsRepairedBeforeAppending) {
    test::TempDir dir;
    const QString whole = dir.file("whole.igc");
    const double t0 = test::utc(2024, 6, 14, 10, 0, 0);
    QString error;
    {
        TrackFile track(whole, QStringLiteral("test receiver"));
        for (int i = 0; i < 4; ++i) ASSERT_EQ(track.append(fixAt(46.0 + i * 0.001, 7.0, t0 + i), true, &error), TrackFile::Outcome::Written);
    }
    const QByteArray content = readAll(whole);
    for (qsizetype cut = 1; cut < content.size(); ++cut) {
        const QString path = dir.file(QStringLiteral("cut-%1.igc").arg(cut));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(content.left(cut));
        }
        const QByteArray kept = content.left(content.left(cut).lastIndexOf('\n') + 1);
        const int recordsKept = int(kept.count("\nB"));
        {
            TrackFile track(path, QStringLiteral("test receiver"));
            ASSERT_EQ(track.append(fixAt(46.01, 7.0, t0 + 10), true, &error), TrackFile::Outcome::Written) << cut;
        }
        const QByteArray repaired = readAll(path);
        int records = 0;
        ASSERT_EQ(strictIgcProblems(repaired, &records), QStringList()) << "cut at " << cut;
        EXPECT_EQ(records, recordsKept + 1) << cut;
        EXPECT_EQ(repaired.count("HFDTE"), 1) << cut;
        // What was complete stays as it was.
        if (kept.contains("HFDTE")) {
            EXPECT_TRUE(repaired.startsWith(kept)) << cut;
        }
        EXPECT_EQ(parseFile(path).back().timestamp, t0 + 10) << cut;
    }
}

// ---- The detector --------------------------------------------------------------------------

TEST(TakeOffLandingDetector, RunsLongEnoughAreDatedToTheirFirstFix) {
    TakeOffLandingDetector detector;
    detector.reset(Phase::TakeOff);
    double t = 100;
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(detector.addFix(t++, true, 10 * kKnot));
    // A fast taxi: above 40 kt for 9 s only, then slower.
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(detector.addFix(t++, true, 45 * kKnot)) << i;
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(detector.addFix(t++, true, 35 * kKnot));
    // The run: the speed crosses at t = 123; it describes the fix three before.
    const double crossing = t;
    std::optional<double> stamped;
    for (int i = 0; i <= 10 && !stamped; ++i) stamped = detector.addFix(t++, true, 60 * kKnot);
    ASSERT_TRUE(stamped);
    EXPECT_EQ(t - 1, crossing + TakeOffLandingDetector::kTakeOffDuration);  // detected 10 s later
    EXPECT_EQ(*stamped, crossing - TakeOffLandingDetector::kSpeedLagFixes);
    // Once only.
    EXPECT_FALSE(detector.addFix(t++, true, 60 * kKnot));

    // Landing: a slow pass below 30 kt for 15 s is none; 20 s are.
    detector.reset(Phase::Landing);
    for (int i = 0; i < 15; ++i) EXPECT_FALSE(detector.addFix(t++, true, 25 * kKnot));
    EXPECT_FALSE(detector.addFix(t++, true, 50 * kKnot));
    const double slow = t;
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(detector.addFix(t++, true, 8 * kKnot));
    EXPECT_EQ(detector.addFix(t++, true, 8 * kKnot), std::optional<double>(slow - 3));
}

TEST(TakeOffLandingDetector, GapsInvalidFixesAndBackwardTimeRestartTheCount) {
    TakeOffLandingDetector detector;
    detector.reset(Phase::TakeOff);
    for (double t = 200; t < 206; ++t) EXPECT_FALSE(detector.addFix(t, true, 50 * kKnot));
    // No fix for 7 s: the run counts again from the fix after the gap, with nothing before it.
    for (double t = 212; t < 222; ++t) EXPECT_FALSE(detector.addFix(t, true, 50 * kKnot)) << t;
    EXPECT_EQ(detector.addFix(222, true, 50 * kKnot), std::optional<double>(212));

    // A fix not good for speed breaks the run; so does time running backwards.
    detector.reset(Phase::TakeOff);
    for (double t = 300; t < 308; ++t) EXPECT_FALSE(detector.addFix(t, true, 50 * kKnot));
    EXPECT_FALSE(detector.addFix(308, false, 50 * kKnot));
    for (double t = 309; t < 319; ++t) EXPECT_FALSE(detector.addFix(t, true, 50 * kKnot)) << t;
    EXPECT_FALSE(detector.addFix(310, true, 50 * kKnot));
    for (double t = 311; t < 320; ++t) EXPECT_FALSE(detector.addFix(t, true, 50 * kKnot)) << t;
    EXPECT_EQ(detector.addFix(320, true, 50 * kKnot), std::optional<double>(310));

    // Up to 5 s between fixes is no gap.
    detector.reset(Phase::TakeOff);
    for (double t = 400; t < 410; t += 5) EXPECT_FALSE(detector.addFix(t, true, 50 * kKnot));
    EXPECT_EQ(detector.addFix(410, true, 50 * kKnot), std::optional<double>(400));
}

// ---- The recorder ------------------------------------------------------------------------

// The circuit flight (one fix a second) replayed through the location manager: take off and
// landing stamp themselves at the first fix of the take-off run and of the landing roll, within
// one fix of the moment the recorded ground speed crosses 40 kt and 30 kt; the track is written
// and the logbook saved.
TEST(FlightRecorder, StampsTakeOffAndLandingOfTheRecordedFlight) {
    const std::vector<Fix> flight = recordedCircuit();
    ASSERT_GT(flight.size(), 700u);
    const double takeOff = trueMoment(flight, 40, true, 10);
    ASSERT_TRUE(std::isfinite(takeOff));
    size_t afterTakeOff = 0;
    while (flight[afterTakeOff].timestamp < takeOff + 60) ++afterTakeOff;
    const double landing = trueMoment(flight, 30, false, 20, afterTakeOff);
    ASSERT_TRUE(std::isfinite(landing));

    RecorderHome home(true);
    platform::DictionaryPtr record = home.flightInBlockOff();
    test::LogCapture log;
    positioning::LocationManager manager;
    replay(flight, home.log, manager);

    // The moment of the first fix, to the second, is in the log line; the stamp is its minute.
    auto logged = [&](const char* what) {
        for (const QString& line : log.lines()) {
            QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Automatic %1 stamped .* at (\\d\\d):(\\d\\d):(\\d\\d) UTC")
                                                               .arg(QLatin1String(what)))
                                            .match(line);
            if (m.hasMatch()) return test::utc(2024, 6, 14, m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        }
        return double(NAN);
    };
    EXPECT_NEAR(logged("take off"), takeOff, 1.0);
    EXPECT_NEAR(logged("landing"), landing, 1.0);
    EXPECT_EQ(home.text(record, logbook::keys::takeOff), logbook::stampText(logged("take off")));
    EXPECT_EQ(home.text(record, logbook::keys::landing), logbook::stampText(logged("landing")));
    EXPECT_FALSE(record->find(logbook::keys::blockOn));  // the pilot's tap
    // Saved as a tap saves.
    platform::ArrayPtr saved = test::readFlights(home.log->savePath());
    ASSERT_TRUE(saved && saved->size() == 1);
    EXPECT_EQ(saved->at(0).asDictionary()->get(logbook::keys::takeOff).toQString(), home.text(record, logbook::keys::takeOff));
    EXPECT_EQ(saved->at(0).asDictionary()->get(logbook::keys::landing).toQString(), home.text(record, logbook::keys::landing));

    // The track: every fix, in the strict layout.
    const QString path = FlightTrack::path(*record);
    EXPECT_TRUE(path.endsWith(QStringLiteral("/tracks/20240614-095830.igc")));
    int records = 0;
    EXPECT_EQ(strictIgcProblems(readAll(path), &records), QStringList());
    EXPECT_EQ(size_t(records), flight.size());
}

TEST(FlightRecorder, WithTheSettingOffOrWithoutBlockOffNothingIsStamped) {
    const std::vector<Fix> flight = recordedCircuit();
    {
        RecorderHome home(false);
        platform::DictionaryPtr record = home.flightInBlockOff();
        positioning::LocationManager manager;
        replay(flight, home.log, manager);
        EXPECT_FALSE(record->find(logbook::keys::takeOff));
        EXPECT_FALSE(record->find(logbook::keys::landing));
        EXPECT_EQ(parseFile(FlightTrack::path(*record)).size(), flight.size());  // recorded all the same
    }
    {
        RecorderHome home(true);
        platform::DictionaryPtr record = home.log->newFlight();
        positioning::LocationManager manager;
        replay(flight, home.log, manager);
        EXPECT_EQ(record->size(), 1u);  // its timestamp alone
        EXPECT_FALSE(QFile::exists(FlightTrack::path(*record)));
    }
}

// Recorded files from real loggers: replayed, recorded and read again, the same fixes come back
// to the IGC resolution (a thousandth of a minute, a second), validity kept; fixes of a second
// already recorded, or earlier, are not written twice.
TEST(FlightRecorder, RecordedFlightsComeBackFromTheirTrack) {
    for (const char* name : {"valais-midnight.igc", "sion-circuit.igc"}) {
        SCOPED_TRACE(name);
        const std::vector<Fix> flight = QByteArray(name) == "sion-circuit.igc" ? recordedCircuit() : dataFlight(name);
        ASSERT_FALSE(flight.empty());
        RecorderHome home(false);
        platform::DictionaryPtr record = home.flightInBlockOff();
        positioning::LocationManager manager;
        replay(flight, home.log, manager, QStringLiteral("IGC file %1").arg(QLatin1String(name)));

        const QString path = FlightTrack::path(*record);
        const QByteArray content = readAll(path);
        EXPECT_EQ(strictIgcProblems(content), QStringList());
        EXPECT_TRUE(content.contains(QByteArray("HFGPSRECEIVER:IGC file ") + name + "\r\n"));

        std::vector<Fix> expected;
        for (const Fix& f : flight)
            if (expected.empty() || std::floor(f.timestamp) > std::floor(expected.back().timestamp)) expected.push_back(f);
        // The valais file's step back in time is the one fix left out.
        EXPECT_EQ(flight.size() - expected.size(), QByteArray(name) == "valais-midnight.igc" ? 1u : 0u);
        const std::vector<Fix> back = parseFile(path);
        ASSERT_EQ(back.size(), expected.size());
        const double resolution = 0.0005 / 60.0 + 1e-9;  // half a thousandth of a minute, in degrees
        for (size_t i = 0; i < back.size(); ++i) {
            EXPECT_EQ(back[i].timestamp, std::floor(expected[i].timestamp)) << i;
            EXPECT_NEAR(back[i].latitude, expected[i].latitude, resolution) << i;
            EXPECT_NEAR(back[i].longitude, expected[i].longitude, resolution) << i;
            EXPECT_EQ(back[i].horizontalAccuracy < 0, expected[i].horizontalAccuracy < 0) << i;
            // The altitudes come back: the pressure altitude always, the GNSS one on A records.
            ASSERT_TRUE(expected[i].pressureAltitude) << i;
            EXPECT_EQ(back[i].pressureAltitude, expected[i].pressureAltitude) << i;
            if (back[i].horizontalAccuracy >= 0) {
                EXPECT_EQ(back[i].altitude, expected[i].altitude) << i;
            }
        }
        // The H records say what the altitudes are.
        EXPECT_TRUE(content.contains("\r\nHFPRSPRESSALTSENSOR:position source\r\n"));
        EXPECT_TRUE(content.contains("\r\nHFALGALTGPS:GEO\r\nHFALPALTPRESSURE:ISA\r\n"));
    }
}

// The app stops in the middle of the flight and starts again: the same track goes on.
TEST(FlightRecorder, ARestartInTheMiddleOfTheFlightAppendsToTheSameTrack) {
    const std::vector<Fix> flight = recordedCircuit();
    const std::vector<Fix> first(flight.begin(), flight.begin() + 300), second(flight.begin() + 300, flight.end());
    RecorderHome home(true);
    platform::DictionaryPtr record = home.flightInBlockOff();
    {
        positioning::LocationManager manager;
        replay(first, home.log, manager);
    }
    EXPECT_TRUE(record->find(logbook::keys::takeOff));
    // A new run of the app: the logbook read from its file, a new manager and recorder.
    auto reread = std::make_shared<logbook::FlightLog>(home.log->savePath());
    platform::DictionaryPtr again = reread->contentForIndexPath(0, 0);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->get(logbook::keys::takeOff).toQString(), home.text(record, logbook::keys::takeOff));
    {
        positioning::LocationManager manager;
        replay(second, reread, manager);
    }
    EXPECT_TRUE(again->find(logbook::keys::landing));
    const QStringList tracks = QDir(home.dir.path() + QStringLiteral("/tracks")).entryList(QDir::Files);
    EXPECT_EQ(tracks, QStringList{FlightTrack::fileName(*record)});
    const QByteArray content = readAll(FlightTrack::path(*record));
    int records = 0;
    EXPECT_EQ(strictIgcProblems(content, &records), QStringList());
    EXPECT_EQ(size_t(records), flight.size());
    EXPECT_EQ(content.count("HFDTE"), 1);
}

// A full disk or a documents folder that refuses the track: one log line for the flight, the
// flight and its stamps untouched and saved, and the track resumes once it can be written.
TEST(FlightRecorder, AnUnwritableTrackIsLoggedOnceAndResumes) {
    const std::vector<Fix> flight = recordedCircuit();
    RecorderHome home(true);
    platform::DictionaryPtr record = home.flightInBlockOff();
    const QString path = FlightTrack::path(*record);
    FlightRecorder recorder(home.log);
    auto feed = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) recorder.fixDidArrive(flight[i], flight[i].horizontalAccuracy >= 0, 5.0, "test");
    };

    // No room on the disk: the track is a device that is always full.
    QDir().mkpath(home.dir.path() + QStringLiteral("/tracks"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), path));
    {
        test::LogCapture log;
        feed(0, 50);
        int lines = 0;
        for (const QString& line : log.lines()) lines += line.contains(QStringLiteral("could not be written")) ? 1 : 0;
        EXPECT_EQ(lines, 1);
    }
    // The tracks folder cannot be made at all (a plain file is in its place).
    QFile::remove(path);
    test::UnwritableFolder folder(home.dir.path() + QStringLiteral("/tracks"));
    folder.block();
    {
        test::LogCapture log;
        feed(50, 100);
        int lines = 0;
        for (const QString& line : log.lines()) lines += line.contains(QStringLiteral("could not be written")) ? 1 : 0;
        EXPECT_EQ(lines, 0);  // still the same flight: said once already
    }
    const platform::ArrayPtr before = test::readFlights(home.log->savePath());
    ASSERT_TRUE(before && before->size() == 1);
    EXPECT_EQ(before->at(0).asDictionary()->get(logbook::keys::blockOff).toQString(), home.text(record, logbook::keys::blockOff));

    // Writable again: the next fixes are recorded.
    folder.unblock();
    feed(100, flight.size());
    const std::vector<Fix> back = parseFile(path);
    ASSERT_EQ(back.size(), flight.size() - 100);
    EXPECT_EQ(back.front().timestamp, flight[100].timestamp);
    EXPECT_EQ(strictIgcProblems(readAll(path)), QStringList());
}

// A disk that fills up in the middle of a record (the file size limit stands in for it): the
// write failure is said once with the system's reason, not "Unknown error", and reopening the
// track at every fix does not log its notes at every fix either. Room again: the track goes on.
TEST(FlightRecorder, AFullDiskMidRecordIsLoggedOnceWithTheSystemsReason) {
    const std::vector<Fix> flight = recordedCircuit();
    ASSERT_GE(flight.size(), 120u);
    RecorderHome home(true);
    platform::DictionaryPtr record = home.flightInBlockOff();
    const QString path = FlightTrack::path(*record);
    FlightRecorder recorder(home.log);
    auto feed = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) recorder.fixDidArrive(flight[i], flight[i].horizontalAccuracy >= 0, 5.0, "test");
    };
    feed(0, 20);
    const qint64 size = QFileInfo(path).size();
    ASSERT_GT(size, 0);

    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = before;
    limited.rlim_cur = rlim_t(size + 20);  // room for part of the next record only
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    QStringList lines;
    {
        test::LogCapture log;
        feed(20, 80);
        lines = log.lines();
    }
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);

    auto count = [&](const char* fragment) {
        return int(std::count_if(lines.begin(), lines.end(), [&](const QString& line) { return line.contains(QLatin1String(fragment)); }));
    };
    EXPECT_EQ(count("could not be written"), 1) << lines.join('\n').toStdString();
    EXPECT_EQ(count("File too large"), 1);
    EXPECT_EQ(count("Unknown error"), 0);
    EXPECT_LE(count("cut off an incomplete last line"), 1);
    EXPECT_LE(count("going on with the recorded file"), 1);
    EXPECT_LE(lines.size(), 4);

    feed(80, flight.size());
    const std::vector<Fix> back = parseFile(path);
    ASSERT_EQ(back.size(), 20 + (flight.size() - 80));
    EXPECT_EQ(back[20].timestamp, flight[80].timestamp);
    EXPECT_EQ(strictIgcProblems(readAll(path)), QStringList());
}

// The demo flight taxis, takes off, flies its circuit and lands: with the setting on, the
// recorder stamps both and records the whole flight.
TEST(FlightRecorder, TheDemoFlightTakesOffAndLands) {
    RecorderHome home(true);
    platform::DictionaryPtr record = home.flightInBlockOff();
    positioning::LocationManager manager;
    auto source = std::make_unique<positioning::SimulatorSource>(std::vector<positioning::RoutePoint>{}, 5);
    source->setPacing(positioning::PositionSource::Pacing::AsFastAsPossible);
    positioning::SimulatorSource* simulator = source.get();
    manager.setPositionSource(std::move(source));
    {
        FlightRecorder recorder(home.log, manager);
        simulator->startUpdatingLocation();
    }
    ASSERT_TRUE(record->find(logbook::keys::takeOff));
    ASSERT_TRUE(record->find(logbook::keys::landing));
    const double takeOff = logbook::secondsOf(*record, logbook::keys::takeOff);
    const double landing = logbook::secondsOf(*record, logbook::keys::landing);
    const std::vector<Fix> track = parseFile(FlightTrack::path(*record));
    ASSERT_GT(track.size(), 1000u);
    // Take off within the first two minutes (stand, taxi, run); landing within the last four.
    EXPECT_LT(takeOff - std::floor(track.front().timestamp / 60) * 60, 120.0);
    EXPECT_GT(landing, track.back().timestamp - 240.0);
    EXPECT_TRUE(readAll(FlightTrack::path(*record)).contains("HFGPSRECEIVER:simulator flying LSGG"));
}

// ---- The screens and the command line's helpers ---------------------------------------------

TEST(FlightRecorder, TheDetailScreenFollowsTheStampsAndShowsTheTrack) {
    RecorderHome home(true);
    test::ShownWindow window;
    auto list = std::make_shared<logbook::FlightsView>(home.log);
    auto navigation = std::make_shared<platform::ui::NavigationController>(list);
    window->setRootViewController(navigation);
    platform::ui::Automation robot(window.get());
    robot.waitForIdle();

    list->newFlight();  // opens it in the detail screen
    robot.waitForIdle();
    logbook::FlightDetailView& detail = *list->detailView();
    platform::DictionaryPtr record = detail.content();
    ASSERT_TRUE(record);
    EXPECT_EQ(detail.trackText(), QStringLiteral("-"));
    detail.setCurrentTime(detail.form().blockOffButton);

    // Ten legs of one nautical mile north, a minute each.
    FlightRecorder recorder(home.log);
    const double t0 = test::utc(2024, 6, 14, 10, 0, 0);
    const double mile = 1852.0 / positioning::Geodesy::kEarthRadiusMetres / positioning::Geodesy::kDegreesToRadians;
    for (int i = 0; i <= 10; ++i) recorder.fixDidArrive(fixAt(46.0 + i * mile, 7.0, t0 + 60 * i), true, 1.0, "test");
    detail.updateTimesButtons();
    EXPECT_EQ(detail.trackText(), QStringLiteral("00:10  10.0 nm"));
    auto* trackField = detail.view()->findChild<QLabel*>(QStringLiteral("trackField"));
    ASSERT_TRUE(trackField);
    EXPECT_EQ(trackField->text(), QStringLiteral("00:10  10.0 nm"));

    // A take-off run, a second a fix: the take-off button gives way to the landing button.
    EXPECT_TRUE(detail.form().takeOffButton->isEnabled());
    for (int i = 1; i <= 20; ++i) recorder.fixDidArrive(fixAt(46.1, 7.0 + i * 0.0003, t0 + 600 + i), true, 50 * kKnot, "test");
    EXPECT_TRUE(record->find(logbook::keys::takeOff));
    EXPECT_FALSE(detail.form().takeOffButton->isEnabled());
    EXPECT_TRUE(detail.form().landingButton->isEnabled());
    EXPECT_NE(detail.form().takeOffField->text(), QStringLiteral("-"));

    // Deleting the flight deletes its track.
    const QString path = FlightTrack::path(*record);
    ASSERT_TRUE(QFile::exists(path));
    navigation->popToRootViewControllerAnimated(false);
    robot.waitForIdle();
    list->commitEditingStyle(list->flightsTable(), platform::ui::TableViewCellEditingStyle::Delete, {0, 0});
    EXPECT_EQ(home.log->flightsArray()->size(), 0u);
    EXPECT_FALSE(QFile::exists(path));
}

TEST(FlightTrack, GpxHoldsEveryFixAsATrackPoint) {
    const std::vector<Fix> flight = recordedCircuit();
    QXmlStreamReader xml(FlightTrack::gpx(flight, QStringLiteral("2024/06/14 10:00")));
    size_t points = 0, noFix = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        noFix += xml.name() == QLatin1String("fix") ? 1 : 0;
        if (xml.name() != QLatin1String("trkpt") || points >= flight.size()) continue;
        EXPECT_NEAR(xml.attributes().value(QStringLiteral("lat")).toDouble(), flight[points].latitude, 1e-6);
        EXPECT_NEAR(xml.attributes().value(QStringLiteral("lon")).toDouble(), flight[points].longitude, 1e-6);
        ++points;
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(points, flight.size());
    EXPECT_EQ(noFix, 3u);  // the three V records at the start of the recording
}
