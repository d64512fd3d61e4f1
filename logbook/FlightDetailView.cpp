#include "FlightDetailView.h"

#include "StampPicker.h"

#include "FlightCell.h"
#include "FlightKeys.h"
#include "FlightLog.h"
#include "FlightRecord.h"
#include "FlightRecorder.h"
#include "FlightTimeText.h"
#include "FlightTrack.h"
#include "FlightsView.h"
#include "ui_FlightDetailView.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/Images.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "positioning/LocationManager.h"
#include "units/UnitSettings.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <array>

namespace vantrel::logbook {

using platform::Key;

FlightDetailView::FlightDetailView(std::shared_ptr<FlightLog> log)
    : log_(std::move(log)), ui_(std::make_unique<Ui::FlightDetailView>()) {
    setTitle(QStringLiteral("Flight details"));
    // An automatic stamp changes the record on screen as a tap would.
    platform::NotificationCenter::defaultCenter().addObserver(this, FlightRecorder::kDidStampNotification, nullptr,
                                                              [this](const platform::Notification&) {
                                                                  if (isViewLoaded()) updateTimesButtons();
                                                              });
    trackRefresh_.setInterval(kTrackRefreshMs);
    QObject::connect(&trackRefresh_, &QTimer::timeout, &trackRefresh_, [this] { updateTrack(); });
}

FlightDetailView::~FlightDetailView() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

std::shared_ptr<FlightDetailView> FlightDetailView::sharedController() {
    return FlightsView::sharedController()->detailView();
}

void FlightDetailView::loadView() { loadViewFromForm(*ui_); }

void FlightDetailView::viewDidLoad() {
    for (platform::ui::TextField* field : {ui_->departureLocationField, ui_->arrivalLocationField}) {
        field->setDelegate(this);
        field->setCapitalizesAllCharacters(true);
    }
    for (platform::ui::Button* button : {ui_->blockOffButton, ui_->takeOffButton, ui_->landingButton, ui_->blockOnButton})
        button->setAction([this, button] { setCurrentTime(button); });
    // The track row, under the totals and in their style.
    auto* caption = new platform::ui::Label(QStringLiteral("Track"), ui_->totalTimeCaption->parentWidget());
    caption->setObjectName(QStringLiteral("trackCaption"));
    caption->setTextColor(ui_->totalTimeCaption->textColor());
    caption->setGeometry(ui_->totalTimeCaption->x(), ui_->totalTimeCaption->geometry().bottom() + 4, 50,
                         ui_->totalTimeCaption->height());
    auto* field = new platform::ui::Label(ui_->totalTimeCaption->parentWidget());
    field->setObjectName(QStringLiteral("trackField"));
    field->setGeometry(caption->geometry().right() + 1, caption->y(),
                       ui_->trueFlightTimeField->geometry().right() - caption->geometry().right(), caption->height());
    trackField_ = field;
    // A stamped time is tapped to be corrected: a see-through button over each time field, whose
    // title is the time shown (so a script taps it as `tap button "09:45"`).
    const std::array<QLabel*, 4> fields{ui_->blockOffField, ui_->takeOffField, ui_->landingField, ui_->blockOnField};
    const std::array<Key, 4> times{keys::blockOff, keys::takeOff, keys::landing, keys::blockOn};
    for (size_t i = 0; i < fields.size(); ++i) {
        auto* button = new QPushButton(fields[i]->parentWidget());
        button->setObjectName(fields[i]->objectName() + QStringLiteral("Button"));
        button->setGeometry(fields[i]->geometry());
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; color: transparent; }"));
        const Key key = times[i];
        QObject::connect(button, &QPushButton::clicked, button, [this, key] { pickTime(key); });
        timeButtons_[i] = button;
    }
    updateTimesButtons();
    fillPlaces();
}

QString FlightDetailView::titleOf(Key key) {
    if (key == keys::blockOff) return QStringLiteral("Block off");
    if (key == keys::takeOff) return QStringLiteral("Take off");
    if (key == keys::landing) return QStringLiteral("Landing");
    return QStringLiteral("Block on");
}

void FlightDetailView::pickTime(Key key) {
    if (!content_ || !content_->find(key)) return;
    auto* picker = new StampPicker(titleOf(key), timeText(secondsOf(*content_, key), false),  // owned by the window
                                   [this, key](const QString& typed) { return setStampedTime(key, typed); },
                                   view()->window());
    picker_ = picker;
    picker->show();
}

StampPicker* FlightDetailView::picker() const { return picker_ && picker_->isVisible() ? picker_.data() : nullptr; }

QString FlightDetailView::setStampedTime(Key key, const QString& typed) {
    if (!content_ || !content_->find(key)) return QStringLiteral("This time is no longer stamped.");
    const std::optional<QTime> clock = parseClockTime(typed);
    if (!clock) return QStringLiteral("Type a time as HH:MM, from 00:00 to 23:59.");
    const double old = secondsOf(*content_, key);
    const std::optional<double> moment = momentAtClockTime(old, *clock);
    if (!moment) return QStringLiteral("%1 does not exist on that day in this time zone.").arg(typed.trimmed());
    // The stamps stay in their order: block off, take off, landing, block on.
    const std::array<Key, 4> order{keys::blockOff, keys::takeOff, keys::landing, keys::blockOn};
    const auto place = size_t(std::find(order.begin(), order.end(), key) - order.begin());
    // Against the nearest stamped time on each side (the others are in order with those).
    for (size_t i = place; i-- > 0;) {
        if (!content_->find(order[i])) continue;
        const double other = secondsOf(*content_, order[i]);
        if (*moment < other)
            return QStringLiteral("%1 cannot be before %2 (%3).").arg(titleOf(key), titleOf(order[i]).toLower(), timeText(other, false));
        break;
    }
    for (size_t i = place + 1; i < order.size(); ++i) {
        if (!content_->find(order[i])) continue;
        const double other = secondsOf(*content_, order[i]);
        if (*moment > other)
            return QStringLiteral("%1 cannot be after %2 (%3).").arg(titleOf(key), titleOf(order[i]).toLower(), timeText(other, false));
        break;
    }
    content_->set(key, stampText(*moment));
    platform::logLine(QStringLiteral("%1 of the flight of %2 set by the pilot from %3 to %4")
                          .arg(titleOf(key), dateText(flightDate(*content_)), timeText(old, false), timeText(*moment, false)));
    updateTimesButtons();
    saveFlights();
    return {};
}

Ui::FlightDetailView& FlightDetailView::form() {
    view();
    return *ui_;
}

void FlightDetailView::setContent(platform::DictionaryPtr content) {
    content_ = std::move(content);
    updateTimesButtons();
    fillPlaces();
}

void FlightDetailView::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    updateTimesButtons();
    const QPixmap background = platform::ui::imageNamed(QStringLiteral("graybg.png"));
    ui_->arrivalLocationField->setBackgroundImage(background);
    ui_->departureLocationField->setBackgroundImage(background);
    fillPlaces();
    trackRefresh_.start();
}

void FlightDetailView::fillPlaces() {
    Ui::FlightDetailView& u = form();
    auto place = [this](Key key) { return content_ ? content_->get(key).toQString() : QString(); };
    u.departureLocationField->setText(place(keys::departure));
    u.arrivalLocationField->setText(place(keys::arrival));
}

void FlightDetailView::updateTimesButtons() {
    Ui::FlightDetailView& u = form();
    const platform::DictionaryPtr empty = platform::Dictionary::create();
    const platform::Dictionary& record = content_ ? *content_ : *empty;

    u.dateField->setText(content_ ? dateText(flightDate(record)) : QString());

    const std::array<Key, 4> times{keys::blockOff, keys::takeOff, keys::landing, keys::blockOn};
    const std::array<QLabel*, 4> fields{u.blockOffField, u.takeOffField, u.landingField, u.blockOnField};
    const std::array<QPushButton*, 4> buttons{u.blockOffButton, u.takeOffButton, u.landingButton, u.blockOnButton};
    bool next = bool(content_);  // no flight on screen: nothing to stamp
    for (size_t i = 0; i < times.size(); ++i) {
        FlightCell::affectTime(secondsOf(record, times[i]), fields[i], false);
        const bool set = record.find(times[i]) != nullptr;
        buttons[i]->setEnabled(next && !set);
        if (!set) next = false;
        if (QPushButton* pick = timeButtons_[i]) {
            pick->setText(fields[i]->text());
            pick->setVisible(set);
            pick->raise();
        }
    }

    FlightCell::affectTime(flightTime(record).value_or(0), u.trueFlightTimeField, true);
    FlightCell::affectTime(blockTime(record).value_or(0), u.totalTimeField, true);
    updateTrack();
}

QString FlightDetailView::trackText() const {
    if (!content_) return QStringLiteral("-");
    std::optional<TrackSummary> summary = FlightTrack::summarize(FlightTrack::read(FlightTrack::path(*content_)));
    if (!summary) return QStringLiteral("-");
    const units::UnitSettings& units = units::UnitSettings::shared();
    return QStringLiteral("%1  %2").arg(timeText(summary->duration, true),
                                        positioning::LocationManager::formattedDistance(summary->distance, units.distanceFactor(),
                                                                                        units.distanceUnit()));
}

void FlightDetailView::updateTrack() {
    if (!trackField_) return;
    // Read again only when the file (or the unit) changed: the refresh comes every few seconds.
    const QString path = content_ ? FlightTrack::path(*content_) : QString();
    const QFileInfo file(path);
    const QString seen = QStringLiteral("%1|%2|%3|%4")
                             .arg(path)
                             .arg(file.exists() ? file.size() : -1)
                             .arg(file.exists() ? file.lastModified().toMSecsSinceEpoch() : 0)
                             .arg(units::UnitSettings::shared().distanceUnit());
    if (seen == trackSeen_) return;
    trackSeen_ = seen;
    trackField_->setText(trackText());
}

void FlightDetailView::setCurrentTime(const QObject* sender) {
    Ui::FlightDetailView& u = form();
    std::optional<Key> key;
    if (sender == u.blockOffButton) key = keys::blockOff;
    else if (sender == u.takeOffButton) key = keys::takeOff;
    else if (sender == u.landingButton) key = keys::landing;
    else if (sender == u.blockOnButton) key = keys::blockOn;
    if (key && content_) content_->set(*key, stampText(log_->now()));
    updateTimesButtons();
    saveFlights();
}

void FlightDetailView::viewWillDisappear(bool animated) {
    trackRefresh_.stop();
    if (takePlaces(true)) saveFlights();
    ViewController::viewWillDisappear(animated);
}

bool FlightDetailView::takePlaces(bool onlyChanged) {
    if (!content_ || !isViewLoaded()) return false;
    bool changed = false;
    auto take = [&](Key key, const platform::ui::TextField* field) {
        const QString typed = field->text();
        const platform::Value* stored = content_->find(key);
        const QString shown = stored ? stored->toQString() : QString();
        // The field shows a stored place upper-cased: that alone is no change.
        if (onlyChanged && (typed == shown || typed == shown.toUpper())) return;
        if (stored && stored->isString() && typed == shown) return;
        content_->set(key, typed);
        changed = true;
    };
    take(keys::departure, ui_->departureLocationField);
    take(keys::arrival, ui_->arrivalLocationField);
    return changed;
}

bool FlightDetailView::textFieldShouldReturn(platform::ui::TextField* textField) {
    textField->resignFirstResponder();
    takePlaces(false);
    saveFlights();
    return true;
}

bool FlightDetailView::saveFlights() { return log_->saveFlights(); }

void FlightDetailView::list() {
    if (platform::ui::NavigationController* navigation = navigationController())
        navigation->popToRootViewControllerAnimated(true);
}

}  // namespace vantrel::logbook
