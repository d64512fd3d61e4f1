#pragma once
// The user-defaults store: one dictionary of property-list values kept in one XML plist file
// (Paths::defaultsFile()). Read once on first use; every change rewrites the file atomically, so
// a value set is on disk when setObject returns.
//
// A defaults file that cannot be read as a dictionary is logged and moved aside to
// "<file>.damaged" (".damaged-2", ... when earlier copies are there: none is ever replaced) before
// the first write, so what the pilot stored is never silently replaced.
// A write that fails is logged and posted as a user notice (UserNotice.h); the values stay in
// memory and the next change writes them all.
//
// Threads: any thread may call; calls are serialised by an internal lock.

#include "Value.h"

#include <QString>
#include <mutex>
#include <string_view>

namespace vantrel::platform {

class UserDefaults {
public:
    static UserDefaults& standardUserDefaults();

    // A store on a file of its own (tests, tools).
    explicit UserDefaults(QString file);

    Value objectForKey(std::string_view key);
    ArrayPtr arrayForKey(std::string_view key);  // empty when absent or not an array
    void setObject(std::string_view key, const Value& value);
    void removeObjectForKey(std::string_view key);

    // Forgets what was read, so that the next call reads the file again (tests).
    void reload();
    QString file() const { return file_; }

private:
    void loadLocked();
    bool saveLocked(QString* failure);

    QString file_;
    std::mutex mutex_;
    bool loaded_ = false;
    bool damaged_ = false;
    DictionaryPtr values_;
};

}  // namespace vantrel::platform
