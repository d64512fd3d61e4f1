#pragma once
// Shows the user notices (platform/core/UserNotice.h) as alerts: a save that failed, a damaged
// logbook met at start, a missing waypoint database. Each cause is shown once per run, however
// often it is posted; notices that come while an alert is up wait their turn. An alert shows on
// a later turn of the event loop than its notice, so that it lies over the screens made in the
// same turn (the tabs and the disclaimer at load done).
//
// Ownership: the application delegate owns it; the alerts are Qt children of the key window and
// delete themselves when answered. Threads: main thread only (notices posted elsewhere reach it
// on the main thread).

#include "platform/core/NotificationCenter.h"
#include "platform/ui/AlertView.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <deque>

namespace vantrel::app {

class NoticeAlerts : public platform::ui::AlertViewDelegate {
public:
    NoticeAlerts();
    ~NoticeAlerts() override;
    NoticeAlerts(const NoticeAlerts&) = delete;
    NoticeAlerts& operator=(const NoticeAlerts&) = delete;

    // The alert on screen, or null.
    platform::ui::AlertView* alert() const { return alert_; }
    size_t waitingCount() const { return waiting_.size(); }

    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alertView, int buttonIndex) override;

private:
    struct Waiting {
        QString title;
        QString message;
    };

    void receive(const platform::Notification& notification);
    void showNextLater();
    void showNext();

    QObject context_;  // cancels the pending turns when this object goes
    QSet<QString> shownCauses_;
    std::deque<Waiting> waiting_;
    QPointer<platform::ui::AlertView> alert_;
};

}  // namespace vantrel::app
