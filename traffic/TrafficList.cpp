#include "TrafficList.h"

namespace vantrel::traffic {

namespace {
// A target's distance for ranking; one without any distance ranks as far as can be.
double rank(const Target& t) { return std::isfinite(t.distance) ? t.distance : std::numeric_limits<double>::infinity(); }
}  // namespace

static_assert((TrafficList::kMostTargets - 1) >> 32 == 0, "target indices are kept in 32 bits");

size_t TrafficList::slotOf(uint64_t k) const {
    size_t s = home(k);
    while (slots_[s].key != k && slots_[s].key != kEmptyKey) s = (s + 1) & (kSlots - 1);
    return s;
}

// Empties a slot and moves up the keys after it that would otherwise no longer be found (the
// probe for a key stops at the first empty slot).
void TrafficList::unindex(size_t hole) {
    size_t s = hole;
    for (;;) {
        s = (s + 1) & (kSlots - 1);
        if (slots_[s].key == kEmptyKey) break;
        // The key at s may fill the hole if its home is not within (hole, s], going round.
        const size_t h = home(slots_[s].key);
        if (((s - h) & (kSlots - 1)) >= ((s - hole) & (kSlots - 1))) {
            slots_[hole] = slots_[s];
            hole = s;
        }
    }
    slots_[hole] = Slot{};
}

TrafficList::Update TrafficList::update(Target target, double now) {
    target.lastHeard = now;
    const uint64_t k = key(target.id);
    const size_t slot = slotOf(k);
    if (slots_[slot].key == k) {
        Target& known = targets_[slots_[slot].target];
        if (known.addressType != target.addressType) return Update::AddressTypeChanged;
        if (target.callsign.isEmpty()) target.callsign = known.callsign;  // FLARM never sends one
        known = std::move(target);
        return Update::Updated;
    }
    if (targets_.size() >= kMostTargets) {
        size_t farthest = targets_.size();
        for (size_t i = 0; i < targets_.size(); ++i)
            if (targets_[i].alarm == AlarmLevel::None &&
                (farthest == targets_.size() || rank(targets_[i]) > rank(targets_[farthest])))
                farthest = i;
        if (farthest == targets_.size()) return Update::ListFull;
        if (target.alarm == AlarmLevel::None && !(rank(target) < rank(targets_[farthest]))) return Update::ListFull;
        removeAt(farthest);
        slots_[slotOf(k)] = {k, uint32_t(targets_.size())};  // the removal may have moved the slot
    } else {
        slots_[slot] = {k, uint32_t(targets_.size())};
    }
    targets_.push_back(std::move(target));
    return Update::Added;
}

size_t TrafficList::expire(double now) {
    size_t removed = 0;
    for (size_t i = targets_.size(); i-- > 0;) {
        if (targets_[i].age(now) >= kTargetLifetime) {
            removeAt(i);
            ++removed;
        }
    }
    return removed;
}

void TrafficList::clear() {
    targets_.clear();
    slots_.fill(Slot{});
}

const Target* TrafficList::find(const TargetId& id) const {
    const uint64_t k = key(id);
    const size_t slot = slotOf(k);
    return slots_[slot].key == k ? &targets_[slots_[slot].target] : nullptr;
}

void TrafficList::removeAt(size_t i) {
    unindex(slotOf(key(targets_[i].id)));
    if (i + 1 != targets_.size()) {
        targets_[i] = std::move(targets_.back());
        slots_[slotOf(key(targets_[i].id))].target = uint32_t(i);
    }
    targets_.pop_back();
}

}  // namespace vantrel::traffic
