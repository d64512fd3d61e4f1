#include "View.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTouchEvent>
#include <QWheelEvent>
#include <cmath>

namespace vantrel::platform::ui {

View::View(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_AcceptTouchEvents);
}

void View::setBackgroundColor(const QColor& colour) {
    background_ = colour;
    update();
}

void View::setContentScale(double scale) {
    if (!(scale > 0) || scale == contentScale_) return;
    contentScale_ = scale;
    update();
}

qreal View::paintScale(const QPainter& painter) {
    const qreal device = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform& t = painter.worldTransform();
    // The length a point of the painter takes, whatever the painter's turn.
    return device * std::hypot(t.m11(), t.m12());
}

void View::render(QPainter& painter) {
    painter.save();
    if (opaque_) painter.fillRect(bounds(), background_);
    drawRect(painter, bounds());
    painter.restore();
}

void View::drawRect(QPainter&, const QRectF&) {}

void View::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (contentScale_ != 1.0) painter.scale(contentScale_, contentScale_);
    render(painter);
}

namespace {
View::TouchSet touchSet(const QTouchEvent& event, const View& view) {
    View::TouchSet set;
    for (const QEventPoint& point : event.points()) {
        View::Touch touch{point.id(), view.mapFromGlobal(point.globalPosition()) / view.contentScale()};
        set.all.push_back(touch);
        if (point.state() != QEventPoint::Stationary) set.changed.push_back(touch);
    }
    return set;
}
}  // namespace

bool View::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd: {
        auto* touch = static_cast<QTouchEvent*>(event);
        TouchSet set = touchSet(*touch, *this);
        if (!multipleTouch_ && set.all.size() > 1) {
            // A view that takes one finger sees only the first one.
            set.all.resize(1);
            std::erase_if(set.changed, [&](const Touch& t) { return t.id != set.all.front().id; });
        }
        if (!set.changed.empty()) {
            bool began = false, ended = false;
            for (const QEventPoint& p : touch->points()) {
                began |= p.state() == QEventPoint::Pressed;
                ended |= p.state() == QEventPoint::Released;
            }
            if (began) touchesBegan(set);
            else if (ended) touchesEnded(set);
            else touchesMoved(set);
        }
        event->accept();
        return true;
    }
    default: return QWidget::event(event);
    }
}

void View::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    mouseDown_ = true;
    Touch finger{0, event->position() / contentScale_};
    touchesBegan({{finger}, {finger}});
}

void View::mouseMoveEvent(QMouseEvent* event) {
    if (!mouseDown_) return QWidget::mouseMoveEvent(event);
    Touch finger{0, event->position() / contentScale_};
    touchesMoved({{finger}, {finger}});
}

void View::mouseReleaseEvent(QMouseEvent* event) {
    if (!mouseDown_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    mouseDown_ = false;
    Touch finger{0, event->position() / contentScale_};
    touchesEnded({{finger}, {finger}});
}

void View::wheelEvent(QWheelEvent* event) {
    // One notch of a common wheel is 120 eighths of a degree; touchpads send fractions of it.
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0.0) return QWidget::wheelEvent(event);
    wheelTurned(notches, event->position() / contentScale_);
    event->accept();
}

}  // namespace vantrel::platform::ui
