// The Airspace screen, reached from Settings, and the load of the airspace files at start: an
// import through the screen's prompt, a second file of the same name refused, kept beside or put
// in place as the pilot answers, files that are not OpenAir refused, a file switched off leaving
// the index in use and staying off at the next start, the warnings switch kept, a read-only copy
// changing nothing, and the app's start publishing what is in the documents folder.

#include "waypoints/DatabaseFixture.h"

#include "AppTestSupport.h"
#include "airspace/AirspaceTestSupport.h"

#include "airspace/AirspaceStore.h"
#include "app/AirspaceController.h"
#include "app/AirspaceLoading.h"
#include "app/FilePathPrompt.h"
#include "app/SettingsController.h"
#include "app/VantrelAppDelegate.h"
#include "platform/core/DocumentsLock.h"
#include "platform/core/Threads.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Automation.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Transition.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

using namespace vantrel;
using airspace::AirspaceLibrary;
using airspace::AirspaceStore;
using platform::ui::Automation;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

size_t airspacesInUse() { return AirspaceLibrary::shared().current().index->size(); }

QStringList fileNamesShown(app::AirspaceController& screen) {
    QStringList names;
    for (const airspace::AirspaceFile& file : screen.files()) names << file.fileName;
    return names;
}

// Settings in a navigation stack in a shown window, its "Airspace" row opening a screen on a
// folder of the test's own.
struct AirspaceOnScreen {
    test::CleanDefaults clean;
    test::TempDir dir;
    units::UnitSettings units;
    std::shared_ptr<app::AirspaceController> airspace;
    std::shared_ptr<app::SettingsController> settings;
    std::shared_ptr<platform::ui::NavigationController> navigation;
    test::ShownWindow window;

    AirspaceOnScreen() {
        platform::UserDefaults::standardUserDefaults().removeObjectForKey("Airspace");
        AirspaceLibrary::shared().publish({});
        airspace = std::make_shared<app::AirspaceController>(AirspaceStore(dir.file("airspace")));
        settings = std::make_shared<app::SettingsController>(units);
        settings->setAirspaceScreen(airspace);
        navigation = std::make_shared<platform::ui::NavigationController>(settings);
        window->setRootViewController(navigation);
    }
    ~AirspaceOnScreen() { platform::UserDefaults::standardUserDefaults().removeObjectForKey("Airspace"); }

    Automation robot() { return Automation(window.get()); }
    QString folderFile(const QString& name) const { return dir.file("airspace/" + name); }

    // Until the import and the reloads it started are over and their answers shown.
    void settle() {
        QElapsedTimer timer;
        timer.start();
        while ((airspace->isImporting() || app::isReloadingAirspaceFiles()) && timer.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::processEvents();
        robot().waitForIdle();
    }

    // "Import", the path typed and Return; answers the prompt's problem or the alert then shown
    // ("title: message"), and taps the alert's first button named in `answer`.
    std::string import(const QString& path, const QString& answer = QStringLiteral("OK")) {
        return importShown(path, answer).toStdString();
    }
    QString importShown(const QString& path, const QString& answer) {
        const QString tapped = robot().tapButton("Import");
        if (!tapped.isEmpty()) return tapped;
        const QString typed = robot().typeText(path + "\n");
        if (!typed.isEmpty()) return typed;
        settle();
        for (QWidget* widget : window->findChildren<QWidget*>(QStringLiteral("filePathPrompt"))) {
            auto* prompt = dynamic_cast<app::FilePathPrompt*>(widget);
            if (prompt && prompt->isVisible()) {
                const QString problem = prompt->problem();
                prompt->cancel();
                return "prompt: " + problem;
            }
        }
        for (auto* alert : window->findChildren<platform::ui::AlertView*>()) {
            if (!alert->isVisible()) continue;
            const QString shown = alert->title() + ": " + alert->message();
            const QString error = robot().tapButton(answer);
            settle();
            return error.isEmpty() ? shown : error;
        }
        return "nothing shown";
    }
};

}  // namespace

// The row in Settings opens the screen; an empty folder says how to import; an import shows what
// was read and the file's row; a second file of the same name is refused until the pilot says
// Replace or Keep both, and Cancel leaves the loaded file as it was; what is not OpenAir, a missing
// file and a folder are refused with the reason, and nothing loaded changes.
TEST(AirspaceScreen, ImportsThroughThePromptAndAsksBeforeReplacing) {
    platform::ui::Transition::setAnimationsEnabled(false);
    AirspaceOnScreen screen;
    ASSERT_EQ(screen.robot().tapRow("Airspace"), "");
    screen.robot().waitForIdle();
    ASSERT_EQ(screen.navigation->topViewController(), screen.airspace.get());
    platform::ui::TableView* table = screen.airspace->tableView();
    ASSERT_EQ(table->numberOfRowsInSection(1), 1);
    ASSERT_TRUE(table->cellForRowAtIndexPath({1, 0}));
    EXPECT_TRUE(table->cellForRowAtIndexPath({1, 0})->text().startsWith("No airspace files yet. Tap Import"));

    const QString geneva = test::airspaceFixture("geneva.txt");
    const size_t genevaCount = test::readAirspaceFixture("geneva.txt").airspaces.size();
    ASSERT_GT(genevaCount, 5u);
    EXPECT_EQ(screen.import(geneva),
              QStringLiteral("Airspace imported: %1 airspaces read from \u201cgeneva.txt\u201d.").arg(genevaCount).toStdString());
    EXPECT_EQ(fileNamesShown(*screen.airspace), QStringList{"geneva.txt"});
    EXPECT_EQ(airspacesInUse(), genevaCount);
    EXPECT_EQ(contents(screen.folderFile("geneva.txt")), contents(geneva));
    ASSERT_TRUE(table->cellForRowAtIndexPath({1, 0}));
    EXPECT_EQ(table->cellForRowAtIndexPath({1, 0})->text(), "geneva.txt");
    EXPECT_EQ(app::AirspaceController::countsText(screen.airspace->files().front()), QStringLiteral("%1 airspaces").arg(genevaCount));

    // Another file named geneva.txt, with one airspace and a line that does not read.
    const QByteArray other = "AC R\nAN ONLY ONE\nAL GND\nAH FL50\nXX what is this\nV X=46:00:00 N 006:00:00 E\nDC 1\n";
    const QString otherPath = screen.dir.file("incoming/geneva.txt");
    ASSERT_TRUE(writeFile(otherPath, other));
    auto question = [](const char* freeName) {
        return QStringLiteral("File already loaded: An airspace file named \u201cgeneva.txt\u201d is loaded already. "
                              "Replace it with the new one, or keep both and name the new one \u201c%1\u201d?")
            .arg(freeName)
            .toStdString();
    };
    EXPECT_EQ(screen.import(otherPath, "Cancel"), question("geneva 2.txt"));
    EXPECT_EQ(contents(screen.folderFile("geneva.txt")), contents(geneva));
    EXPECT_EQ(airspacesInUse(), genevaCount);

    EXPECT_EQ(screen.import(otherPath, "Keep both"), question("geneva 2.txt"));
    EXPECT_TRUE(screen.robot().findButton("OK")) << "the import's answer follows";
    ASSERT_EQ(screen.robot().tapButton("OK"), "");
    screen.settle();
    EXPECT_EQ(fileNamesShown(*screen.airspace), (QStringList{"geneva 2.txt", "geneva.txt"}));
    EXPECT_EQ(contents(screen.folderFile("geneva.txt")), contents(geneva));
    EXPECT_EQ(contents(screen.folderFile("geneva 2.txt")), other);
    EXPECT_EQ(airspacesInUse(), genevaCount + 1);
    EXPECT_EQ(app::AirspaceController::countsText(screen.airspace->files().front()), "1 airspace, 1 line not read");

    EXPECT_EQ(screen.import(otherPath, "Replace"), question("geneva 3.txt"));
    ASSERT_EQ(screen.robot().tapButton("OK"), "");
    screen.settle();
    EXPECT_EQ(contents(screen.folderFile("geneva.txt")), other);
    EXPECT_EQ(airspacesInUse(), 2u);

    // Refusals: nothing in the folder or in use changes.
    ASSERT_TRUE(writeFile(screen.dir.file("incoming/notes.txt"), "Fuel 120 l\nOil checked\n"));
    struct Refused {
        QString path;
        QString shown;
    };
    const QString missing = screen.dir.file("incoming/none.txt");
    for (const Refused& c : {
             Refused{screen.dir.file("incoming/notes.txt"),
                     "Nothing imported: No airspace could be read from \u201cnotes.txt\u201d (2 lines skipped): it is not "
                     "an OpenAir file, or every airspace in it is damaged. The log names the lines."},
             Refused{missing, "prompt: There is no file " + missing + "."},
             Refused{screen.dir.file("incoming"), "prompt: " + screen.dir.file("incoming") + " is a folder; give the path of a file."},
             Refused{"  ", "prompt: Type the path of a file."},
         }) {
        EXPECT_EQ(screen.import(c.path), c.shown.toStdString());
        EXPECT_EQ(QDir(screen.dir.file("airspace")).entryList(QDir::Files), (QStringList{"geneva 2.txt", "geneva.txt"}));
        EXPECT_EQ(airspacesInUse(), 2u);
    }
}

// A file's switch takes its airspaces out of the index in use (reloaded on a worker) and stays
// off at the next start; the warnings switch is kept in the defaults; a swipe deletes a file; a
// read-only copy shows the files and changes nothing.
TEST(AirspaceScreen, SwitchesTakeFilesOutAndAreKeptAcrossARestart) {
    platform::ui::Transition::setAnimationsEnabled(false);
    AirspaceOnScreen screen;
    AirspaceStore store(screen.dir.file("airspace"));
    ASSERT_EQ(store.importFile(test::airspaceFixture("geneva.txt"), false).outcome, AirspaceStore::Outcome::Imported);
    ASSERT_EQ(store.importFile(test::airspaceFixture("sample-400.txt"), false).outcome, AirspaceStore::Outcome::Imported);
    app::loadAirspaceFiles(store);
    const size_t genevaCount = test::readAirspaceFixture("geneva.txt").airspaces.size();
    const size_t sampleCount = test::readAirspaceFixture("sample-400.txt").airspaces.size();
    ASSERT_EQ(airspacesInUse(), genevaCount + sampleCount);

    ASSERT_EQ(screen.robot().tapRow("Airspace"), "");
    screen.robot().waitForIdle();
    EXPECT_EQ(fileNamesShown(*screen.airspace), (QStringList{"geneva.txt", "sample-400.txt"}));
    EXPECT_TRUE(screen.airspace->warningsSwitch()->isOn());

    ASSERT_EQ(screen.robot().tapButton("sample-400.txt"), "");
    screen.settle();
    EXPECT_EQ(airspacesInUse(), genevaCount);
    EXPECT_FALSE(screen.airspace->files().back().enabled);
    ASSERT_EQ(screen.robot().tapButton("Warnings"), "");
    EXPECT_FALSE(screen.airspace->warningsSwitch()->isOn());

    // The next start reads both switches back from the file of the defaults.
    platform::UserDefaults::standardUserDefaults().reload();
    AirspaceStore next(screen.dir.file("airspace"));
    EXPECT_FALSE(next.warningsEnabled());
    EXPECT_FALSE(next.isEnabled("sample-400.txt"));
    EXPECT_TRUE(next.isEnabled("geneva.txt"));
    app::loadAirspaceFiles(next);
    EXPECT_EQ(airspacesInUse(), genevaCount);
    screen.robot().waitForIdle();
    EXPECT_FALSE(screen.airspace->warningsSwitch()->isOn());

    // A read-only copy: every control refuses, nothing is written.
    platform::setPilotFilesReadOnly(QStringLiteral("another copy holds these documents"));
    platform::NotificationCenter::defaultCenter().postNotificationName(app::kAirspaceDidChange, nullptr);
    EXPECT_NE(screen.robot().tapButton("geneva.txt"), "");
    EXPECT_NE(screen.robot().tapButton("Warnings"), "");
    EXPECT_FALSE(screen.airspace->setFileEnabled("geneva.txt", false));
    EXPECT_FALSE(screen.airspace->removeFile("geneva.txt"));
    EXPECT_FALSE(screen.airspace->showImportPrompt());
    EXPECT_TRUE(screen.airspace->tableView()->cellForRowAtIndexPath({1, 0})->text().startsWith("Read-only"));
    platform::setPilotFilesReadOnly({});
    ASSERT_EQ(screen.robot().tapButton("OK"), "");
    EXPECT_TRUE(next.isEnabled("geneva.txt"));
    EXPECT_TRUE(QFile::exists(screen.folderFile("geneva.txt")));

    // Back to writable: a file is deleted, and with it its airspaces and its switch.
    platform::NotificationCenter::defaultCenter().postNotificationName(app::kAirspaceDidChange, nullptr);
    ASSERT_TRUE(screen.airspace->removeFile("sample-400.txt"));
    screen.settle();
    EXPECT_EQ(fileNamesShown(*screen.airspace), QStringList{"geneva.txt"});
    EXPECT_FALSE(QFile::exists(screen.folderFile("sample-400.txt")));
    EXPECT_TRUE(next.isEnabled("sample-400.txt"));
    EXPECT_EQ(airspacesInUse(), genevaCount);
}

// The app's start: once the database is loaded, the load thread reads the documents' airspace
// files, a damaged one among them, publishes the index, logs the counts, and posts
// "airspaceDidChange" on the main thread.
TEST(AirspaceScreen, TheStartPublishesTheFilesOfTheDocumentsFolder) {
    platform::ui::Transition::setAnimationsEnabled(false);
    test::CleanDefaults clean;
    platform::UserDefaults::standardUserDefaults().removeObjectForKey("Airspace");
    platform::UserDefaults::standardUserDefaults().setObject("disableDisclaimer", platform::Value::boolean(true));
    AirspaceLibrary::shared().publish({});
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {test::makeRecord("LFPG", 49.0, 2.55)});
    const QString folder = db.documentsDirectory() + "/airspace";
    ASSERT_TRUE(writeFile(folder + "/geneva.txt", contents(test::airspaceFixture("geneva.txt"))));
    QByteArray damaged = contents(test::airspaceFixture("geneva.txt")).left(700);
    damaged.replace(0, 40, QByteArray(40, '\0'));
    ASSERT_TRUE(writeFile(folder + "/cut.txt", damaged + QByteArray("\xff\xfe\x00garbage", 10)));
    const size_t genevaCount = test::readAirspaceFixture("geneva.txt").airspaces.size();

    test::LogCapture log;
    bool onMainThread = false;
    size_t publishedWhenPosted = 0;
    int observer = 0;
    platform::NotificationCenter::defaultCenter().addObserver(&observer, app::kAirspaceDidChange, nullptr,
                                                              [&](const platform::Notification&) {
                                                                  onMainThread = platform::isMainThread();
                                                                  publishedWhenPosted = airspacesInUse();
                                                              });
    {
        app::VantrelAppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        QElapsedTimer timer;
        timer.start();
        while (publishedWhenPosted == 0 && timer.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_TRUE(delegate.window()->rootViewController()) << "the screens came up before";
    }
    platform::NotificationCenter::defaultCenter().removeObserver(&observer);
    platform::UserDefaults::standardUserDefaults().removeObjectForKey("disableDisclaimer");
    EXPECT_TRUE(onMainThread);
    const size_t cutCount = airspacesInUse() - genevaCount;
    EXPECT_EQ(publishedWhenPosted, airspacesInUse());
    EXPECT_GE(airspacesInUse(), genevaCount);
    const airspace::LoadedAirspaces loaded = AirspaceLibrary::shared().current();
    ASSERT_EQ(loaded.files.size(), 2u);
    EXPECT_EQ(loaded.files[0].fileName, "cut.txt");
    EXPECT_GT(loaded.files[0].skippedLines, 0);
    const QString expected = QStringLiteral("Airspace: %1 airspaces from 2 files").arg(genevaCount + cutCount);
    EXPECT_TRUE(log.contains(expected)) << log.lines().join("\n").toStdString();
    EXPECT_TRUE(log.contains("skipped in cut.txt")) << log.lines().join("\n").toStdString();
}
