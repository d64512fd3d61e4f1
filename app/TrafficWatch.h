#pragma once
// The traffic alerts in the app: the traffic feed's alerts (loudest first) shown as banners over
// every screen ("Traffic 2 o'clock, 300 ft above, 0.4 nm"), urgent in red, important in orange,
// low in yellow, kept up to date as the targets move and gone when the alert ends. A new alert,
// or one that grows louder, rings the system's bell (QApplication::beep: the desktop's short sound
// where it has one). The feed itself logs each target's first alert.
//
// Ownership: made and owned by the app delegate at load done; it points at the banners and the
// feed, which outlive it. Threads: main thread only.

#include "traffic/Target.h"

#include <QHash>
#include <QObject>

namespace vantrel::traffic {
class TrafficFeed;
}

namespace vantrel::app {

class FlightBanners;

class TrafficWatch : public QObject {
    Q_OBJECT
public:
    TrafficWatch(FlightBanners& banners, traffic::TrafficFeed& feed);
    ~TrafficWatch() override;

    // Brings the banners up to date with the feed's alerts.
    void refresh();
    // How often the bell rang (tests).
    int bells() const { return bells_; }

private:
    FlightBanners& banners_;
    traffic::TrafficFeed& feed_;
    QHash<quint64, traffic::AlarmLevel> levels_;  // the alerting targets at the last refresh
    int bells_ = 0;
};

}  // namespace vantrel::app
