#include "FlightDetailView.h"

#include "FlightCell.h"
#include "FlightKeys.h"
#include "FlightLog.h"
#include "FlightRecord.h"
#include "FlightRecorder.h"
#include "FlightTimeText.h"
#include "FlightTrack.h"
#include "FlightsView.h"
#include "ui_FlightDetailView.h"

#include "platform/core/NotificationCenter.h"
#include "platform/ui/Images.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "positioning/LocationManager.h"
#include "units/UnitSettings.h"

#include <QDateTime>
#include <QFileInfo>

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
    updateTimesButtons();
    fillPlaces();
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
