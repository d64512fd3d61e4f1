#include "ActiveCountriesController.h"

namespace vantrel::waypoints {

ActiveCountriesController& ActiveCountriesController::sharedController() {
    static ActiveCountriesController* controller = new ActiveCountriesController();  // lives until the process ends
    return *controller;
}

}  // namespace vantrel::waypoints
