#include "DayClock.h"

#include <QDateTime>
#include <QTimeZone>

namespace vantrel::positioning {

namespace {
constexpr int64_t kHalfDayMs = 12LL * 3600 * 1000;
}

bool DayClock::advance(int64_t msOfDay) {
    bool forward = true;
    if (lastMsOfDay_ >= 0 && msOfDay < lastMsOfDay_) {
        if (lastMsOfDay_ - msOfDay > kHalfDayMs)
            date_ = date_.addDays(1);
        else
            forward = false;
    }
    lastMsOfDay_ = msOfDay;
    return forward;
}

double DayClock::timestamp(int64_t msOfDay) const {
    qint64 midnight = QDateTime(date_, QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    return double(midnight + msOfDay) / 1000.0;
}

}  // namespace vantrel::positioning
