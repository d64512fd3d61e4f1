#include "TableView.h"

#include "KineticScroller.h"
#include "Style.h"
#include "TableViewCell.h"

#include "platform/core/Log.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace vantrel::platform::ui {

namespace {
constexpr double kPlainHeaderHeight = 22;
constexpr double kGroupedHeaderHeight = 36;
constexpr double kGroupedGap = 10;
constexpr double kGroupedInset = 10;
constexpr double kDragThreshold = 8;
constexpr double kSwipeDistance = 30;
constexpr double kWheelRows = 3;  // rows per notch of the wheel, as Linux lists scroll
}  // namespace

TableView::TableView(QWidget* parent) : TableView(TableViewStyle::Plain, parent) {}

TableView::TableView(TableViewStyle style, QWidget* parent)
    : QWidget(parent),
      style_(style),
      separatorColor_(style::separator()),
      scroller_(new KineticScroller({[this] { return offset_; }, [this](double y) { applyOffset(y); },
                                     [this] { return maxContentOffset(); }},
                                    this)),
      indicator_(new QWidget(this)),
      indicatorTimer_(new QTimer(this)) {
    setBackgroundColor(style::background());
    setAutoFillBackground(true);
    setFont(style::font(17, true));
    indicator_->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 110); border-radius: 2px;"));
    indicator_->setAttribute(Qt::WA_TransparentForMouseEvents);
    indicator_->hide();
    indicatorTimer_->setSingleShot(true);
    indicatorTimer_->setInterval(500);
    connect(indicatorTimer_, &QTimer::timeout, indicator_, &QWidget::hide);
}

TableView::~TableView() = default;

void TableView::setTableStyle(TableViewStyle style) {
    style_ = style;
    reloadData();
}

void TableView::setDataSource(TableViewDataSource* dataSource) {
    dataSource_ = dataSource;
    reloadData();
}

void TableView::setDelegate(TableViewDelegate* delegate) {
    delegate_ = delegate;
    reloadData();
}

void TableView::setRowHeight(double height) {
    rowHeight_ = std::max(1.0, height);
    reloadData();
}

void TableView::setSeparatorColor(const QColor& colour) {
    separatorColor_ = colour;
    layoutCells();
}

void TableView::setBackgroundColor(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

double TableView::maxContentOffset() const { return std::max(0.0, layout_.contentHeight() - height()); }

int TableView::liveCellCount() const {
    int count = 0;
    for (auto& [path, cell] : visible_) count += cell ? 1 : 0;
    for (auto& cells : pool_) {
        for (auto& cell : cells) count += cell ? 1 : 0;
    }
    return count;
}

void TableView::rebuildLayout() {
    const bool grouped = style_ == TableViewStyle::Grouped;
    layout_.reset(grouped ? kGroupedGap : 0);
    headerTitles_.clear();
    if (!dataSource_) return;
    int sections = dataSource_->numberOfSectionsInTableView(this);
    if (sections < 0) {
        logLine(QStringLiteral("A table's data source gave %1 sections; it shows none").arg(sections));
        sections = 0;
    }
    for (int s = 0; s < sections; ++s) {
        int rows = dataSource_->numberOfRowsInSection(this, s);
        if (rows < 0) {
            logLine(QStringLiteral("A table's data source gave %1 rows in section %2; it shows none").arg(rows).arg(s));
            rows = 0;
        }
        QString title = dataSource_->titleForHeaderInSection(this, s);
        headerTitles_.push_back(title);
        const double header = title.isEmpty() ? 0 : (grouped ? kGroupedHeaderHeight : kPlainHeaderHeight);
        auto height = [this, s](int r) {
            std::optional<double> h = delegate_ ? delegate_->heightForRowAtIndexPath(this, {s, r}) : std::nullopt;
            return h && std::isfinite(*h) ? *h : rowHeight_;
        };
        layout_.addSection(header, rows, height, grouped ? kGroupedGap : 0);
    }
}

void TableView::reloadData() {
    if (inLayout_) {
        reloadPending_ = true;
        return;
    }
    for (auto& [path, cell] : visible_) {
        if (cell) enqueue(cell);
    }
    visible_.clear();
    selected_.reset();
    highlighted_.reset();
    confirmingDelete_.reset();
    rebuildLayout();
    offset_ = std::clamp(offset_, 0.0, maxContentOffset());
    layoutCells();
}

void TableView::setEmptyText(const QString& text) {
    if (text == emptyText_) return;
    emptyText_ = text;
    update();
}

bool TableView::isShowingEmptyText() const {
    if (emptyText_.isEmpty()) return false;
    for (int s = 0; s < layout_.sectionCount(); ++s)
        if (layout_.rowCount(s) > 0) return false;
    return true;
}

TableViewCell* TableView::dequeueReusableCellWithIdentifier(const QString& identifier) {
    auto it = pool_.find(identifier);
    if (it == pool_.end()) return nullptr;
    auto& cells = it.value();
    while (!cells.empty()) {
        QPointer<TableViewCell> cell = cells.back();
        cells.pop_back();
        if (!cell) continue;
        cell->prepareForReuse();
        return cell;
    }
    return nullptr;
}

void TableView::enqueue(TableViewCell* cell) {
    cell->hide();
    cell->setHighlighted(false);
    cell->onAccessoryTapped_ = nullptr;
    cell->onDeleteControlTapped_ = nullptr;
    cell->onDeleteTapped_ = nullptr;
    if (!cell->reuseIdentifier().isEmpty()) {
        pool_[cell->reuseIdentifier()].push_back(cell);
    } else if (cell->home_) {
        // A form's cell goes home, but not in the middle of a gesture that it may have begun:
        // its events reach the table through it.
        if (gesture_ == Gesture::None)
            cell->setParent(cell->home_);
        else
            strays_.push_back(cell);
    } else {
        cell->deleteLater();
    }
}

void TableView::adopt(TableViewCell*& cell, const IndexPath& path) {
    if (!cell) {
        logLine(QStringLiteral("A table's data source gave no cell for row %1; it shows an empty one").arg(path.toString()));
        cell = new TableViewCell(this);
    }
    for (auto it = visible_.begin(); it != visible_.end(); ++it) {
        if (it->second == cell) {
            logLine(QStringLiteral("A table's data source gave the same cell for rows %1 and %2")
                        .arg(it->first.toString(), path.toString()));
            visible_.erase(it);
            break;
        }
    }
    if (cell->parentWidget() != this) {
        if (cell->parentWidget()) cell->home_ = cell->parentWidget();
        cell->setParent(this);
    }
    QPointer<TableView> self(this);
    cell->onAccessoryTapped_ = [self](TableViewCell* c) {
        if (!self) return;
        if (auto path = self->indexPathForCell(c); path && self->delegate_)
            self->delegate_->accessoryButtonTappedForRowWithIndexPath(self, *path);
    };
    cell->onDeleteControlTapped_ = [self](TableViewCell* c) {
        if (!self) return;
        auto path = self->indexPathForCell(c);
        self->showDeleteConfirmation(path && path != self->confirmingDelete_ ? path : std::nullopt);
    };
    cell->onDeleteTapped_ = [self](TableViewCell* c) {
        if (self) self->commitDelete(c);
    };
    visible_[path] = cell;
}

void TableView::layoutCells() {
    if (inLayout_) return;
    inLayout_ = true;
    const std::vector<IndexPath> rows = layout_.rowsBetween(offset_, offset_ + height());
    for (auto it = visible_.begin(); it != visible_.end();) {
        if (!it->second || !std::binary_search(rows.begin(), rows.end(), it->first)) {
            if (it->second) enqueue(it->second);
            it = visible_.erase(it);
        } else {
            ++it;
        }
    }
    for (const IndexPath& path : rows) {
        if (visible_.count(path) || !dataSource_) continue;
        TableViewCell* cell = dataSource_->cellForRowAtIndexPath(this, path);
        adopt(cell, path);
    }
    for (auto& [path, cell] : visible_) {
        if (cell) configure(cell, path);
    }
    inLayout_ = false;
    if (reloadPending_) {
        reloadPending_ = false;
        reloadData();
        return;
    }
    if (indicator_->isVisible()) indicator_->raise();
    update();
}

void TableView::configure(TableViewCell* cell, const IndexPath& path) {
    const bool grouped = style_ == TableViewStyle::Grouped;
    std::optional<TableViewCellAccessoryType> accessory =
        delegate_ ? delegate_->accessoryTypeForRowWithIndexPath(this, path) : std::nullopt;
    cell->setShownAccessory(accessory.value_or(cell->accessoryType()));
    cell->setEditingState(editing_ && canDelete(path), confirmingDelete_ == path);
    cell->selected_ = selected_ == path;
    cell->setHighlighted(highlighted_ == path);
    cell->update();
    int edges = 0;
    if (path.row == 0) edges |= TableViewCell::TopEdge;
    if (path.row == layout_.rowCount(path.section) - 1) edges |= TableViewCell::BottomEdge;
    cell->setGroupEdges(grouped, edges);
    cell->setSeparatorColor(separatorColor_);
    const double inset = grouped ? kGroupedInset : 0;
    cell->setGeometry(QRect(int(inset), int(std::floor(layout_.rowTop(path) - offset_)), int(width() - 2 * inset),
                            int(std::round(layout_.rowHeight(path)))));
    cell->show();
}

bool TableView::canDelete(const IndexPath& path) {
    if (!dataSource_ || !dataSource_->canEditRowAtIndexPath(this, path)) return false;
    const auto style = delegate_ ? delegate_->editingStyleForRowAtIndexPath(this, path) : TableViewCellEditingStyle::Delete;
    return style == TableViewCellEditingStyle::Delete;
}

TableViewCell* TableView::cellForRowAtIndexPath(const IndexPath& path) const {
    auto it = visible_.find(path);
    return it == visible_.end() ? nullptr : it->second.data();
}

std::vector<TableViewCell*> TableView::visibleCells() const {
    std::vector<TableViewCell*> cells;
    for (auto& [path, cell] : visible_) {
        if (cell) cells.push_back(cell);
    }
    return cells;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
    std::vector<IndexPath> paths;
    for (auto& [path, cell] : visible_) {
        if (cell) paths.push_back(path);
    }
    return paths;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const {
    for (auto& [path, c] : visible_) {
        if (c == cell) return path;
    }
    return std::nullopt;
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(const QPoint& point) const {
    return layout_.rowAt(point.y() + offset_);
}

QRect TableView::rectForRowAtIndexPath(const IndexPath& path) const {
    if (!layout_.contains(path)) return {};
    const double inset = style_ == TableViewStyle::Grouped ? kGroupedInset : 0;
    return QRect(int(inset), int(std::floor(layout_.rowTop(path) - offset_)), int(width() - 2 * inset),
                 int(std::round(layout_.rowHeight(path))));
}

void TableView::selectRowAtIndexPath(const IndexPath& path, bool animated, TableViewScrollPosition position) {
    if (!layout_.contains(path)) return;
    if (selected_ && selected_ != path) deselectRowAtIndexPath(*selected_, false);
    selected_ = path;
    if (TableViewCell* cell = cellForRowAtIndexPath(path)) cell->setSelected(true);
    if (position != TableViewScrollPosition::None || !cellForRowAtIndexPath(path))
        scrollToRowAtIndexPath(path, position, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& path, bool animated) {
    if (selected_ == path) selected_.reset();
    if (highlighted_ == path) highlighted_.reset();
    if (TableViewCell* cell = cellForRowAtIndexPath(path)) cell->setSelected(false, animated);
}

void TableView::setEditing(bool editing, bool) {
    editing_ = editing;
    confirmingDelete_.reset();
    layoutCells();
}

void TableView::showDeleteConfirmation(std::optional<IndexPath> path) {
    confirmingDelete_ = path;
    layoutCells();
}

void TableView::commitDelete(TableViewCell* cell) {
    std::optional<IndexPath> path = indexPathForCell(cell);
    confirmingDelete_.reset();
    if (!path || !dataSource_) {
        layoutCells();
        return;
    }
    dataSource_->commitEditingStyle(this, TableViewCellEditingStyle::Delete, *path);
    // The rows must match the data source's even when it did not reload after the deletion.
    reloadData();
}

void TableView::scrollToRowAtIndexPath(const IndexPath& path, TableViewScrollPosition position, bool animated) {
    if (!layout_.contains(path)) {
        logLine(QStringLiteral("A table has no row %1 to scroll to").arg(path.toString()));
        return;
    }
    const double top = layout_.rowTop(path);
    const double h = layout_.rowHeight(path);
    double target = offset_;
    switch (position) {
    case TableViewScrollPosition::Top: target = top; break;
    case TableViewScrollPosition::Middle: target = top - (height() - h) / 2; break;
    case TableViewScrollPosition::Bottom: target = top + h - height(); break;
    case TableViewScrollPosition::None:
        if (top < offset_)
            target = top;
        else if (top + h > offset_ + height())
            target = top + h - height();
        break;
    }
    scroller_->scrollTo(target, animated);
}

void TableView::setContentOffset(double offset, bool animated) {
    if (animated) {
        scroller_->scrollTo(offset, true);
        return;
    }
    // A list still gliding from a flick stops at the place it is given (a new list shown from
    // its top must not glide on from where the old one was).
    scroller_->stop();
    applyOffset(offset);
}

void TableView::applyOffset(double offset) {
    offset = std::clamp(offset, 0.0, maxContentOffset());
    if (offset == offset_) return;
    offset_ = offset;
    layoutCells();
    flashScrollIndicator();
}

void TableView::flashScrollIndicator() {
    const double content = layout_.contentHeight();
    if (content <= height() || height() <= 0) return;
    const double length = std::max(20.0, height() * height() / content);
    const double y = (height() - length) * offset_ / maxContentOffset();
    indicator_->setGeometry(width() - 6, int(y), 4, int(length));
    indicator_->show();
    indicator_->raise();
    indicatorTimer_->start();
}

void TableView::resizeEvent(QResizeEvent*) {
    offset_ = std::clamp(offset_, 0.0, maxContentOffset());
    layoutCells();
}

void TableView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool grouped = style_ == TableViewStyle::Grouped;
    for (int s = 0; s < layout_.sectionCount(); ++s) {
        const double h = layout_.headerHeight(s);
        if (h <= 0) continue;
        const QRectF r(0, layout_.headerTop(s) - offset_, width(), h);
        if (r.bottom() < 0 || r.top() > height()) continue;
        const QString& title = headerTitles_[size_t(s)];
        painter.setFont(font());
        if (grouped) {
            painter.setPen(QColor(0xCC, 0xCC, 0xCC));
            painter.drawText(r.adjusted(20, 0, -20, -6), Qt::AlignLeft | Qt::AlignBottom, title);
        } else {
            QLinearGradient gradient(r.topLeft(), r.bottomLeft());
            gradient.setColorAt(0, QColor(0x55, 0x55, 0x55));
            gradient.setColorAt(1, QColor(0x33, 0x33, 0x33));
            painter.fillRect(r, gradient);
            painter.setPen(Qt::white);
            painter.drawText(r.adjusted(12, 0, -12, 0), Qt::AlignLeft | Qt::AlignVCenter, title);
        }
    }
    if (isShowingEmptyText()) {
        const double top = std::max(0.0, layout_.contentHeight() - offset_) + 24;
        painter.setFont(style::font(17, true));
        painter.setPen(QColor(0xAA, 0xAA, 0xAA));
        painter.drawText(QRectF(20, top, width() - 40, std::max(0.0, height() - top)),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, emptyText_);
    }
}

void TableView::setHighlightedRow(std::optional<IndexPath> path) {
    if (highlighted_ == path) return;
    if (highlighted_) {
        if (TableViewCell* cell = cellForRowAtIndexPath(*highlighted_)) cell->setHighlighted(false);
    }
    highlighted_ = path;
    if (highlighted_) {
        if (TableViewCell* cell = cellForRowAtIndexPath(*highlighted_)) cell->setHighlighted(true);
    }
}

void TableView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    gesture_ = Gesture::Pending;
    pressGlobal_ = event->globalPosition();
    // A touch that stops a flick, or that dismisses a Delete button, selects nothing.
    tapAllowed_ = !scroller_->stop();
    if (confirmingDelete_) {
        showDeleteConfirmation(std::nullopt);
        tapAllowed_ = false;
    }
    pressedRow_ = indexPathForRowAtPoint(event->position().toPoint());
    if (tapAllowed_ && !editing_ && pressedRow_) setHighlightedRow(pressedRow_);
}

void TableView::mouseMoveEvent(QMouseEvent* event) {
    if (gesture_ == Gesture::None) return;
    const QPointF delta = event->globalPosition() - pressGlobal_;
    if (gesture_ == Gesture::Pending) {
        if (std::abs(delta.y()) > kDragThreshold && std::abs(delta.y()) >= std::abs(delta.x())) {
            gesture_ = Gesture::Scrolling;
            scroller_->beginDrag(pressGlobal_.y(), event->timestamp());
        } else if (std::abs(delta.x()) > kDragThreshold) {
            gesture_ = Gesture::Swiping;
        } else {
            return;
        }
        setHighlightedRow(std::nullopt);
    }
    if (gesture_ == Gesture::Scrolling) scroller_->dragTo(event->globalPosition().y(), event->timestamp());
}

void TableView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || gesture_ == Gesture::None) return;
    const Gesture gesture = gesture_;
    gesture_ = Gesture::None;
    for (auto& cell : strays_) {
        if (cell && !cell->isVisible() && !indexPathForCell(cell)) cell->setParent(cell->home_);
    }
    strays_.clear();
    const QPointF delta = event->globalPosition() - pressGlobal_;
    if (gesture == Gesture::Scrolling) {
        scroller_->endDrag(event->globalPosition().y(), event->timestamp());
        return;
    }
    if (gesture == Gesture::Swiping) {
        if (!editing_ && pressedRow_ && std::abs(delta.x()) >= kSwipeDistance && canDelete(*pressedRow_))
            showDeleteConfirmation(pressedRow_);
        return;
    }
    const std::optional<IndexPath> row = indexPathForRowAtPoint(event->position().toPoint());
    if (!tapAllowed_ || editing_ || !row || row != pressedRow_) {
        setHighlightedRow(std::nullopt);
        return;
    }
    tapRow(*row);
}

void TableView::tapRow(const IndexPath& path) {
    if (selected_ && selected_ != path) deselectRowAtIndexPath(*selected_, false);
    highlighted_.reset();
    selected_ = path;
    if (TableViewCell* cell = cellForRowAtIndexPath(path)) cell->setSelected(true);
    if (delegate_) delegate_->didSelectRowAtIndexPath(this, path);
}

void TableView::wheelEvent(QWheelEvent* event) {
    scroller_->stop();
    const double dy = !event->pixelDelta().isNull() ? event->pixelDelta().y()
                                                    : event->angleDelta().y() / 120.0 * kWheelRows * rowHeight_;
    const double before = offset_;
    setContentOffset(offset_ - dy);
    event->setAccepted(offset_ != before);
}

QString TableView::textOfRow(const IndexPath& path) {
    if (auto it = visible_.find(path); it != visible_.end() && it->second) return it->second->text();
    if (!dataSource_) return {};
    TableViewCell* cell = dataSource_->cellForRowAtIndexPath(this, path);
    if (!cell) return {};
    const QString text = cell->text();
    // Asked for its text only: the cell goes back to the pool (or home) at once.
    if (!cell->parentWidget()) cell->setParent(this);
    enqueue(cell);
    return text;
}

bool TableView::jumpToRowStartingWith(const QString& prefix) {
    if (prefix.isEmpty()) return false;
    for (int section = 0; section < numberOfSections(); ++section) {
        for (int row = 0; row < numberOfRowsInSection(section); ++row) {
            const IndexPath path{section, row};
            if (textOfRow(path).startsWith(prefix, Qt::CaseInsensitive)) {
                scrollToRowAtIndexPath(path, TableViewScrollPosition::Top, false);
                return true;
            }
        }
    }
    return false;
}

void TableView::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool plain = (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::NoModifier;
    if (plain && text.size() == 1 && text.front().isLetterOrNumber()) {
        jumpToRowStartingWith(text);
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace vantrel::platform::ui
