#include "TabOrder.h"

#include "platform/core/Log.h"

#include <algorithm>

namespace vantrel::app {

using platform::ui::ViewController;

std::vector<std::shared_ptr<ViewController>> orderTabs(const std::vector<std::shared_ptr<ViewController>>& screens,
                                                       const platform::ArrayPtr& savedTitles,
                                                       const QStringList& defaultTitles) {
    QStringList titles;
    if (savedTitles) {
        for (const platform::Value& title : *savedTitles) {
            if (title.isString())
                titles.append(title.toQString());
            else
                platform::logLine(QStringLiteral("The saved tab order holds %1, which is not a tab title; it is skipped")
                                      .arg(QString::fromStdString(title.description())));
        }
    } else {
        titles = defaultTitles;
    }

    std::vector<std::shared_ptr<ViewController>> remaining = screens;
    std::vector<std::shared_ptr<ViewController>> ordered;
    ordered.reserve(screens.size());
    for (const QString& title : titles) {
        auto it = std::find_if(remaining.begin(), remaining.end(), [&](auto& s) { return s->title() == title; });
        if (it == remaining.end()) continue;
        ordered.push_back(*it);
        remaining.erase(it);
    }
    ordered.insert(ordered.end(), remaining.begin(), remaining.end());
    return ordered;
}

platform::ArrayPtr tabTitles(const std::vector<std::shared_ptr<ViewController>>& screens) {
    platform::ArrayPtr titles = platform::Array::create(screens.size());
    for (const auto& screen : screens) titles->append(platform::Value(screen->title()));
    return titles;
}

}  // namespace vantrel::app
