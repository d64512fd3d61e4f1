#pragma once
// The subcommands of vantrel-tool. Each takes the words after its own name, prints to stdout,
// reports usage errors on stderr and returns the process exit status (2 for usage errors).

#include <QStringList>

namespace vantrel::tool {

int runDbCommand(const QStringList& args, bool json);
int runContainerCommand(const QStringList& args, bool json);
int runPlistCommand(const QStringList& args, bool json);
int runGeoCommand(const QStringList& args, bool json);
int runGpsCommand(const QStringList& args, bool json);
int runTrafficCommand(const QStringList& args, bool json);
int runLogbookCommand(const QStringList& args, bool json);
int runPlansCommand(const QStringList& args, bool json);
int runAirspaceCommand(const QStringList& args, bool json);
int runMapCommand(const QStringList& args, bool json);

}  // namespace vantrel::tool
