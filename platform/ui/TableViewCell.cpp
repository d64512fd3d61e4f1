#include "TableViewCell.h"

#include "CellControl.h"
#include "Style.h"
#include "Transition.h"

#include <QPainter>
#include <QPainterPath>

namespace vantrel::platform::ui {

namespace {
constexpr double kPadding = 10;
constexpr int kEditingInset = 32;
constexpr int kIndicatorWidth = 30;
constexpr int kGroupRadius = 9;

QPainterPath cellShape(const QRectF& r, bool grouped, bool top, bool bottom) {
    QPainterPath path;
    if (!grouped || (!top && !bottom)) {
        path.addRect(r);
        return path;
    }
    const double rt = top ? kGroupRadius : 0;
    const double rb = bottom ? kGroupRadius : 0;
    path.moveTo(r.left(), r.top() + rt);
    if (rt > 0) path.quadTo(r.topLeft(), QPointF(r.left() + rt, r.top()));
    path.lineTo(r.right() - rt, r.top());
    if (rt > 0) path.quadTo(r.topRight(), QPointF(r.right(), r.top() + rt));
    path.lineTo(r.right(), r.bottom() - rb);
    if (rb > 0) path.quadTo(r.bottomRight(), QPointF(r.right() - rb, r.bottom()));
    path.lineTo(r.left() + rb, r.bottom());
    if (rb > 0) path.quadTo(r.bottomLeft(), QPointF(r.left(), r.bottom() - rb));
    path.closeSubpath();
    return path;
}
}  // namespace

TableViewCell::TableViewCell(QWidget* parent) : TableViewCell(QString(), parent) {}

TableViewCell::TableViewCell(const QString& reuseIdentifier, QWidget* parent)
    : QWidget(parent),
      reuseIdentifier_(reuseIdentifier),
      textColor_(style::orange()),
      backgroundColor_(style::background()),
      separatorColor_(style::separator()),
      contentView_(new QWidget(this)) {
    setFont(style::font(20, true));
    resize(320, 44);
    layoutControls();
}

void TableViewCell::setText(const QString& text) {
    text_ = text;
    update();
}

void TableViewCell::setTextColor(const QColor& colour) {
    textColor_ = colour;
    update();
}

void TableViewCell::setBackgroundColor(const QColor& colour) {
    backgroundColor_ = colour;
    update();
}

void TableViewCell::setImage(const QPixmap& image) {
    image_ = image;
    update();
}

void TableViewCell::setTextAlignment(Qt::Alignment alignment) {
    textAlignment_ = alignment;
    update();
}

void TableViewCell::setAccessoryType(TableViewCellAccessoryType type) {
    accessoryType_ = type;
    setShownAccessory(type);
}

void TableViewCell::setShownAccessory(TableViewCellAccessoryType type) {
    if (type == shownAccessory_) return;
    shownAccessory_ = type;
    layoutControls();
    update();
}

void TableViewCell::setSelected(bool selected, bool animated) {
    Transition::finish(fading_);
    const bool wasLit = selected_ || highlighted_;
    selected_ = selected;
    if (!selected) highlighted_ = false;
    if (!selected && wasLit && animated) {
        fade_ = 1;
        fading_ = Transition::start(
            this, true, [this](double t) {
                fade_ = 1 - t;
                update();
            },
            [this] { fade_ = 0; });
    }
    update();
}

void TableViewCell::setHighlighted(bool highlighted) {
    if (highlighted == highlighted_) return;
    Transition::finish(fading_);
    highlighted_ = highlighted;
    update();
}

double TableViewCell::highlightLevel() const {
    if (selectionStyle_ == TableViewCellSelectionStyle::None) return 0;
    return (selected_ || highlighted_) ? 1.0 : fade_;
}

void TableViewCell::prepareForReuse() {
    Transition::finish(fading_);
    selected_ = false;
    highlighted_ = false;
    fade_ = 0;
}

void TableViewCell::setEditingState(bool editing, bool confirmingDelete) {
    if (editing == editing_ && confirmingDelete == confirmingDelete_) return;
    editing_ = editing;
    confirmingDelete_ = confirmingDelete;
    layoutControls();
    update();
}

void TableViewCell::setGroupEdges(bool grouped, int edges) {
    if (grouped == grouped_ && edges == groupEdges_) return;
    grouped_ = grouped;
    groupEdges_ = edges;
    update();
}

void TableViewCell::setSeparatorColor(const QColor& colour) {
    if (colour == separatorColor_) return;
    separatorColor_ = colour;
    update();
}

QAbstractButton* TableViewCell::detailDisclosureButton() const {
    return detailButton_ && detailButton_->isVisible() ? detailButton_ : nullptr;
}
QAbstractButton* TableViewCell::deleteControl() const {
    return deleteControl_ && deleteControl_->isVisible() ? deleteControl_ : nullptr;
}
QAbstractButton* TableViewCell::deleteConfirmationButton() const {
    return deleteButton_ && deleteButton_->isVisible() ? deleteButton_ : nullptr;
}

QRectF TableViewCell::contentRect() const {
    double left = editing_ ? kEditingInset : 0;
    double right = width();
    if (confirmingDelete_ && deleteButton_)
        right -= deleteButton_->sizeHint().width() + kPadding;
    else if (!editing_ && shownAccessory_ == TableViewCellAccessoryType::DetailDisclosureButton)
        right -= 44;
    else if (!editing_ && shownAccessory_ != TableViewCellAccessoryType::None)
        right -= kIndicatorWidth;
    return QRectF(left, 0, std::max(0.0, right - left), height());
}

void TableViewCell::layoutControls() {
    const bool wantDetail = !editing_ && !confirmingDelete_ &&
                            shownAccessory_ == TableViewCellAccessoryType::DetailDisclosureButton;
    if (wantDetail && !detailButton_) {
        detailButton_ = new CellControl(CellControl::Kind::DetailDisclosure, this);
        connect(detailButton_, &QAbstractButton::clicked, this, [this] {
            if (onAccessoryTapped_) onAccessoryTapped_(this);
        });
    }
    if (editing_ && !deleteControl_) {
        deleteControl_ = new CellControl(CellControl::Kind::DeleteControl, this);
        connect(deleteControl_, &QAbstractButton::clicked, this, [this] {
            if (onDeleteControlTapped_) onDeleteControlTapped_(this);
        });
    }
    if (confirmingDelete_ && !deleteButton_) {
        deleteButton_ = new CellControl(CellControl::Kind::DeleteConfirmation, this);
        connect(deleteButton_, &QAbstractButton::clicked, this, [this] {
            if (onDeleteTapped_) onDeleteTapped_(this);
        });
    }
    if (detailButton_) {
        detailButton_->setVisible(wantDetail);
        detailButton_->setGeometry(width() - 44, (height() - 44) / 2, 44, 44);
    }
    if (deleteControl_) {
        deleteControl_->setVisible(editing_);
        deleteControl_->setTurned(confirmingDelete_);
        deleteControl_->setGeometry(0, (height() - 44) / 2, kEditingInset, 44);
    }
    if (deleteButton_) {
        deleteButton_->setVisible(confirmingDelete_);
        const QSize size = deleteButton_->sizeHint();
        deleteButton_->setGeometry(width() - size.width() - int(kPadding), (height() - size.height()) / 2, size.width(),
                                   size.height());
        deleteButton_->raise();
    }
    // Subviews of the content view may reach under the accessory, as on the handheld, where the
    // content view does not clip: it spans to the cell's right edge and the accessory lies on top.
    const QRectF content = contentRect();
    contentView_->setGeometry(QRectF(content.left(), 0, width() - content.left(), height()).toRect());
    layoutContent(QRectF(0, 0, content.width(), height()));
    if (detailButton_) detailButton_->raise();
    if (deleteButton_) deleteButton_->raise();
}

void TableViewCell::resizeEvent(QResizeEvent*) { layoutControls(); }

void TableViewCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, grouped_);
    const QRectF area = grouped_ ? QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5) : QRectF(rect());
    const QPainterPath shape = cellShape(area, grouped_, groupEdges_ & TopEdge, groupEdges_ & BottomEdge);
    painter.fillPath(shape, backgroundColor_);

    const double level = highlightLevel();
    if (level > 0) {
        QColor base = selectionStyle_ == TableViewCellSelectionStyle::Gray ? style::selectionGray()
                                                                           : style::selectionBlue();
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, base.lighter(115));
        gradient.setColorAt(1, base.darker(115));
        painter.save();
        painter.setOpacity(level);
        painter.fillPath(shape, gradient);
        painter.restore();
    }
    if (grouped_) {
        painter.setPen(QPen(separatorColor_, 1));
        painter.drawPath(shape);
    } else {
        painter.fillRect(QRectF(0, height() - 1, width(), 1), separatorColor_);
    }

    drawContent(painter, contentRect());

    if (editing_ || confirmingDelete_) return;
    const bool lit = level > 0.5;
    const QPointF mid(width() - kIndicatorWidth / 2.0, height() / 2.0);
    painter.setRenderHint(QPainter::Antialiasing);
    if (shownAccessory_ == TableViewCellAccessoryType::DisclosureIndicator) {
        painter.setPen(QPen(lit ? Qt::white : QColor(0x80, 0x80, 0x80), 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        QPainterPath chevron;
        chevron.moveTo(mid + QPointF(-3, -5));
        chevron.lineTo(mid + QPointF(2, 0));
        chevron.lineTo(mid + QPointF(-3, 5));
        painter.drawPath(chevron);
    } else if (shownAccessory_ == TableViewCellAccessoryType::Checkmark) {
        painter.setPen(QPen(lit ? Qt::white : style::orange(), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath check;
        check.moveTo(mid + QPointF(-7, 0));
        check.lineTo(mid + QPointF(-2, 6));
        check.lineTo(mid + QPointF(7, -7));
        painter.drawPath(check);
    }
}

void TableViewCell::drawContent(QPainter& painter, const QRectF& rect) {
    double x = rect.left() + kPadding;
    if (!image_.isNull()) {
        QSizeF size = image_.deviceIndependentSize();
        size.scale(size.boundedTo(QSizeF(rect.height() - 4, rect.height() - 4)), Qt::KeepAspectRatio);
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRectF(QPointF(x, rect.center().y() - size.height() / 2), size), image_,
                           QRectF(QPointF(0, 0), image_.size()));
        painter.restore();
        x += size.width() + kPadding;
    }
    if (text_.isEmpty()) return;
    const bool lit = highlightLevel() > 0.5;
    painter.setPen(lit ? QColor(Qt::white) : textColor_);
    painter.setFont(font());
    QRectF textRect(x, rect.top(), rect.right() - x - kPadding / 2, rect.height());
    painter.drawText(textRect, int(textAlignment_ | Qt::AlignVCenter),
                     painter.fontMetrics().elidedText(text_, Qt::ElideRight, int(textRect.width())));
}

}  // namespace vantrel::platform::ui
