#include "MoreController.h"

#include "HelpController.h"
#include "ui_MoreController.h"

#include "platform/ui/Images.h"
#include "platform/ui/Style.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "waypoints/ActiveCountriesController.h"

namespace vantrel::app {

using namespace platform::ui;

namespace {
const QString kCellIdentifier = QStringLiteral("plainCell");
enum Row { kHelpRow = 0, kActiveCountriesRow = 1 };
}  // namespace

MoreController& MoreController::sharedController() {
    // Never destroyed: the screen lives until the process ends, past the application object
    // after which its widgets may no longer be touched.
    static const auto* controller = new std::shared_ptr<MoreController>(std::make_shared<MoreController>());
    return **controller;
}

const std::shared_ptr<NavigationController>& MoreController::sharedNavigationController() {
    static const auto* navigation = [] {
        auto nav = std::make_shared<NavigationController>(sharedController().shared_from_this());
        nav->navigationBar()->setBarStyle(BarStyle::Black);
        return new std::shared_ptr<NavigationController>(std::move(nav));  // never destroyed, as the menu
    }();
    return *navigation;
}

MoreController::MoreController() { setTitle(QStringLiteral("More")); }

MoreController::~MoreController() = default;

const QStringList& MoreController::values() {
    static const QStringList entries{QStringLiteral("Help"), QStringLiteral("Active countries")};
    return entries;
}

void MoreController::loadView() {
    ui_ = std::make_unique<Ui::MoreController>();
    loadViewFromForm(*ui_);
}

TableView* MoreController::moreView() {
    view();
    return ui_->moreView;
}

void MoreController::viewDidLoad() {
    ui_->moreView->setDataSource(this);
    ui_->moreView->setDelegate(this);
}

int MoreController::numberOfRowsInSection(TableView*, int) { return int(values().size()); }

TableViewCell* MoreController::cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    TableViewCell* cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell) {
        cell = new TableViewCell(kCellIdentifier, tableView);
        cell->setTextColor(style::orange());
        cell->setBackgroundColor(style::background());
    }
    cell->setText(values().value(indexPath.row));
    cell->setImage(imageNamed(indexPath.row == kHelpRow ? QStringLiteral("help_i.png") : QStringLiteral("globe.png")));
    return cell;
}

std::optional<TableViewCellAccessoryType> MoreController::accessoryTypeForRowWithIndexPath(TableView*, const IndexPath&) {
    return TableViewCellAccessoryType::DetailDisclosureButton;
}

void MoreController::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    NavigationController& navigation = *sharedNavigationController();
    if (indexPath.row == kHelpRow)
        navigation.pushViewController(HelpController::sharedController().shared_from_this(), true);
    else if (indexPath.row == kActiveCountriesRow)
        navigation.pushViewController(waypoints::ActiveCountriesController::sharedController().shared_from_this(), true);
    tableView->deselectRowAtIndexPath(indexPath, true);
}

}  // namespace vantrel::app
