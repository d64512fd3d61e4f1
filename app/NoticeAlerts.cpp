#include "NoticeAlerts.h"

#include "platform/core/UserNotice.h"
#include "platform/ui/Window.h"

#include <QTimer>

namespace vantrel::app {

NoticeAlerts::NoticeAlerts() {
    platform::NotificationCenter::defaultCenter().addObserver(
        this, platform::kUserNoticeNotification, nullptr, [this](const platform::Notification& n) { receive(n); });
}

NoticeAlerts::~NoticeAlerts() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void NoticeAlerts::receive(const platform::Notification& notification) {
    if (!notification.userInfo) return;
    const platform::Dictionary& info = *notification.userInfo;
    const QString message = info.get("message").toQString();
    if (message.isEmpty()) return;
    QString cause = info.get("cause").toQString();
    if (cause.isEmpty()) cause = message;
    if (shownCauses_.contains(cause)) return;
    shownCauses_.insert(cause);
    QString title = info.get("title").toQString();
    waiting_.push_back({title.isEmpty() ? QStringLiteral("Notice") : title, message});
    showNextLater();
}

void NoticeAlerts::showNextLater() { QTimer::singleShot(0, &context_, [this] { showNext(); }); }

void NoticeAlerts::showNext() {
    if (alert_ || waiting_.empty()) return;
    // Without a window the notice waits for the next one (the log has it already).
    if (!platform::ui::Window::keyWindow()) return;
    Waiting next = std::move(waiting_.front());
    waiting_.pop_front();
    alert_ = new platform::ui::AlertView(next.title, next.message, this, QStringLiteral("OK"), {});  // owned by the window
    alert_->show();
}

void NoticeAlerts::alertViewClickedButtonAtIndex(platform::ui::AlertView*, int) {
    alert_ = nullptr;
    showNextLater();
}

}  // namespace vantrel::app
