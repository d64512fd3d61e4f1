#pragma once
// The targets heard recently, one per address, with the time each was last heard. A target not
// heard for kTargetLifetime seconds goes at the next expire(). The list holds at most kMostTargets:
// when full, a new target takes the place of the farthest quiet one only if it is nearer or
// alarming, so a flood of far targets never pushes out a near one.
//
// An update for an address heard with another address type before it went is refused: two
// aircraft cannot share an address, so one of the reports is damaged.
//
// The index from address to place is a flat table probed linearly, twice as large as the most
// targets: a look-up reads one or two neighbouring slots instead of chasing a hash node, which
// mattered when 500 updates arrive at once into cold caches.
//
// Owns its targets. Threads: one owner thread (the main thread in the app).

#include "Target.h"

#include <array>
#include <vector>

namespace vantrel::traffic {

class TrafficList {
public:
    static constexpr double kTargetLifetime = 10.0;  // seconds
    static constexpr size_t kMostTargets = 500;

    enum class Update { Added, Updated, AddressTypeChanged, ListFull };

    // Takes in a target heard at `now` (its lastHeard is set to now).
    TrafficList() { slots_.fill(kEmptySlot); }

    Update update(Target&& target, double now);
    Update update(const Target& target, double now) { return update(Target(target), now); }
    // Removes the targets not heard for kTargetLifetime; returns how many went.
    size_t expire(double now);
    void clear();

    // In no particular order; stable until the next update or expire.
    const std::vector<Target>& targets() const { return targets_; }
    std::vector<Target>& mutableTargets() { return targets_; }
    const Target* find(const TargetId& id) const;
    size_t size() const { return targets_.size(); }

private:
    static constexpr size_t kSlots = 1024;  // a power of two, at least twice kMostTargets
    static_assert(kSlots >= 2 * kMostTargets && (kSlots & (kSlots - 1)) == 0);
    // A slot is the target's index in its low 16 bits and 16 more bits of its key's hash above
    // them, four bytes: the whole table is 64 cache lines, and a slot whose bits differ is passed
    // without reading its target.
    static constexpr uint32_t kEmptySlot = ~uint32_t(0);  // index 0xFFFF: never a target's
    static_assert(kMostTargets < 0xFFFF);

    static uint64_t key(const TargetId& id) { return (uint64_t(id.origin) << 32) | id.address; }
    static uint64_t hash(uint64_t key) { return key * 0x9E3779B97F4A7C15u; }
    static size_t home(uint64_t hash) { return size_t(hash >> 54); }  // the top 10 bits
    static uint32_t tag(uint64_t hash) { return uint32_t(hash >> 16) & 0xFFFF0000u; }
    // The slot holding this key, or the empty slot where it would go.
    size_t slotOf(uint64_t key) const;
    void removeAt(size_t index);
    void unindex(size_t slot);

    std::vector<Target> targets_;
    std::array<uint32_t, kSlots> slots_;
};

}  // namespace vantrel::traffic
