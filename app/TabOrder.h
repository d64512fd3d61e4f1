#pragma once
// The order of the tabs: the screens put in the order of the titles the pilot saved (the user
// default "instrumentsLayout", an array of tab titles, first tab first).
//
// Threads: any thread (works on the list it is given).

#include "platform/core/Value.h"
#include "platform/ui/ViewController.h"

#include <QStringList>
#include <memory>
#include <vector>

namespace vantrel::app {

// `screens` in configuration order, rearranged by `savedTitles` (or by `defaultTitles` when
// nothing was saved): each title that names a screen takes it, in turn; titles that name no
// screen, or one already taken, are skipped; the screens no title named follow in configuration
// order. Entries of the saved array that are not texts are logged and skipped.
std::vector<std::shared_ptr<platform::ui::ViewController>> orderTabs(
    const std::vector<std::shared_ptr<platform::ui::ViewController>>& screens, const platform::ArrayPtr& savedTitles,
    const QStringList& defaultTitles);

// The titles of the screens in their order, as "instrumentsLayout" stores them.
platform::ArrayPtr tabTitles(const std::vector<std::shared_ptr<platform::ui::ViewController>>& screens);

}  // namespace vantrel::app
