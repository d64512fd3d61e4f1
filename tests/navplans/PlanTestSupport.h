#pragma once
// Shared pieces of the plan tests: plan files written and read back with the property-list
// reader, a check that a file is a well-formed XML property list, the names in a folder as the file
// system lists them, and plan records made from short descriptions. The logbook tests' support
// brings the folder that refuses writes and the printing of texts in failure messages.

#include "logbook/LogbookTestSupport.h"
#include "platform/core/Value.h"

#include <QString>
#include <QStringList>

namespace vantrel::test {

// A user waypoint as the waypoint form leaves it: the four keys as texts.
platform::DictionaryPtr userWaypoint(const QString& name, const QString& latitude, const QString& longitude,
                                     const QString& misc = QString());
// A plan record with that name and those waypoints.
platform::DictionaryPtr plan(const QString& name, std::vector<platform::DictionaryPtr> waypoints = {});

void writePlanFile(const QString& path, const platform::Value& root);
// The file's root dictionary read by the property-list reader (null when it is none).
platform::DictionaryPtr readPlanFile(const QString& path);
// Empty when the file is a well-formed XML document whose root is <plist version="1.0"> holding
// one <dict>; otherwise what is wrong.
QString xmlPlistProblem(const QString& path);

// The entries of a folder in the order readdir gives them, without "." and "..".
QStringList readdirOrder(const QString& folder);
// The names of the files in the folder, sorted.
QStringList filesIn(const QString& folder);

}  // namespace vantrel::test
