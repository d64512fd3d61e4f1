#pragma once
// Where a flight's recorded track lives and what it holds.
//
// The track of a flight is the IGC file "tracks/<yyyyMMdd-HHmmss>.igc" in the documents folder,
// named after the flight's creation moment (its `timestamp`) in UTC: that moment never changes,
// is there before block off and is unique for flights made at least a second apart. A flight
// whose creation moment no calendar can show is named after 1970-01-01 00:00:00.
//
// Threads: plain functions, any thread (the documents folder is looked up through Paths).

#include "platform/core/Value.h"
#include "positioning/Fix.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace vantrel::logbook {

struct TrackSummary {
    size_t fixes = 0;
    double duration = 0;  // seconds from the first fix to the last
    double distance = 0;  // metres, the sum of the legs between the fixes
};

class FlightTrack {
public:
    // "20240531-094512.igc"
    static QString fileName(const platform::Dictionary& record);
    // The file in the documents folder's "tracks"; empty without a documents folder.
    static QString path(const platform::Dictionary& record);

    // The fixes of an IGC file; nothing when it is missing or holds no B record.
    static std::vector<positioning::Fix> read(const QString& path);
    // Over the fixes of the track; nothing without a fix.
    static std::optional<TrackSummary> summarize(const std::vector<positioning::Fix>& fixes);

    // A GPX 1.1 document with the fixes as one track segment, named `name`.
    static QByteArray gpx(const std::vector<positioning::Fix>& fixes, const QString& name);

    // Deletes the flight's track, if it has one; false (and a log line) when it is there but stays.
    static bool remove(const platform::Dictionary& record);
};

}  // namespace vantrel::logbook
