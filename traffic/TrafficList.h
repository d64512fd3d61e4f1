#pragma once
// The targets heard recently, one per address, with the time each was last heard. A target not
// heard for kTargetLifetime seconds goes at the next expire(). The list holds at most kMostTargets:
// when full, a new target takes the place of the farthest quiet one only if it is nearer or
// alarming, so a flood of far targets never pushes out a near one.
//
// An update for an address heard with another address type before it went is refused: two
// aircraft cannot share an address, so one of the reports is damaged.
//
// Owns its targets. Threads: one owner thread (the main thread in the app).

#include "Target.h"

#include <unordered_map>
#include <vector>

namespace vantrel::traffic {

class TrafficList {
public:
    static constexpr double kTargetLifetime = 10.0;  // seconds
    static constexpr size_t kMostTargets = 500;

    enum class Update { Added, Updated, AddressTypeChanged, ListFull };

    // Takes in a target heard at `now` (its lastHeard is set to now).
    Update update(Target target, double now);
    // Removes the targets not heard for kTargetLifetime; returns how many went.
    size_t expire(double now);
    void clear();

    // In no particular order; stable until the next update or expire.
    const std::vector<Target>& targets() const { return targets_; }
    std::vector<Target>& mutableTargets() { return targets_; }
    const Target* find(const TargetId& id) const;
    size_t size() const { return targets_.size(); }

private:
    static uint64_t key(const TargetId& id) { return (uint64_t(id.origin) << 32) | id.address; }
    void removeAt(size_t index);

    std::vector<Target> targets_;
    std::unordered_map<uint64_t, size_t> index_;
};

}  // namespace vantrel::traffic
