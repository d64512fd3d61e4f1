#include "TextView.h"

#include "KineticScroller.h"
#include "Style.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <cmath>

namespace vantrel::platform::ui {

namespace {
constexpr double kDragThreshold = 8;
}

TextView::TextView(QWidget* parent)
    : QTextEdit(parent),
      scroller_(new KineticScroller({[this] { return double(verticalScrollBar()->value()); },
                                     [this](double y) { verticalScrollBar()->setValue(qRound(y)); },
                                     [this] { return double(verticalScrollBar()->maximum()); }},
                                    this)) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFont(style::font(15));
    QPalette p = palette();
    p.setColor(QPalette::Base, style::background());
    setPalette(p);
    setDefaultTextColor(style::orange());
    viewport()->installEventFilter(this);
}

void TextView::setDefaultTextColor(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::Text, colour);
    setPalette(p);
}

bool TextView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != viewport()) return QTextEdit::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        scroller_->stop();
        pressed_ = e->button() == Qt::LeftButton;
        pressGlobal_ = e->globalPosition();
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (!pressed_) return false;
        if (!scroller_->isDragging() && std::abs(e->globalPosition().y() - pressGlobal_.y()) > kDragThreshold)
            scroller_->beginDrag(pressGlobal_.y(), e->timestamp());
        scroller_->dragTo(e->globalPosition().y(), e->timestamp());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        pressed_ = false;
        scroller_->endDrag(e->globalPosition().y(), e->timestamp());
        return true;
    }
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return false;
    }
}

}  // namespace vantrel::platform::ui
