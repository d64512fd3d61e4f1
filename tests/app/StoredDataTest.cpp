// The pilot's stored data with the real app: the instruments' choices reach the disk shortly
// after a change, without a normal end (kill -9), and a second copy on the same documents runs
// read-only, says so, and leaves the first copy's files as they were.

#include "waypoints/DatabaseFixture.h"

#include "platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>

using namespace vantrel;
using test::makeRecord;

namespace {

class Home {
public:
    Home() {
        db.writeStates({});
        db.writeCountry(QStringLiteral("France"), {makeRecord("LFPG", 49.0, 2.55)});
    }

    // The app started on the script, on this home's documents and defaults.
    std::unique_ptr<QProcess> start(const QString& name, const QString& script) const {
        const QString path = home.file(name + ".vscript");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
        file.write(script.toUtf8());
        file.close();
        auto app = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VANTREL_DEFAULTS_FILE", defaultsFile());
        env.insert("XDG_CONFIG_HOME", home.file("config"));
        env.insert("XDG_DATA_HOME", home.file("data"));
        app->setProcessEnvironment(env);
        app->setWorkingDirectory(home.path());
        app->start(QStringLiteral(VANTREL_APP_PATH),
                   {"--database", db.databaseDirectory(), "--documents", db.documentsDirectory(), "--script", path});
        return app;
    }

    // Waits (the event loop of this test turning) until the file is there.
    bool waitForFile(const QString& name, int ms = 60000) const {
        QElapsedTimer timer;
        timer.start();
        while (!QFile::exists(home.file(name))) {
            if (timer.elapsed() > ms) return false;
            QThread::msleep(50);
        }
        QThread::msleep(100);  // the dump is written whole before the next step
        return true;
    }

    QJsonObject json(const QString& name) const {
        QFile file(home.file(name));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    }

    QString defaultsFile() const { return home.file("defaults.plist"); }
    platform::Value defaults(const char* key) const {
        platform::Value root = platform::plist::readFile(defaultsFile());
        return root.isDictionary() ? root.dictionary()->get(key) : platform::Value();
    }
    QByteArray bytes(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    test::DatabaseFixture db;
    test::TempDir home;
};

void killNow(QProcess& app) {
    app.kill();  // SIGKILL: no termination saves run
    app.waitForFinished(10000);
}

}  // namespace

TEST(StoredData, TheInstrumentsChoicesAreOnDiskWithoutANormalEnd) {
    Home home;
    std::unique_ptr<QProcess> app = home.start("change",
                                               "tap button \"Agree\"\n"
                                               "tap tab \"VOR 1\"\n"
                                               "tap button \"+1°\"\n"
                                               "tap button \"+1°\"\n"
                                               "tap button \"+1°\"\n"
                                               "wait 3\n"
                                               "dump \"changed.json\"\n"
                                               "wait 60\n");
    ASSERT_TRUE(home.waitForFile("changed.json")) << app->readAllStandardError().toStdString();
    killNow(*app);
    const double shown = home.json("changed.json")["primaryVOR"].toObject()["ringAngle"].toDouble();
    EXPECT_DOUBLE_EQ(shown, 3.0);
    const platform::Value saved = home.defaults("VOR 1");
    ASSERT_TRUE(saved.isDictionary()) << "the VOR's settings were not saved before the kill";
    EXPECT_DOUBLE_EQ(saved.dictionary()->get("ringAngle").doubleValue(), shown);
}

TEST(StoredData, ASecondCopyRunsReadOnlyAndLosesNothingOfTheFirst) {
    Home home;
    std::unique_ptr<QProcess> first = home.start("first",
                                                 "tap button \"Agree\"\n"
                                                 "tap tab \"Logbook\"\n"
                                                 "tap button \"Edit\"\n"
                                                 "tap button \"New\"\n"
                                                 "tap tab \"VOR 1\"\n"
                                                 "tap button \"+1°\"\n"
                                                 "wait 3\n"
                                                 "dump \"first.json\"\n"
                                                 "wait 60\n");
    ASSERT_TRUE(home.waitForFile("first.json")) << first->readAllStandardError().toStdString();
    const QString flights = home.db.documentsDirectory() + "/flights.plist";
    const QByteArray flightsBefore = home.bytes(flights);
    const QByteArray defaultsBefore = home.bytes(home.defaultsFile());
    ASSERT_FALSE(flightsBefore.isEmpty());
    ASSERT_FALSE(defaultsBefore.isEmpty());

    std::unique_ptr<QProcess> second = home.start("second",
                                                  "screenshot \"read-only.png\"\n"
                                                  "tap button \"OK\"\n"
                                                  "tap button \"Agree\"\n"
                                                  "tap tab \"Logbook\"\n"
                                                  "tap button \"Edit\"\n"
                                                  "tap button \"New\"\n"
                                                  "screenshot \"not-saved.png\"\n"
                                                  "tap button \"OK\"\n"
                                                  "tap tab \"VOR 1\"\n"
                                                  "tap button \"+1°\"\n"
                                                  "wait 3\n"
                                                  "quit\n");
    ASSERT_TRUE(second->waitForFinished(60000));
    const QString err = QString::fromUtf8(second->readAllStandardError());
    EXPECT_EQ(second->exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(err.contains("Vantrel is already running on these documents; this copy is read-only")) << err.toStdString();
    EXPECT_TRUE(err.contains("another copy of Vantrel holds these documents")) << err.toStdString();
    EXPECT_EQ(home.bytes(flights), flightsBefore);
    EXPECT_EQ(home.bytes(home.defaultsFile()), defaultsBefore);

    killNow(*first);
    // Gone, the first copy lets go: the next start writes.
    std::unique_ptr<QProcess> third = home.start("third", "tap button \"Agree\"\ntap tab \"Logbook\"\ntap button \"Edit\"\n"
                                                          "tap button \"New\"\nquit\n");
    ASSERT_TRUE(third->waitForFinished(60000));
    EXPECT_EQ(third->exitCode(), 0) << third->readAllStandardError().toStdString();
    EXPECT_NE(home.bytes(flights), flightsBefore);
}
