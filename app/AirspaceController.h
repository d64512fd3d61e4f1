#pragma once
// The "Airspace" screen, pushed from Settings: the pilot's switch for airspace warnings, the
// airspace files with what was read from each (airspaces, and those skipped) and a switch each,
// and "Import" in the bar, which asks for the path of an OpenAir file (FilePathPrompt: typed, or
// chosen in a file dialog on a desktop). A swipe across a file's row deletes the file.
//
// The files shown are those of the index in use (AirspaceLibrary::shared().current()), shown again
// at each kAirspaceDidChange. Every change (import, switch, removal) is written through the store
// at once and the files are then reloaded on a worker thread (AirspaceLoading.h), never on the main
// thread; the import itself reads the file on a worker too. An import whose file name is loaded
// already asks "Replace" (the loaded file is replaced), "Keep both" (the new one is kept under a
// free name, "geneva 2.txt") or "Cancel"; a file in which no airspace reads, or that cannot be
// read or written, is refused with an alert saying why, and nothing loaded changes. A finished
// import says what was read and what was skipped (the reader logs each skipped line).
//
// A read-only copy of the app (platform::pilotFilesWriteRefusal) shows the files and says it is
// read-only: no import, no switch, no removal.
//
// Ownership: shared (std::shared_ptr; the app's screen lives for the whole process); the cells and
// switches belong to its view. It holds its own copy of the store (a folder and the defaults, which
// must outlive it). Threads: construction on any thread; the rest on the main thread.

#include "airspace/AirspaceStore.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/ViewController.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantrel::platform::ui {
class Switch;
class TableView;
class TableViewCell;
}  // namespace vantrel::platform::ui

namespace vantrel::app {

class FilePathPrompt;

class AirspaceController : public platform::ui::ViewController,
                           public platform::ui::TableViewDataSource,
                           public platform::ui::TableViewDelegate,
                           public platform::ui::AlertViewDelegate,
                           public std::enable_shared_from_this<AirspaceController> {
public:
    // The app's screen, on AirspaceStore::defaultFolder() and the standard defaults.
    static std::shared_ptr<AirspaceController> sharedController();

    explicit AirspaceController(airspace::AirspaceStore store);
    ~AirspaceController() override;

    const airspace::AirspaceStore& store() const { return store_; }
    // The table (loads the view).
    platform::ui::TableView* tableView();
    // The "Warnings" switch (loads the view).
    platform::ui::Switch* warningsSwitch();
    // The files as shown now, by name.
    const std::vector<airspace::AirspaceFile>& files() const { return files_; }
    // The text under a file's name: "11 airspaces", "400 airspaces, 3 skipped".
    static QString countsText(const airspace::AirspaceFile& file);

    // "Import": the prompt for a path (null when read-only; the alert says so).
    FilePathPrompt* showImportPrompt();
    // Starts the import of the file at `path` on a worker; empty, or why it did not start.
    QString importPath(const QString& path);
    // True while an import runs or its answer waits to be shown.
    bool isImporting() const { return importing_; }
    // The pilot's switches; false (and nothing changed) when read-only.
    bool setFileEnabled(const QString& fileName, bool enabled);
    bool setWarningsEnabled(bool enabled);
    bool removeFile(const QString& fileName);

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    int numberOfSectionsInTableView(platform::ui::TableView*) override { return 2; }
    int numberOfRowsInSection(platform::ui::TableView* tableView, int section) override;
    QString titleForHeaderInSection(platform::ui::TableView* tableView, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* tableView,
                                                       const platform::ui::IndexPath& indexPath) override;
    std::optional<double> heightForRowAtIndexPath(platform::ui::TableView* tableView,
                                                  const platform::ui::IndexPath& indexPath) override;
    bool canEditRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    void commitEditingStyle(platform::ui::TableView* tableView, platform::ui::TableViewCellEditingStyle style,
                            const platform::ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alertView, int buttonIndex) override;

protected:
    void loadView() override;

private:
    enum class Row { Note, File, Empty };
    // What the row of the files' section shows: the read-only note first, then the files or the hint.
    Row fileSectionRow(int row, int* fileIndex) const;
    QString refusal() const;
    void refresh();
    void startImport(const QString& path, bool replace, const QString& asName);
    void importFinished(const QString& path, const airspace::AirspaceStore::ImportResult& result);
    void showMessage(const QString& title, const QString& message);

    airspace::AirspaceStore store_;
    std::vector<airspace::AirspaceFile> files_;
    platform::ui::TableView* table_ = nullptr;
    platform::ui::TableViewCell* warningsCell_ = nullptr;
    platform::ui::Switch* warningsSwitch_ = nullptr;
    bool importing_ = false;
    // The import waiting for the pilot's answer to "Replace" or "Keep both".
    QString pendingPath_;
    QString pendingName_;
    QPointer<platform::ui::AlertView> existsAlert_;
};

}  // namespace vantrel::app
