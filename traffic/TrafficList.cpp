#include "TrafficList.h"

namespace vantrel::traffic {

namespace {
// A target's distance for ranking; one without any distance ranks as far as can be.
double rank(const Target& t) { return std::isfinite(t.distance) ? t.distance : std::numeric_limits<double>::infinity(); }
}  // namespace

TrafficList::Update TrafficList::update(Target target, double now) {
    target.lastHeard = now;
    auto found = index_.find(key(target.id));
    if (found != index_.end()) {
        Target& known = targets_[found->second];
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
    }
    index_.emplace(key(target.id), targets_.size());
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
    index_.clear();
}

const Target* TrafficList::find(const TargetId& id) const {
    auto found = index_.find(key(id));
    return found == index_.end() ? nullptr : &targets_[found->second];
}

void TrafficList::removeAt(size_t i) {
    index_.erase(key(targets_[i].id));
    if (i + 1 != targets_.size()) {
        targets_[i] = std::move(targets_.back());
        index_[key(targets_[i].id)] = i;
    }
    targets_.pop_back();
}

}  // namespace vantrel::traffic
