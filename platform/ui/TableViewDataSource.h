#pragma once
// What a table asks of the screen that fills it (the data source) and what it tells it (the
// delegate). The table calls them on the main thread; neither is owned by the table, and both must
// outlive it or be unset first.
//
// Every answer has a default but the row count and the cell, so that a screen implements only what
// it needs. A row can be deleted (the delete control in editing mode, or the swipe across it) only
// when canEditRowAtIndexPath answers true and its editing style is Delete.

#include "IndexPath.h"

#include <QString>
#include <optional>

namespace vantrel::platform::ui {

class TableView;
class TableViewCell;

enum class TableViewCellAccessoryType { None = 0, DisclosureIndicator = 1, DetailDisclosureButton = 2, Checkmark = 3 };
enum class TableViewCellEditingStyle { None = 0, Delete = 1, Insert = 2 };

class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView*) { return 1; }
    virtual int numberOfRowsInSection(TableView* tableView, int section) = 0;
    // The cell of a row: a cell taken from dequeueReusableCellWithIdentifier, or a new one made
    // with the table as its Qt parent (or with none: the table adopts it).
    virtual TableViewCell* cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) = 0;
    virtual QString titleForHeaderInSection(TableView*, int) { return {}; }
    virtual bool canEditRowAtIndexPath(TableView*, const IndexPath&) { return false; }
    virtual void commitEditingStyle(TableView*, TableViewCellEditingStyle, const IndexPath&) {}
};

class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    // The accessory of a row; none answered = the cell's own accessoryType.
    virtual std::optional<TableViewCellAccessoryType> accessoryTypeForRowWithIndexPath(TableView*, const IndexPath&) {
        return std::nullopt;
    }
    virtual void didSelectRowAtIndexPath(TableView*, const IndexPath&) {}
    // A tap on a row's detail disclosure button; by default it counts as a tap on the row, so that
    // the button never does nothing.
    virtual void accessoryButtonTappedForRowWithIndexPath(TableView* tableView, const IndexPath& indexPath) {
        didSelectRowAtIndexPath(tableView, indexPath);
    }
    // A row's height in points; none answered = the table's rowHeight.
    virtual std::optional<double> heightForRowAtIndexPath(TableView*, const IndexPath&) { return std::nullopt; }
    virtual TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView*, const IndexPath&) {
        return TableViewCellEditingStyle::Delete;
    }
};

}  // namespace vantrel::platform::ui
