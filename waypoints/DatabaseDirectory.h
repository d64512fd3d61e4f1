#pragma once
// The waypoint database directory of the bundle: the folder that holds "states.plist", and its
// country files ("<Country name>.ewpts") in the order the directory lists them.
//
// Threads: any thread.

#include <QString>
#include <QStringList>

namespace vantrel::waypoints {

// The folder of the bundle resource "states.plist", or empty when the bundle has none.
QString databaseDirectory();

// Every entry of the folder, in the order the file system lists it (not sorted).
QStringList directoryContents(const QString& dir);

// The country names of a listing: the entries whose name ends in "ewpts", less their extension
// (a name ending in "ewpts" with no dot before it is kept whole).
QStringList countryNamesOf(const QStringList& listing);

}  // namespace vantrel::waypoints
