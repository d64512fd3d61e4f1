#pragma once
// The log: one line per message on stderr, prefixed with the time and the process, so that the
// lines of the app ("Init GPS manager", "Error writing flights db to disk : ...") can be followed
// in a terminal or a journal. Any thread may log; lines never interleave.

#include <QString>
#include <string_view>

namespace vantrel::platform {

void logLine(const QString& message);
void logLine(std::string_view message);
inline void logLine(const char* message) { logLine(std::string_view(message)); }

// Tests capture what is logged; pass nullptr to go back to stderr.
using LogSink = void (*)(const QString& line);
void setLogSink(LogSink sink);

}  // namespace vantrel::platform
