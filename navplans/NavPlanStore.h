#pragma once
// The navigation plans on disk and in memory: the folder "navplans" in the documents folder, one
// XML property-list file per plan, and the list of plan records built from the folder.
//
// Listing: every entry of the folder, in the order the file system lists them, gives one plan
// record: at first only the plan's name, read from the top of the file (saves write the name
// before the waypoints; an older file is scanned to its name without making values of its
// waypoints), so that opening the list does not decode a large plan; the whole dictionary
// (copied, its "wp" array copied too, so that waypoints can be added and removed in place) is read
// into that same record when the plan is asked for (planAt, navigationPlansArray). Anything that
// is not a plist dictionary (another file, a folder, a file too large to be a plan) gives an empty
// record (a row without a name). Each record remembers the file it came from.
//
// Saving (savePlan) names the file after the plan (PlanFileName: unsafe characters mapped, the
// typed name kept inside the file) and writes it atomically. The rules for the file name:
//   - the plan's own file (read from or last written) is written again when it still fits the name;
//   - a free name is taken; a plan renamed moves: once the new file is written, its former file
//     (one that held this plan) is removed, so that a plan is never two files;
//   - a file that holds a plan of exactly the same name is replaced (the record that was read from
//     it leaves the list), unless the caller asked to keep existing plans (the import);
//   - a file that holds anything else (a plan whose different name maps to the same file name, a
//     foreign file, a folder) is never written over: the plan takes the next numbered name.
// A plan saved for the first time joins the list at its end. A failed save is logged with the
// file's path and posted as a user notice (platform/core/UserNotice.h); the plan stays in memory
// as it was, and the next save tries again. Temporary files that an interrupted save left in the
// folder ("<plan file>.XXXXXX", platform/core/AtomicFile.h) are removed before each listing, so
// they never become rows.
//
// Deleting removes the row's record and the file that holds that plan (the one it was read from
// or last written to), never another file; a folder in the plans folder is not removed.
//
// Ownership: the store owns its list; the records are shared with the screens that edit them.
// Threads: main thread only (the command line uses it on its one thread).

#include "platform/core/Value.h"

#include <QString>
#include <unordered_map>

namespace vantrel::navplans {

class NavPlanStore {
public:
    // Posted (object: the store) when plans were replaced or removed outside the list screen's
    // own actions, so that the list shows it.
    static constexpr const char* kDidChangeNotification = "NavPlanStoreDidChange";

    // Builds the list from the folder; an empty path means there is no documents folder: the list
    // starts empty and every save fails.
    explicit NavPlanStore(QString folder);

    // "navplans" in the documents folder, created when missing; empty without a documents folder.
    static QString defaultFolder();
    // The folder, after asking for it to be created (the answer does not matter: a folder that
    // cannot be made gives an empty listing and failed saves).
    QString savePath() const;

    // The plan records, one per folder entry listed, then the plans saved since; every plan read
    // whole first.
    const platform::ArrayPtr& navigationPlansArray() const;
    // The row's record, read whole (waypoints and all) if it was not yet; null outside the list.
    platform::DictionaryPtr planAt(size_t row) const;
    // What the list screen shows, without reading any plan whole: the number of rows and a row's
    // name (empty for a row without a name).
    size_t planCount() const { return plans_->size(); }
    QString planNameAt(size_t row) const;
    // Whether the row's record holds the whole plan yet (false: only its name, from the listing).
    bool isLoaded(size_t row) const;
    // The name of the file in the folder that holds the plan; empty when it has none yet.
    QString fileNameOf(const platform::DictionaryPtr& plan) const;
    // The plans whose name is this text, in list order, read whole.
    std::vector<platform::DictionaryPtr> plansNamed(const QString& name) const;

    // The name a typed name is stored under: without the characters a plan file cannot hold,
    // "Untitled" when empty.
    static QString storedName(const QString& typedName);
    // A plan of the list other than `plan` that has the name typedName is stored under; null when
    // none has (a rename to that name must ask before it replaces that plan).
    platform::DictionaryPtr otherPlanNamed(const platform::DictionaryPtr& plan, const QString& typedName) const;
    // "<name> 2", "<name> 3", ...: the first that no plan of the list has.
    QString numberedName(const QString& typedName) const;

    // Builds the list again from the folder.
    void reload();

    // A record for a new plan: only "name" = "untitled".
    static platform::DictionaryPtr newPlan();
    // The plan's waypoint array, the record's own: made (and stored under "wp") when the record
    // has none. A "wp" that is not an array is logged and replaced by an empty one.
    static platform::ArrayPtr waypointsOf(platform::Dictionary& plan);

    enum class SameName { Replace, Keep };
    enum class Outcome { Written, Replaced, Exists, Failed };
    struct SaveResult {
        Outcome outcome = Outcome::Failed;
        QString fileName;  // the file written, or the file that is kept (Exists)
        bool ok() const { return outcome == Outcome::Written || outcome == Outcome::Replaced; }
    };
    // Sets the plan's "waypoint_name" to the name ("Untitled" when empty, without the characters
    // an XML file cannot hold) and writes the plan. With SameName::Keep a file holding a plan of
    // the same name is left alone and the answer is Exists (nothing is written).
    SaveResult savePlan(const platform::DictionaryPtr& plan, const QString& typedName, SameName sameName = SameName::Replace);

    // Removes the row's record and its file. False for a row outside the list, and while the
    // pilot's files are read-only (DocumentsLock.h: logged and posted; the row and file stay).
    bool deletePlan(size_t row);

private:
    // The file the plan is to be written to, or an empty text (Exists: *existing is that file).
    QString chooseFileName(const QString& folder, const platform::DictionaryPtr& plan, const QString& name,
                           SameName sameName, bool* replacing, QString* existing) const;
    void forget(const platform::Dictionary* plan);
    static void removeStaleTemporaryFiles(const QString& folder);
    void reportSaveFailure(const QString& path, const QString& error) const;

    // The file behind a listed record; holdsPlan is false for an entry that did not read as a
    // plan (it may be deleted with its row, but a save never writes over it).
    struct FileRef {
        QString name;
        bool holdsPlan = false;
        bool loaded = false;  // the record holds the whole file, not only the name
    };
    // Fills a listed record with its file's whole content, once.
    void load(const platform::DictionaryPtr& plan) const;

    QString folder_;
    platform::ArrayPtr plans_;
    mutable std::unordered_map<const platform::Dictionary*, FileRef> files_;  // every key is a record of plans_
};

}  // namespace vantrel::navplans
