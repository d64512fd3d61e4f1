#pragma once
// Guards a walk over a graph of Values against cycles and runaway nesting: the writers enter an
// array or dictionary (by identity) before they visit its elements and leave it afterwards.
//
// Ownership: a plain value owned by the walk. Threads: one guard per walk.

#include <QString>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vantrel::platform::plist {

// Deeper nesting than this is taken for damage (and would exhaust the stack of a recursive walk).
inline constexpr size_t kMaxNesting = 512;

class NestingGuard {
public:
    // False, with the reason, when the object is already being visited or the walk is too deep.
    bool enter(const void* id, QString* reason) {
        if (path_.size() >= kMaxNesting) {
            *reason = QStringLiteral("nested deeper than %1 levels").arg(kMaxNesting);
            return false;
        }
        if (std::find(path_.begin(), path_.end(), id) != path_.end()) {
            *reason = QStringLiteral("an array or dictionary contains itself");
            return false;
        }
        path_.push_back(id);
        return true;
    }
    void leave() { path_.pop_back(); }

private:
    std::vector<const void*> path_;
};

}  // namespace vantrel::platform::plist
