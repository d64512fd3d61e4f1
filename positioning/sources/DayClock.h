#pragma once
// Turns times of day (what NMEA sentences and IGC B records carry) into timestamps. A time of day
// that drops by more than twelve hours is a midnight crossing and moves to the next day; a smaller
// drop is a time jump backwards and keeps the day.
//
// Threads: one owner thread.

#include <QDate>

#include <cstdint>

namespace vantrel::positioning {

class DayClock {
public:
    explicit DayClock(QDate date) : date_(date) {}

    // The recording's own date (an RMC sentence, an IGC header) replaces the running one.
    void setDate(QDate date) { date_ = date; }
    QDate date() const { return date_; }
    int64_t lastMsOfDay() const { return lastMsOfDay_; }  // -1 before the first

    // Moves to the next time of day; false when time went backwards within the day.
    bool advance(int64_t msOfDay);

    // Seconds since 1970 (UTC) of a time of day on the current date.
    double timestamp(int64_t msOfDay) const;

private:
    QDate date_;
    int64_t lastMsOfDay_ = -1;
};

}  // namespace vantrel::positioning
