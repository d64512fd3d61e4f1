#pragma once
// A scrolling list of rows in sections, plain (full-width rows under grey section headers) or
// grouped (rounded groups of rows under their titles).
//
// The table asks its data source for sections, rows, header titles and a cell per row, and its
// delegate for heights and accessories; only the rows on screen have cells, taken from a pool of
// reused cells (dequeueReusableCellWithIdentifier), so a list of 20,000 rows holds about a
// screenful of cells. Scrolling: drag or flick by finger or mouse, the mouse wheel (three rows a notch), or
// scrollToRowAtIndexPath.
//
// A tap on a row highlights and selects it and tells the delegate; the row stays selected until
// deselectRowAtIndexPath (fading when animated). Editing mode shows the round delete control on
// the rows that can be edited; it turns and shows a Delete button, which commits the deletion to
// the data source. A horizontal swipe across such a row shows the Delete button outside editing
// mode; a tap elsewhere hides it.
//
// Ownership: cells are Qt children of the table (borrowed form cells return to their form); the
// data source and delegate are not owned. Threads: main thread only.

#include "IndexPath.h"
#include "TableLayout.h"
#include "TableViewDataSource.h"

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <map>
#include <optional>
#include <vector>

namespace vantrel::platform::ui {

class KineticScroller;
class TableViewCell;

enum class TableViewStyle { Plain, Grouped };
enum class TableViewScrollPosition { None, Top, Middle, Bottom };

class TableView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool grouped READ isGrouped WRITE setGrouped)
    Q_PROPERTY(double rowHeight READ rowHeight WRITE setRowHeight)

public:
    explicit TableView(QWidget* parent = nullptr);
    explicit TableView(TableViewStyle style, QWidget* parent = nullptr);
    ~TableView() override;

    TableViewStyle tableStyle() const { return style_; }
    void setTableStyle(TableViewStyle style);
    bool isGrouped() const { return style_ == TableViewStyle::Grouped; }
    void setGrouped(bool grouped) { setTableStyle(grouped ? TableViewStyle::Grouped : TableViewStyle::Plain); }

    TableViewDataSource* dataSource() const { return dataSource_; }
    void setDataSource(TableViewDataSource* dataSource);
    TableViewDelegate* delegate() const { return delegate_; }
    void setDelegate(TableViewDelegate* delegate);

    double rowHeight() const { return rowHeight_; }
    void setRowHeight(double height);
    QColor separatorColor() const { return separatorColor_; }
    void setSeparatorColor(const QColor& colour);
    void setBackgroundColor(const QColor& colour);
    // A short hint shown in grey under the headers while no section has a row ("No flights
    // yet."); empty shows nothing.
    QString emptyText() const { return emptyText_; }
    void setEmptyText(const QString& text);
    // True when the empty text is on screen now.
    bool isShowingEmptyText() const;

    // Asks the data source again for everything and shows the rows at the current offset.
    void reloadData();
    TableViewCell* dequeueReusableCellWithIdentifier(const QString& identifier);

    int numberOfSections() const { return layout_.sectionCount(); }
    int numberOfRowsInSection(int section) const { return layout_.rowCount(section); }
    // The cell of a row on screen, or null.
    TableViewCell* cellForRowAtIndexPath(const IndexPath& path) const;
    std::vector<TableViewCell*> visibleCells() const;
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
    std::optional<IndexPath> indexPathForRowAtPoint(const QPoint& point) const;
    // A row's rectangle in the table's own coordinates (off the widget when scrolled away).
    QRect rectForRowAtIndexPath(const IndexPath& path) const;

    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
    void selectRowAtIndexPath(const IndexPath& path, bool animated, TableViewScrollPosition position);
    void deselectRowAtIndexPath(const IndexPath& path, bool animated);

    bool isEditing() const { return editing_; }
    void setEditing(bool editing, bool animated = false);

    void scrollToRowAtIndexPath(const IndexPath& path, TableViewScrollPosition position, bool animated);
    double contentOffset() const { return offset_; }
    void setContentOffset(double offset, bool animated = false);
    double contentHeight() const { return layout_.contentHeight(); }
    double maxContentOffset() const;

    // Scrolls the first row whose text begins with prefix (any case) to the top; false when no
    // row does. A letter typed while the table has the focus does this.
    bool jumpToRowStartingWith(const QString& prefix);

    // The cells the table holds: those on screen and those waiting in the reuse pool.
    int liveCellCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Gesture { None, Pending, Scrolling, Swiping };

    // Moves the rows to the offset (clamped), as the scroller does while it glides.
    void applyOffset(double offset);
    void rebuildLayout();
    void layoutCells();
    void configure(TableViewCell* cell, const IndexPath& path);
    void adopt(TableViewCell*& cell, const IndexPath& path);
    void enqueue(TableViewCell* cell);
    bool canDelete(const IndexPath& path);
    void showDeleteConfirmation(std::optional<IndexPath> path);
    void commitDelete(TableViewCell* cell);
    void tapRow(const IndexPath& path);
    void setHighlightedRow(std::optional<IndexPath> path);
    void flashScrollIndicator();
    // The text of a row's cell, asking the data source for one when the row is off screen.
    QString textOfRow(const IndexPath& path);

    TableViewStyle style_ = TableViewStyle::Plain;
    TableViewDataSource* dataSource_ = nullptr;
    TableViewDelegate* delegate_ = nullptr;
    double rowHeight_ = 44;
    QColor separatorColor_;
    TableLayout layout_;
    std::vector<QString> headerTitles_;
    double offset_ = 0;
    QString emptyText_;

    std::map<IndexPath, QPointer<TableViewCell>> visible_;
    QHash<QString, std::vector<QPointer<TableViewCell>>> pool_;
    std::vector<QPointer<TableViewCell>> strays_;  // form cells waiting for a gesture's end to go home
    bool inLayout_ = false;
    bool reloadPending_ = false;

    std::optional<IndexPath> selected_;
    std::optional<IndexPath> highlighted_;
    std::optional<IndexPath> confirmingDelete_;
    bool editing_ = false;

    Gesture gesture_ = Gesture::None;
    bool tapAllowed_ = false;
    QPointF pressGlobal_;
    std::optional<IndexPath> pressedRow_;
    KineticScroller* scroller_;
    QWidget* indicator_;
    QTimer* indicatorTimer_;
};

}  // namespace vantrel::platform::ui
