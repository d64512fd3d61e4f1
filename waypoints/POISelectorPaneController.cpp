#include "POISelectorPaneController.h"

#include "ActiveCountriesController.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/Threads.h"

namespace vantrel::waypoints {

POISelectorPaneController& POISelectorPaneController::sharedPOIDatabase() {
    static POISelectorPaneController* database = new POISelectorPaneController();  // lives until the process ends
    return *database;
}

void POISelectorPaneController::loadDatabase() {
    ActiveCountriesController& active = ActiveCountriesController::sharedController();
    WaypointDatabase::Poster post = [this](const char* name, platform::DictionaryPtr userInfo) {
        platform::Notification notification{name, this, std::move(userInfo)};
        platform::performOnMainThread(
            [&notification] { platform::NotificationCenter::defaultCenter().postNotification(notification); }, true);
    };
    database_.load(active.store(), [this, &post](const char* name, platform::DictionaryPtr userInfo) {
        // The pane's navigation stacks exist before the screens are built on UPDATE_LOAD_DONE.
        if (std::string_view(name) == "UPDATE_LOAD_DONE") {
            pathStack_ = platform::Array::create(10);
            titlesStack_ = platform::Array::create(10);
        }
        post(name, std::move(userInfo));
    });
}

}  // namespace vantrel::waypoints
