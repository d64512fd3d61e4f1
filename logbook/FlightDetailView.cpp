#include "FlightDetailView.h"

#include "FlightCell.h"
#include "FlightKeys.h"
#include "FlightLog.h"
#include "FlightRecord.h"
#include "FlightTimeText.h"
#include "FlightsView.h"
#include "ui_FlightDetailView.h"

#include "platform/ui/Images.h"
#include "platform/ui/NavigationController.h"

#include <array>

namespace vantrel::logbook {

using platform::Key;

FlightDetailView::FlightDetailView(std::shared_ptr<FlightLog> log)
    : log_(std::move(log)), ui_(std::make_unique<Ui::FlightDetailView>()) {
    setTitle(QStringLiteral("Flight details"));
}

FlightDetailView::~FlightDetailView() = default;

std::shared_ptr<FlightDetailView> FlightDetailView::sharedController() {
    return FlightsView::sharedController()->detailView();
}

void FlightDetailView::loadView() { loadViewFromForm(*ui_); }

void FlightDetailView::viewDidLoad() {
    ui_->departureLocationField->setDelegate(this);
    ui_->arrivalLocationField->setDelegate(this);
    for (platform::ui::Button* button : {ui_->blockOffButton, ui_->takeOffButton, ui_->landingButton, ui_->blockOnButton})
        button->setAction([this, button] { setCurrentTime(button); });
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

bool FlightDetailView::textFieldShouldReturn(platform::ui::TextField* textField) {
    textField->resignFirstResponder();
    if (content_) {
        content_->set(keys::departure, ui_->departureLocationField->text());
        content_->set(keys::arrival, ui_->arrivalLocationField->text());
    }
    saveFlights();
    return true;
}

bool FlightDetailView::saveFlights() { return log_->saveFlights(); }

void FlightDetailView::list() {
    if (platform::ui::NavigationController* navigation = navigationController())
        navigation->popToRootViewControllerAnimated(true);
}

}  // namespace vantrel::logbook
