#include "MoreListController.h"

#include "TabBarController.h"
#include "TableView.h"
#include "TableViewCell.h"

namespace vantrel::platform::ui {

namespace {
const QString kCellIdentifier = QStringLiteral("MoreCell");
}

MoreListController::MoreListController(TabBarController* owner) : owner_(owner) {
    setTitle(QStringLiteral("More"));
    navigationItem().setRightBarButtonItem(
        BarButtonItem::systemItem(BarButtonSystemItem::Edit, [this] { owner_->beginCustomizingTabBar(); }));
}

void MoreListController::loadView() {
    auto* table = new TableView(TableViewStyle::Plain);  // owned through setView
    table->setDataSource(this);
    table->setDelegate(this);
    setView(table);
}

TableView* MoreListController::tableView() { return static_cast<TableView*>(view()); }

void MoreListController::reload() {
    if (BarButtonItem* edit = navigationItem().rightBarButtonItem())
        edit->setEnabled(!owner_->customizableViewControllers().empty());
    if (isViewLoaded()) tableView()->reloadData();
}

void MoreListController::viewWillAppear(bool) { reload(); }

int MoreListController::numberOfRowsInSection(TableView*, int) { return int(owner_->moreListControllers().size()); }

TableViewCell* MoreListController::cellForRowAtIndexPath(TableView* tableView, const IndexPath& path) {
    TableViewCell* cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell) cell = new TableViewCell(kCellIdentifier, tableView);
    ViewController* controller = owner_->moreListControllers()[size_t(path.row)];
    cell->setText(controller->tabBarItem().title());
    cell->setImage(controller->tabBarItem().image());
    cell->setAccessoryType(TableViewCellAccessoryType::DisclosureIndicator);
    return cell;
}

void MoreListController::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& path) {
    tableView->deselectRowAtIndexPath(path, true);
    std::vector<ViewController*> controllers = owner_->moreListControllers();
    if (path.row < int(controllers.size())) owner_->setSelectedViewController(controllers[size_t(path.row)]);
}

}  // namespace vantrel::platform::ui
