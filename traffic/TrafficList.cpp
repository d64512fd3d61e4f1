#include "TrafficList.h"

namespace vantrel::traffic {

namespace {
// A target's distance for ranking; one without any distance ranks as far as can be.
double rank(const Target& t) { return std::isfinite(t.distance) ? t.distance : std::numeric_limits<double>::infinity(); }
}  // namespace

size_t TrafficList::slotOf(uint64_t k) const {
    const uint64_t h = hash(k);
    const uint32_t t = tag(h);
    size_t s = home(h);
    for (;; s = (s + 1) & (kSlots - 1)) {
        const uint32_t slot = slots_[s];
        if (slot == kEmptySlot) return s;
        if ((slot & 0xFFFF0000u) == t && key(targets_[slot & 0xFFFF].id) == k) return s;
    }
}

// Empties a slot and moves up the entries after it that would otherwise no longer be found (the
// probe for a key stops at the first empty slot).
void TrafficList::unindex(size_t hole) {
    size_t s = hole;
    for (;;) {
        s = (s + 1) & (kSlots - 1);
        if (slots_[s] == kEmptySlot) break;
        // The entry at s may fill the hole if its home is not within (hole, s], going round.
        const size_t h = home(hash(key(targets_[slots_[s] & 0xFFFF].id)));
        if (((s - h) & (kSlots - 1)) >= ((s - hole) & (kSlots - 1))) {
            slots_[hole] = slots_[s];
            hole = s;
        }
    }
    slots_[hole] = kEmptySlot;
}

TrafficList::Update TrafficList::update(Target&& target, double now) {
    target.lastHeard = now;
    const uint64_t k = key(target.id);
    const size_t slot = slotOf(k);
    if (slots_[slot] != kEmptySlot) {
        Target& known = targets_[slots_[slot] & 0xFFFF];
        if (known.addressType != target.addressType) return Update::AddressTypeChanged;
        // FLARM never sends a callsign, GDL90 only when it changed: the known one is kept, its
        // text handed over without a copy (a copy would count a reference in the text's memory).
        if (target.callsign.isEmpty()) {
            target.callsign.swap(known.callsign);
            if (target.callsignKey == 0) target.callsignKey = known.callsignKey;
        }
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
        slots_[slotOf(k)] = tag(hash(k)) | uint32_t(targets_.size());  // the removal may have moved the slot
    } else {
        slots_[slot] = tag(hash(k)) | uint32_t(targets_.size());
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
    slots_.fill(kEmptySlot);
}

const Target* TrafficList::find(const TargetId& id) const {
    const uint64_t k = key(id);
    const size_t slot = slotOf(k);
    return slots_[slot] != kEmptySlot ? &targets_[slots_[slot] & 0xFFFF] : nullptr;
}

void TrafficList::removeAt(size_t i) {
    unindex(slotOf(key(targets_[i].id)));
    if (i + 1 != targets_.size()) {
        // The last target takes the place: its slot is found while it is still where the slot says.
        const size_t moved = slotOf(key(targets_.back().id));
        slots_[moved] = (slots_[moved] & 0xFFFF0000u) | uint32_t(i);
        targets_[i] = std::move(targets_.back());
    }
    targets_.pop_back();
}

}  // namespace vantrel::traffic
