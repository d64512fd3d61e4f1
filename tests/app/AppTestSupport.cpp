#include "AppTestSupport.h"

#include "platform/core/UserDefaults.h"
#include "platform/ui/Automation.h"

#include <QDir>

namespace vantrel::test {

namespace {
void removeAppDefaults() {
    auto& defaults = platform::UserDefaults::standardUserDefaults();
    for (const char* key : {"units", "north", "disableDisclaimer", "instrumentsLayout"}) defaults.removeObjectForKey(key);
}
}  // namespace

CleanDefaults::CleanDefaults() { removeAppDefaults(); }
CleanDefaults::~CleanDefaults() { removeAppDefaults(); }

NotificationLog::NotificationLog(std::initializer_list<const char*> names,
                                 std::vector<std::pair<const void*, QString>> posters) {
    for (const char* name : names) {
        platform::NotificationCenter::defaultCenter().addObserver(
            this, name, nullptr, [this, posters](const platform::Notification& n) {
                QString line = QString::fromStdString(n.name);
                for (const auto& [object, label] : posters)
                    if (object == n.object) line += QStringLiteral(" (by %1)").arg(label);
                lines_ << line;
            });
    }
}

NotificationLog::~NotificationLog() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

QStringList NotificationLog::take() {
    QStringList lines = lines_;
    lines_.clear();
    return lines;
}

TabWindow::TabWindow(std::vector<std::shared_ptr<platform::ui::ViewController>> screens)
    : tabs_(std::make_shared<platform::ui::TabBarController>()) {
    tabs_->setViewControllers(std::move(screens));
    window_->setRootViewController(tabs_);
}

std::shared_ptr<platform::ui::ViewController> otherScreen(const QString& title) {
    auto screen = std::make_shared<platform::ui::ViewController>();
    screen->setTitle(title);
    return screen;
}

QImage picture(platform::ui::Window* window, const QString& name) {
    const QString dir = QStringLiteral(VANTREL_APP_PICTURES_DIR);
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    platform::ui::Automation(window).screenshot(path);
    QImage image = window->grab().toImage();
    // Pixels in points, whatever the device pixel ratio.
    return image.scaled(window->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

bool hasColour(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& test) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(image.pixelColor(x, y))) return true;
    return false;
}

bool isOrange(const QColor& c) { return c.red() > 220 && c.green() > 120 && c.green() < 190 && c.blue() < 60; }

bool isBlackBar(const QColor& c) {
    return std::abs(c.red() - c.blue()) < 12 && std::abs(c.green() - c.blue()) < 12 && c.blue() < 140;
}

}  // namespace vantrel::test
