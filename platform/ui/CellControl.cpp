#include "CellControl.h"

#include "Style.h"

#include <QPainter>
#include <QPainterPath>

namespace vantrel::platform::ui {

namespace {
// The round detail button: its radius, and the room from its rim (white, 1 point outside the
// radius) to the row's right edge. Its tap area stays the whole 44-point square.
constexpr double kDetailRadius = 11;
constexpr double kDetailRightMargin = 6;
}  // namespace

CellControl::CellControl(Kind kind, QWidget* parent) : QAbstractButton(parent), kind_(kind) {
    setFocusPolicy(Qt::NoFocus);
    if (kind == Kind::DeleteConfirmation) {
        setText(QStringLiteral("Delete"));
        setFont(style::font(14, true));
    }
}

void CellControl::setTurned(bool turned) {
    turned_ = turned;
    update();
}

QSize CellControl::sizeHint() const {
    switch (kind_) {
    case Kind::DetailDisclosure: return {44, 44};
    case Kind::DeleteControl: return {32, 44};
    case Kind::DeleteConfirmation: return {64, 30};
    }
    return {};
}

QRectF CellControl::drawnRect() const {
    if (kind_ != Kind::DetailDisclosure) return QRectF(rect());
    const double outer = kDetailRadius + 1;
    const QPointF c(width() - kDetailRightMargin - outer, height() / 2.0);
    return QRectF(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer);
}

void CellControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF c = QRectF(rect()).center();
    switch (kind_) {
    case Kind::DetailDisclosure: {
        const QPointF centre = drawnRect().center();
        QColor blue = isDown() ? style::detailBlue().darker(130) : style::detailBlue();
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(blue);
        painter.drawEllipse(centre, kDetailRadius, kDetailRadius);
        QPainterPath chevron;
        chevron.moveTo(centre + QPointF(-2.5, -5));
        chevron.lineTo(centre + QPointF(2.5, 0));
        chevron.lineTo(centre + QPointF(-2.5, 5));
        painter.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(chevron);
        break;
    }
    case Kind::DeleteControl: {
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(style::deleteRed());
        painter.drawEllipse(c, 10, 10);
        painter.translate(c);
        if (turned_) painter.rotate(90);
        painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(-5, 0), QPointF(5, 0));
        break;
    }
    case Kind::DeleteConfirmation: {
        QColor red = isDown() ? style::deleteRed().darker(130) : style::deleteRed();
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, red.lighter(130));
        gradient.setColorAt(1, red);
        painter.setPen(QPen(red.darker(150), 1));
        painter.setBrush(gradient);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
        painter.setPen(Qt::white);
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, text());
        break;
    }
    }
}

}  // namespace vantrel::platform::ui
