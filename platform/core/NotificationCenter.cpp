#include "NotificationCenter.h"

#include <algorithm>

namespace vantrel::platform {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void* observer, std::string name, const void* sender, Handler handler) {
    std::lock_guard lock(mutex_);
    registrations_.push_back({observer, std::move(name), sender, std::make_shared<Handler>(std::move(handler))});
}

void NotificationCenter::removeObserver(const void* observer) {
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const Registration& r) { return r.observer == observer; });
}

void NotificationCenter::removeObserver(const void* observer, std::string_view name) {
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const Registration& r) { return r.observer == observer && r.name == name; });
}

void NotificationCenter::postNotification(const Notification& notification) {
    std::vector<std::shared_ptr<Handler>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& r : registrations_)
            if (r.name == notification.name && (r.sender == nullptr || r.sender == notification.object))
                matching.push_back(r.handler);
    }
    for (const auto& handler : matching) (*handler)(notification);
}

void NotificationCenter::postNotificationName(std::string name, const void* object, DictionaryPtr userInfo) {
    postNotification(Notification{std::move(name), object, std::move(userInfo)});
}

}  // namespace vantrel::platform
