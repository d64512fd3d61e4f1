#pragma once
// Named notifications. An observer registers a handler for a name, from one sender or from any;
// posting runs every matching handler at once, on the posting thread, in registration order, and
// returns after them. Every notification carries its poster as its object.
//
// Threads: observers may be added, removed and notifications posted from any thread. A handler
// added or removed while a notification is being posted takes effect from the next post.

#include "Value.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel::platform {

struct Notification {
    std::string name;
    const void* object = nullptr;  // the poster
    DictionaryPtr userInfo;        // may be empty
};

class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    // observer identifies the registration for removeObserver; sender nullptr means any sender.
    void addObserver(const void* observer, std::string name, const void* sender, Handler handler);
    void removeObserver(const void* observer);
    void removeObserver(const void* observer, std::string_view name);

    void postNotification(const Notification& notification);
    void postNotificationName(std::string name, const void* object, DictionaryPtr userInfo = {});

private:
    struct Registration {
        const void* observer;
        std::string name;
        const void* sender;
        std::shared_ptr<Handler> handler;
    };
    std::mutex mutex_;
    std::vector<Registration> registrations_;
};

}  // namespace vantrel::platform
