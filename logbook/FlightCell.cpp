#include "FlightCell.h"

#include "FlightRowTexts.h"
#include "FlightTimeText.h"

#include "platform/ui/Style.h"

namespace vantrel::logbook {

using platform::ui::Label;

namespace {
// The captions' light grey.
const QColor kCaptionGrey(170, 170, 170);
}  // namespace

FlightCell::FlightCell(const QString& reuseIdentifier, QWidget* parent)
    : platform::ui::TableViewCell(reuseIdentifier, parent) {
    setBackgroundColor(Qt::black);
    makeStandartControls();
}

Label* FlightCell::addLabel(const char* name, const QRect& frame, int fontSize, const QString& caption) {
    auto* label = new Label(caption, contentView());  // owned by the content view
    label->setObjectName(QLatin1String(name));
    label->setGeometry(frame);
    label->setFont(platform::ui::style::font(fontSize, true));
    label->setTextColor(caption.isEmpty() ? platform::ui::style::orange() : kCaptionGrey);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Taps go to the row underneath.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

// Added in this order, which is also the stacking order. The handheld's frames overlap by a few
// points; the places end where the times begin (73 points, not 80), so that a long place is
// elided before the time rather than drawn under it.
void FlightCell::makeStandartControls() {
    date_ = addLabel("date", {5, 2, 90, 21}, 15);
    addLabel("depLabel", {85, 2, 30, 21}, 11, QStringLiteral("Dep."));
    departure_ = addLabel("departure", {110, 2, 73, 21}, 15);
    blockOffTime_ = addLabel("blockOffTime", {183, 2, 50, 21}, 15);
    addLabel("arrLabel", {85, 22, 30, 21}, 11, QStringLiteral("Arr."));
    arrival_ = addLabel("arrival", {110, 22, 73, 21}, 15);
    blockOnTime_ = addLabel("blockOnTime", {183, 22, 50, 21}, 15);
    addLabel("totaltimeLabel", {225, 2, 30, 21}, 11, QStringLiteral("TT"));
    totalTime_ = addLabel("totalTime", {250, 2, 50, 21}, 15);
    addLabel("trueFlightTimeLabel", {225, 22, 30, 21}, 11, QStringLiteral("TFT"));
    trueFlightTime_ = addLabel("trueFlightTime", {250, 22, 50, 21}, 15);
}

void FlightCell::affectTime(double time, QLabel* field, bool forceUTC) { field->setText(timeText(time, forceUTC)); }

void FlightCell::updateWithCellContent(const platform::Dictionary& record) {
    FlightRowTexts texts = rowTextsOf(record);
    date_->setText(texts.date);
    departure_->setText(texts.departure);
    arrival_->setText(texts.arrival);
    blockOffTime_->setText(texts.blockOffTime);
    blockOnTime_->setText(texts.blockOnTime);
    totalTime_->setText(texts.totalTime);
    trueFlightTime_->setText(texts.trueFlightTime);
}

}  // namespace vantrel::logbook
