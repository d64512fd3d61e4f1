#include "SettingsController.h"

#include "ui_SettingsController.h"

#include "AirspaceController.h"

#include "logbook/FlightRecorder.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Style.h"

namespace vantrel::app {

using namespace platform::ui;

namespace {
constexpr int kUnitsSection = 0;
constexpr int kLogbookSection = 2;
constexpr int kNorthSection = 3;  // rows: True, Magnetic
constexpr int kAirspaceSection = 4;  // the row that opens the Airspace screen
const QString kAirspaceRow = QStringLiteral("Airspace");
const QStringList kNorthRows{QStringLiteral("True"), QStringLiteral("Magnetic")};
const QString kCellIdentifier = QStringLiteral("plainCell");
}  // namespace

SettingsController& SettingsController::sharedController() {
    // Never destroyed: the screen lives until the process ends, past the application object
    // after which its widgets may no longer be touched.
    static const auto* controller =
        new std::shared_ptr<SettingsController>(std::make_shared<SettingsController>(vantrel::units::UnitSettings::shared()));
    return **controller;
}

std::shared_ptr<NavigationController> SettingsController::sharedNavigationController() {
    static const auto* const navigation = [] {
        auto made = std::make_shared<NavigationController>(sharedController().shared_from_this());
        made->navigationBar()->setBarStyle(BarStyle::Black);
        return new std::shared_ptr<NavigationController>(std::move(made));
    }();
    return *navigation;
}

bool SettingsController::showAirspace() {
    NavigationController* navigation = navigationController();
    if (!navigation) {
        platform::logLine("The settings are not in a navigation controller: the Airspace screen cannot be opened");
        return false;
    }
    std::shared_ptr<ViewController> screen = airspaceScreen_ ? airspaceScreen_ : AirspaceController::sharedController();
    navigation->pushViewController(screen, true);
    return true;
}

SettingsController::SettingsController(vantrel::units::UnitSettings& settings) : settings_(settings) {
    setTitle(QStringLiteral("Settings"));
    tabBarItem().setImageName(QStringLiteral("settings.png"));
    const int unit = settings_.selectedUnit();
    if (unit < 0 || unit >= int(units().size())) {
        // Such a value gives the nautical factors everywhere; no row is checked until the pilot
        // picks one, and the value is kept as stored until then.
        platform::logLine(QStringLiteral("The stored units value %1 names no unit system; nautical units are used").arg(unit));
    }
}

SettingsController::~SettingsController() = default;

void SettingsController::loadView() {
    ui_ = std::make_unique<Ui::SettingsController>();
    loadViewFromForm(*ui_);
}

TableView* SettingsController::settingsView() {
    view();
    return ui_->settingsView;
}

TableViewCell* SettingsController::disclaimerCell() {
    view();
    return ui_->disclaimerCell;
}

Switch* SettingsController::disclaimerSwitch() {
    view();
    return ui_->disclaimerSwitch;
}

TableViewCell* SettingsController::automaticStampsCell() {
    view();
    return ui_->automaticStampsCell;
}

Switch* SettingsController::automaticStampsSwitch() {
    view();
    return ui_->automaticStampsSwitch;
}

void SettingsController::viewDidLoad() {
    // The form's cell waits out of sight until the table shows it as the disclaimer row.
    ui_->disclaimerCell->hide();
    ui_->automaticStampsCell->hide();
    // Taken at once: the flight recorder reads it at the next fix, not when the screen is left.
    QObject::connect(ui_->automaticStampsSwitch, &Switch::valueChanged, ui_->automaticStampsSwitch, [](bool on) {
        platform::UserDefaults::standardUserDefaults().setObject(logbook::FlightRecorder::kAutomaticStampsKey,
                                                                 platform::Value::boolean(on));
        platform::logLine(on ? "Automatic take off and landing switched on" : "Automatic take off and landing switched off");
    });
    ui_->titleBar->setBarStyle(BarStyle::Black);
    ui_->settingsView->setDataSource(this);
    ui_->settingsView->setDelegate(this);
}

void SettingsController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    ui_->titleBar->showItemUnlessNavigated(*this);
    ui_->disclaimerSwitch->setOn(!platform::UserDefaults::standardUserDefaults().objectForKey("disableDisclaimer").boolValue());
    ui_->automaticStampsSwitch->setOn(logbook::FlightRecorder::automaticStampsEnabled());
    ui_->settingsView->reloadData();
}

void SettingsController::viewWillDisappear(bool animated) {
    ViewController::viewWillDisappear(animated);
    auto& defaults = platform::UserDefaults::standardUserDefaults();
    defaults.setObject("units", platform::Value::integer(settings_.selectedUnit()));
    defaults.setObject(vantrel::units::UnitSettings::kNorthKey,
                       platform::Value(vantrel::units::UnitSettings::northValue(settings_.magneticNorth())));
    defaults.setObject("disableDisclaimer", platform::Value::boolean(!ui_->disclaimerSwitch->isOn()));
    defaults.setObject(logbook::FlightRecorder::kAutomaticStampsKey, platform::Value::boolean(ui_->automaticStampsSwitch->isOn()));
    auto& center = platform::NotificationCenter::defaultCenter();
    center.postNotificationName("UnitsChanged", this);
    center.postNotificationName("UnitsChangedGPS", this);
}

int SettingsController::numberOfRowsInSection(TableView*, int section) {
    if (section == kNorthSection) return int(kNorthRows.size());
    if (section == kAirspaceSection) return 1;
    return section == kUnitsSection ? int(units().size()) : 1;
}

QString SettingsController::titleForHeaderInSection(TableView*, int section) {
    if (section == kUnitsSection) return QStringLiteral("Units");
    if (section == kNorthSection) return QStringLiteral("North");
    if (section == kAirspaceSection) return QString();  // the row says it
    return section == kLogbookSection ? QStringLiteral("Take off and landing") : QStringLiteral("Disclaimer");
}

TableViewCell* SettingsController::cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    if (indexPath.section == kLogbookSection) return ui_->automaticStampsCell;
    if (indexPath.section != kUnitsSection && indexPath.section != kNorthSection && indexPath.section != kAirspaceSection)
        return ui_->disclaimerCell;
    TableViewCell* cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell) {
        cell = new TableViewCell(kCellIdentifier, tableView);
        cell->setTextColor(style::orange());
        cell->setBackgroundColor(style::background());
        cell->setSelectionStyle(TableViewCellSelectionStyle::None);
    }
    cell->setText(indexPath.section == kAirspaceSection ? kAirspaceRow
                  : indexPath.section == kNorthSection  ? kNorthRows.value(indexPath.row)
                                                        : units().value(indexPath.row));
    return cell;
}

std::optional<TableViewCellAccessoryType> SettingsController::accessoryTypeForRowWithIndexPath(TableView*,
                                                                                             const IndexPath& indexPath) {
    if (indexPath.section == kAirspaceSection) return TableViewCellAccessoryType::DisclosureIndicator;
    const bool checked = (indexPath.section == kUnitsSection && indexPath.row == settings_.selectedUnit()) ||
                         (indexPath.section == kNorthSection && indexPath.row == (settings_.magneticNorth() ? 1 : 0));
    return checked ? TableViewCellAccessoryType::Checkmark : TableViewCellAccessoryType::None;
}

void SettingsController::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    tableView->deselectRowAtIndexPath(indexPath, true);
    if (indexPath.section == kNorthSection) {
        settings_.setMagneticNorth(indexPath.row == 1);
        platform::logLine(settings_.magneticNorth() ? "Bearings from magnetic north" : "Bearings from true north");
        tableView->reloadData();
        return;
    }
    if (indexPath.section == kAirspaceSection) {
        showAirspace();
        return;
    }
    if (indexPath.section != kUnitsSection) return;
    settings_.setSelectedUnit(indexPath.row);
    tableView->reloadData();
}

}  // namespace vantrel::app
