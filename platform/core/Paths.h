#pragma once
// Where things live on disk.
//   bundle     the installed, read-only resources (images, interface texts, the waypoint database)
//              VANTREL_BUNDLE_DIR, else <exe>/../share/vantrel, else the build tree's bundle/
//   database   the waypoint database directory inside the bundle (states.plist, *.ewpts)
//              VANTREL_DATABASE_DIR, else <bundle>/database
//   documents  the pilot's own files (logbook, dismissed countries, plans)
//              VANTREL_DOCUMENTS_DIR, else $XDG_DATA_HOME/vantrel (~/.local/share/vantrel)
//   defaults   the user-defaults file
//              VANTREL_DEFAULTS_FILE, else $XDG_CONFIG_HOME/vantrel/defaults.plist
// Command-line options set the same overrides through the setters. Call the setters before any
// other thread starts; the getters may be called from any thread afterwards.

#include <QString>

namespace vantrel::platform {

class Paths {
public:
    static QString bundleDirectory();
    static QString databaseDirectory();
    static QString documentsDirectory();  // created on first use
    static QString defaultsFile();

    static void setBundleDirectory(const QString& dir);
    static void setDatabaseDirectory(const QString& dir);
    static void setDocumentsDirectory(const QString& dir);
    static void setDefaultsFile(const QString& file);

    // The bundle lookup of a resource by name and type: the database directory first (it holds
    // "states.plist"), then the bundle itself, then its "resources" folder. Empty when not found.
    static QString pathForResource(const QString& name, const QString& type);
};

}  // namespace vantrel::platform
