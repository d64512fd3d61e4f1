#include "InstrumentViewController.h"

#include "ui_InstrumentView.h"

#include "instruments/AbstractInstrumentView.h"
#include "instruments/GPSView.h"
#include "instruments/SlipballView.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"

#include <QKeyEvent>

namespace vantrel::app {

namespace {
// Settings compared by their text: a course with no value (NaN) equals itself there.
std::string textOf(const platform::Value& settings) { return settings.description(); }
}  // namespace

std::shared_ptr<InstrumentViewController> InstrumentViewController::newController() {
    return std::make_shared<InstrumentViewController>();
}

InstrumentViewController::InstrumentViewController() : ui_(std::make_unique<Ui::InstrumentView>()) {}

InstrumentViewController::~InstrumentViewController() = default;

instruments::AbstractInstrumentView* InstrumentViewController::theInstrument() const { return theInstrument_; }

instruments::SlipballView* InstrumentViewController::slipball() const { return slipball_; }

void InstrumentViewController::loadView() { loadViewFromForm(*ui_); }

QWidget* InstrumentViewController::mainInstrumentView() {
    view();
    return ui_->mainInstrumentView;
}

QWidget* InstrumentViewController::secondaryInstrumentsView() {
    view();
    return ui_->secondaryInstrumentsView;
}

void InstrumentViewController::setInstrument(instruments::AbstractInstrumentView& instrument) {
    QWidget* pane = instrument.setupView();
    std::unique_ptr<instruments::SlipballView> ball = instruments::SlipballView::slipballView();
    view();
    instrument.setFrame(ui_->mainInstrumentView->rect());
    theInstrument_ = &instrument;
    instrument.setParent(ui_->mainInstrumentView);
    instrument.show();
    instrument.setNeedsDisplay();
    if (pane) {
        pane->setParent(ui_->secondaryInstrumentsView);
        pane->move(0, 0);
        pane->show();
    }
    slipball_ = ball.release();  // the lower area owns it from here
    slipball_->setParent(ui_->secondaryInstrumentsView);
    slipball_->raise();
    slipball_->show();
    slipball_->setNeedsDisplay();
}

void InstrumentViewController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    // Pushed from the More list, the screen takes the whole height, so that the instrument and its
    // slip ball show whole; the More tab leads back to the list.
    if (platform::ui::NavigationController* navigation = navigationController())
        navigation->setNavigationBarHidden(true, false);
    for (QWidget* area : {mainInstrumentView(), secondaryInstrumentsView()})
        for (QWidget* child : area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->update();
    placeInstrument(true);
    platform::NotificationCenter::defaultCenter().postNotificationName("UnitsChanged", this);
}

void InstrumentViewController::viewWillDisappear(bool animated) {
    if (platform::ui::NavigationController* navigation = navigationController())
        navigation->setNavigationBarHidden(false, false);
    ViewController::viewWillDisappear(animated);
}

void InstrumentViewController::viewDidDisappear(bool animated) {
    placeInstrument(false);
    ViewController::viewDidDisappear(animated);
}

void InstrumentViewController::placeInstrument(bool onScreen) {
    if (!theInstrument_) return;
    platform::ui::Window* window = platform::ui::Window::keyWindow();
    QObject::disconnect(landscapeWatch_);
    if (onScreen && window) {
        landscapeWatch_ = QObject::connect(window, &platform::ui::Window::landscapeChanged, theInstrument_.data(),
                                           [this] { placeInstrument(isOnScreen()); });
    }
    QWidget* lower = secondaryInstrumentsView();
    const int columnHeight = view()->height();
    if (onScreen && window && window->isLandscape()) {
        QWidget* side = window->sideArea();
        theInstrument_->setParent(side);
        theInstrument_->setGeometry(side->rect());
        theInstrument_->setContentScale(double(side->height()) / mainInstrumentView()->height());
        lower->move(0, std::max(0, (columnHeight - lower->height()) / 2));
    } else {
        theInstrument_->setParent(mainInstrumentView());
        theInstrument_->setContentScale(1.0);
        theInstrument_->setFrame(mainInstrumentView()->rect());
        lower->move(0, mainInstrumentView()->height());
    }
    theInstrument_->show();
    theInstrument_->setNeedsDisplay();
}

bool InstrumentViewController::keyPressed(QKeyEvent* event) {
    if (!theInstrument_ || (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) != Qt::NoModifier) return false;
    // The map zooms; the round instruments turn their ring or bug (a wheel's notch is a degree).
    const bool map = qobject_cast<instruments::GPSView*>(theInstrument_.data()) != nullptr;
    double notches = 0;
    switch (event->key()) {
    case Qt::Key_Left: notches = map ? 0 : -1; break;
    case Qt::Key_Right: notches = map ? 0 : 1; break;
    case Qt::Key_PageDown: notches = map ? 0 : -10; break;
    case Qt::Key_PageUp: notches = map ? 0 : 10; break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: notches = map ? 1 : 0; break;
    case Qt::Key_Minus: notches = map ? -1 : 0; break;
    default: break;
    }
    if (notches == 0) return false;
    theInstrument_->turnWheelBy(notches);
    return true;
}

void InstrumentViewController::save() {
    if (!theInstrument_) return;
    const platform::Value settings(theInstrument_->settings());
    platform::UserDefaults::standardUserDefaults().setObject(title().toStdString(), settings);
    lastSaved_ = lastSeen_ = textOf(settings);
}

void InstrumentViewController::noteSaved() {
    if (theInstrument_) lastSaved_ = lastSeen_ = textOf(platform::Value(theInstrument_->settings()));
}

void InstrumentViewController::saveWhenSettled() {
    if (!theInstrument_) return;
    const std::string now = textOf(platform::Value(theInstrument_->settings()));
    const bool settled = now == lastSeen_;
    lastSeen_ = now;
    if (settled && now != lastSaved_) save();
}

void InstrumentViewController::restore() {
    if (!theInstrument_) return;
    const platform::Value stored = platform::UserDefaults::standardUserDefaults().objectForKey(title().toStdString());
    if (!stored.isNull() && !stored.isDictionary())
        platform::logLine(QStringLiteral("The saved settings of %1 are not a dictionary (%2); the instrument starts afresh")
                              .arg(title(), QString::fromStdString(stored.description()).left(80)));
    theInstrument_->setSettings(stored.dictionary());
}

}  // namespace vantrel::app
