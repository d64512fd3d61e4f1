#include "StampPicker.h"

#include "platform/ui/Style.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace vantrel::logbook {

std::optional<QTime> parseClockTime(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]{1,2})[:.h]?([0-9]{2})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const int hours = match.captured(1).toInt();
    const int minutes = match.captured(2).toInt();
    if (hours > 23 || minutes > 59) return std::nullopt;
    return QTime(hours, minutes);
}

std::optional<double> momentAtClockTime(double near, QTime clock) {
    if (!std::isfinite(near) || !clock.isValid()) return std::nullopt;
    const QDate day = QDateTime::fromSecsSinceEpoch(int64_t(std::floor(near)), Qt::LocalTime).date();
    std::optional<double> best;
    for (int offset : {-1, 0, 1}) {
        const QDateTime candidate(day.addDays(offset), clock, Qt::LocalTime);
        // A clock time that the day skips (the change to daylight saving) is no moment of that day.
        if (!candidate.isValid() || candidate.time() != clock) continue;
        const double moment = double(candidate.toSecsSinceEpoch());
        if (!best || std::abs(moment - near) < std::abs(*best - near)) best = moment;
    }
    return best;
}

StampPicker::StampPicker(const QString& title, const QString& time, Check check, QWidget* window)
    : FieldPrompt(title, QString(), QStringLiteral("Set"), std::move(check), 284, window) {
    field()->setObjectName(QStringLiteral("stampTimeField"));
    field()->setText(time);
    field()->setAlignment(Qt::AlignCenter);
    field()->setFont(platform::ui::style::font(22, true));
    field()->setMinimumHeight(40);
    setSelectsAll(true);
}

}  // namespace vantrel::logbook
