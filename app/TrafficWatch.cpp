#include "TrafficWatch.h"

#include "FlightBanners.h"

#include "platform/core/NotificationCenter.h"
#include "traffic/TrafficFeed.h"

#include <QApplication>

namespace vantrel::app {

namespace {
quint64 keyOf(const traffic::TargetId& id) { return (quint64(id.origin) << 32) | id.address; }

FlightBanners::Tone toneOf(traffic::AlarmLevel level) {
    switch (level) {
    case traffic::AlarmLevel::Urgent: return FlightBanners::Tone::Urgent;
    case traffic::AlarmLevel::Important: return FlightBanners::Tone::Warning;
    default: return FlightBanners::Tone::Caution;
    }
}
}  // namespace

TrafficWatch::TrafficWatch(FlightBanners& banners, traffic::TrafficFeed& feed) : banners_(banners), feed_(feed) {
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    // The alerts' set changes with the first; their texts (clock, height, distance) with the second.
    center.addObserver(this, "trafficAlertsDidChange", &feed_, [this](const platform::Notification&) { refresh(); });
    center.addObserver(this, "trafficDidUpdate", &feed_, [this](const platform::Notification&) {
        if (!feed_.alerts().empty() || !levels_.isEmpty()) refresh();
    });
}

TrafficWatch::~TrafficWatch() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void TrafficWatch::refresh() {
    std::vector<FlightBanners::Banner> shown;
    QHash<quint64, traffic::AlarmLevel> levels;
    bool ring = false;
    for (const traffic::TrafficAlert& alert : feed_.alerts()) {
        const quint64 key = keyOf(alert.id);
        levels.insert(key, alert.level);
        const auto before = levels_.constFind(key);
        if (before == levels_.constEnd() || int(*before) < int(alert.level)) ring = true;
        shown.push_back({alert.text, toneOf(alert.level), {}, false});
    }
    levels_ = std::move(levels);
    banners_.setBanners(FlightBanners::Kind::Traffic, std::move(shown));
    if (ring) {
        ++bells_;
        QApplication::beep();
    }
}

}  // namespace vantrel::app
