#pragma once
// The flight recorder: listens to the location manager and, for the newest flight of the logbook
// (the first row of the list),
//   - from block off to block on, appends every fix (at most one a second) to the flight's IGC
//     track (FlightTrack.h, TrackFile.h): B records marked A when the fix is good for navigation,
//     V otherwise;
//   - with the setting "Automatic take off and landing" on (user defaults key
//     kAutomaticStampsKey), stamps take off once block off is stamped, and landing once take off
//     is, at the first fix of the take-off run or of the landing (TakeOffLandingDetector.h), saves
//     the logbook as a tap would, logs a line and posts kDidStampNotification, upon which the
//     list and detail screens refresh. Block off and block on stay the pilot's taps.
//
// The track file is made only once the flight is in the logbook's file (FlightLog::isStored):
// a flight made or stamped while the disk is full gets no track file until a save succeeds.
// A track that cannot be written (full disk, read-only documents folder) is logged once per
// flight; the flight itself is untouched, and recording resumes at the first fix that can be
// written again.
//
// Ownership: shares the logbook's store; observes the location manager it is given, which must
// outlive it. Threads: main thread only.

#include "FlightLog.h"
#include "TakeOffLandingDetector.h"
#include "TrackFile.h"

#include "platform/core/RepeatingLog.h"
#include "platform/core/Value.h"
#include "positioning/Fix.h"

#include <memory>
#include <optional>

namespace vantrel::positioning {
class LocationManager;
}

namespace vantrel::logbook {

class FlightRecorder {
public:
    static constexpr const char* kAutomaticStampsKey = "automaticTakeOffAndLanding";
    static constexpr const char* kDidStampNotification = "FlightRecorderDidStamp";

    // Fed by hand (fixDidArrive, sourceDidFail).
    explicit FlightRecorder(std::shared_ptr<FlightLog> log);
    // Fed by the manager's "locationDidUpdate": each new fix with the manager's speed and its
    // judgement of the fix for speed, and the position source's description as the receiver.
    FlightRecorder(std::shared_ptr<FlightLog> log, positioning::LocationManager& manager);
    ~FlightRecorder();
    FlightRecorder(const FlightRecorder&) = delete;
    FlightRecorder& operator=(const FlightRecorder&) = delete;

    // The stored setting; off when absent.
    static bool automaticStampsEnabled();

    // speed: metres per second; validForSpeed: whether the fix was good enough to measure it.
    void fixDidArrive(const positioning::Fix& fix, bool validForSpeed, double speed, const QString& receiver);
    // The position source lost its fixes: the take-off or landing count starts again.
    void sourceDidFail();

    // The track being written, or empty.
    QString recordingPath() const;

private:
    void managerDidUpdate();
    void follow(const platform::DictionaryPtr& flight);
    void record(const positioning::Fix& fix, const QString& receiver);
    void stamp(platform::Key key, double moment);

    std::shared_ptr<FlightLog> log_;
    positioning::LocationManager* manager_ = nullptr;
    platform::DictionaryPtr flight_;  // the newest flight, as last seen
    std::unique_ptr<TrackFile> track_;
    bool failureLogged_ = false;      // for flight_
    bool unstoredLogged_ = false;     // for flight_
    platform::RepeatingLog writeFailures_;  // the track's write failures, for flight_
    TakeOffLandingDetector detector_;
    std::optional<positioning::Fix> lastFix_;
};

}  // namespace vantrel::logbook
