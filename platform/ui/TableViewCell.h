#pragma once
// One row of a table: a text (orange on black unless set otherwise), an optional image at its
// left, an accessory at its right (disclosure indicator, checkmark, or the detail disclosure
// button with its own tap), and the blue or grey highlight of a tapped row, which fades when the
// row is deselected with animation.
//
// Cells are reused: a cell made with a reuse identifier goes back to its table's pool when its row
// leaves the screen and comes out again through dequeueReusableCellWithIdentifier, after
// prepareForReuse(). Screens that need more than a text add widgets to contentView() (which moves
// aside for the delete control in editing mode) or draw in drawContent().
//
// A cell made in a screen's form (no reuse identifier) is lent to the table while its row shows
// and given back to its form parent afterwards.
//
// Threads: main thread only. Owned by its Qt parent: the table (or the form it was made in).

#include "TableViewDataSource.h"

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace vantrel::platform::ui {

class CellControl;
class TableView;
class Transition;

enum class TableViewCellSelectionStyle { None = 0, Blue = 1, Gray = 2 };

class TableViewCell : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)

public:
    explicit TableViewCell(QWidget* parent = nullptr);
    explicit TableViewCell(const QString& reuseIdentifier, QWidget* parent = nullptr);

    QString reuseIdentifier() const { return reuseIdentifier_; }

    QString text() const { return text_; }
    void setText(const QString& text);
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& colour);
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& colour);
    QPixmap image() const { return image_; }
    void setImage(const QPixmap& image);
    Qt::Alignment textAlignment() const { return textAlignment_; }
    void setTextAlignment(Qt::Alignment alignment);

    TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
    void setSelectionStyle(TableViewCellSelectionStyle style) { selectionStyle_ = style; }
    TableViewCellAccessoryType accessoryType() const { return accessoryType_; }
    void setAccessoryType(TableViewCellAccessoryType type);
    // The accessory the row shows (the delegate may answer another than the cell's own).
    TableViewCellAccessoryType shownAccessory() const { return shownAccessory_; }

    bool isSelected() const { return selected_; }
    void setSelected(bool selected, bool animated = false);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    bool isEditing() const { return editing_; }
    bool isShowingDeleteConfirmation() const { return confirmingDelete_; }

    // The area for the cell's own subviews: the row without its accessory and editing controls.
    QWidget* contentView() const { return contentView_; }

    // Called before the cell comes out of the reuse pool; the default clears the selection.
    virtual void prepareForReuse();

    // The controls, for a script or test that taps them (null while not shown).
    QAbstractButton* detailDisclosureButton() const;
    QAbstractButton* deleteControl() const;
    QAbstractButton* deleteConfirmationButton() const;

protected:
    // Draws the image and the text in the content rectangle (white while highlighted).
    virtual void drawContent(QPainter& painter, const QRectF& rect);
    // Called whenever the accessory or the editing controls are laid out: `free` is the part of
    // the content view that they leave uncovered, in the content view's coordinates. Cells whose
    // subviews would reach under the accessory narrow them here.
    virtual void layoutContent(const QRectF& free) { Q_UNUSED(free); }
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class TableView;
    enum GroupEdge { NoEdge = 0, TopEdge = 1, BottomEdge = 2 };

    void setShownAccessory(TableViewCellAccessoryType type);
    void setEditingState(bool editing, bool confirmingDelete);
    void setGroupEdges(bool grouped, int edges);
    void setSeparatorColor(const QColor& colour);
    void layoutControls();
    QRectF contentRect() const;
    double highlightLevel() const;

    QString reuseIdentifier_;
    QString text_;
    QColor textColor_;
    QColor backgroundColor_;
    QColor separatorColor_;
    QPixmap image_;
    Qt::Alignment textAlignment_ = Qt::AlignLeft;
    TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::Blue;
    TableViewCellAccessoryType accessoryType_ = TableViewCellAccessoryType::None;
    TableViewCellAccessoryType shownAccessory_ = TableViewCellAccessoryType::None;
    bool selected_ = false;
    bool highlighted_ = false;
    double fade_ = 0;  // what is left of a fading highlight
    QPointer<Transition> fading_;
    bool editing_ = false;
    bool confirmingDelete_ = false;
    bool grouped_ = false;
    int groupEdges_ = NoEdge;
    QWidget* contentView_;
    CellControl* detailButton_ = nullptr;
    CellControl* deleteControl_ = nullptr;
    CellControl* deleteButton_ = nullptr;

    // Set by the table that shows the cell.
    QPointer<QWidget> home_;
    std::function<void(TableViewCell*)> onAccessoryTapped_;
    std::function<void(TableViewCell*)> onDeleteControlTapped_;
    std::function<void(TableViewCell*)> onDeleteTapped_;
};

}  // namespace vantrel::platform::ui
