#pragma once
// The pilot's airspace files: the folder "airspace" in the documents folder, one OpenAir file per
// import, kept byte for byte as imported; a switch per file kept in the user defaults (key
// "Airspace", its "disabledFiles" array: files not named there are on); and the load of every file
// into one index of the airspaces of the files that are on.
//
// Import reads the file first: a file in which no airspace reads is refused and nothing is written.
// A file of the same name already loaded is never replaced unless asked (replace); the copy is
// written atomically (platform/core/AtomicFile.h), so a failed import leaves the loaded file as it
// was. Temporaries an interrupted import left in the folder are removed at the next listing.
//
// Ownership: the store holds only the folder and the defaults it was given (not owned; they must
// outlive it). Threads: any thread; two stores on the same folder must not import at once. The
// load may run on any thread (the app's load thread); AirspaceLibrary hands its result to the
// others.

#include "AirspaceIndex.h"

#include <QString>

#include <memory>
#include <mutex>
#include <vector>

namespace vantrel::platform {
class UserDefaults;
class Value;
}

namespace vantrel::airspace {

struct AirspaceFile {
    QString fileName;
    bool enabled = true;
    int airspaces = 0;          // read from it at the last load
    int skippedAirspaces = 0;
    int skippedLines = 0;
};

struct LoadedAirspaces {
    std::shared_ptr<const AirspaceIndex> index;  // the airspaces of the files that are on; never null
    std::vector<AirspaceFile> files;             // every file of the folder, by name
};

class AirspaceStore {
public:
    // An empty folder means there is no documents folder: no files, every import fails.
    explicit AirspaceStore(QString folder, platform::UserDefaults* defaults = nullptr);  // null: the standard defaults

    // "airspace" in the documents folder, created when missing.
    static QString defaultFolder();
    const QString& folder() const { return folder_; }

    // The names of the files in the folder, sorted.
    QStringList fileNames() const;

    enum class Outcome { Imported, Replaced, Exists, NothingRead, Failed };
    struct ImportResult {
        Outcome outcome = Outcome::Failed;
        QString fileName;             // the name in the folder
        int airspaces = 0, skippedAirspaces = 0, skippedLines = 0;
        QString error;                // why it failed, for Failed
    };
    // asName: the name to keep it under in the folder; empty = the file's own name.
    ImportResult importFile(const QString& path, bool replace, const QString& asName = {});
    // The first of "name", "name 2", "name 3", ... (before the extension) that no file of the
    // folder has: the name under which an import keeps both files.
    QString freeFileName(const QString& fileName) const;
    // Removes a file from the folder and its switch. False when there is no such file.
    bool removeFile(const QString& fileName);

    bool isEnabled(const QString& fileName) const;
    void setEnabled(const QString& fileName, bool enabled);
    // The pilot's switch for airspace warnings (the "warnings" key of "Airspace"; on when absent).
    bool warningsEnabled() const;
    void setWarningsEnabled(bool enabled);

    // Reads every file (the disabled ones too, for their counts) and indexes those that are on.
    LoadedAirspaces load() const;

private:
    platform::UserDefaults& defaults() const;
    QStringList disabledFiles() const;
    // Sets one key of the "Airspace" settings on a copy, so that nothing shared is changed in place.
    void setSetting(const char* key, const platform::Value& value);

    QString folder_;
    platform::UserDefaults* defaults_;
};

// The airspaces the app is using now, shared by the load thread that makes them and the map and
// warnings that ask them. Threads: any thread; the index handed out stays valid while it is held.
class AirspaceLibrary {
public:
    static AirspaceLibrary& shared();

    LoadedAirspaces current() const;
    void publish(LoadedAirspaces loaded);
    // Loads the store on the calling thread and publishes the result.
    void loadFrom(const AirspaceStore& store);

private:
    mutable std::mutex mutex_;
    LoadedAirspaces loaded_{std::make_shared<const AirspaceIndex>(), {}};
};

}  // namespace vantrel::airspace
