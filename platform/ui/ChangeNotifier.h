#pragma once
// The one listener of a small model object (a tab bar item, a navigation item, a bar button item):
// the view that shows the object installs a callback and is told of every change, so that a title
// set by a screen at any moment shows at once. An object is shown by one view at a time; the
// latest view to listen replaces the previous one.
//
// Threads: the model objects may be filled on any thread before they are shown (controllers are
// made on the load thread); once shown, main thread only.

#include <functional>
#include <utility>

namespace vantrel::platform::ui {

class ChangeNotifier {
public:
    void setListener(std::function<void()> listener) { listener_ = std::move(listener); }
    void clearListener() { listener_ = nullptr; }

protected:
    void notifyChanged() const {
        if (listener_) listener_();
    }

private:
    std::function<void()> listener_;
};

}  // namespace vantrel::platform::ui
