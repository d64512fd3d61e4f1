#pragma once
// A view that draws itself and follows fingers, as the instruments and the slip ball do: drawRect
// paints in points with y down (a positive rotation turns clockwise on screen), setNeedsDisplay asks
// for the next paint, and the touch handlers get the fingers of this view. A mouse with its left
// button pressed is one finger (a desktop drags exactly as a finger does); real touch screens and
// scripted pinches deliver several. The mouse wheel is offered separately, in notches.
//
// Threads: main thread only. Owned by its Qt parent, or by whoever made it without one.

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <vector>

namespace vantrel::platform::ui {

class View : public QWidget {
    Q_OBJECT
public:
    struct Touch {
        int id = 0;
        QPointF location;  // in this view's points
    };
    // The fingers whose state changed (began, moved) and every finger on this view now.
    struct TouchSet {
        std::vector<Touch> changed;
        std::vector<Touch> all;
        // Any one of the changed fingers.
        const Touch& anyObject() const { return changed.front(); }
    };

    explicit View(QWidget* parent = nullptr);

    void setNeedsDisplay() { update(); }
    // An opaque view fills its bounds with its background colour before drawRect.
    void setBackgroundColor(const QColor& colour);
    QColor backgroundColor() const { return background_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    bool isOpaque() const { return opaque_; }
    void setMultipleTouchEnabled(bool enabled) { multipleTouch_ = enabled; }
    bool isMultipleTouchEnabled() const { return multipleTouch_; }
    void setFrame(const QRectF& frame) { setGeometry(frame.toAlignedRect()); }

    // The view's points: its size, or less when its content is drawn larger (contentScale).
    QRectF bounds() const { return QRectF(QPointF(0, 0), QSizeF(size()) / contentScale_); }
    // Draws its points this many times larger and takes fingers likewise (an instrument shown at
    // the full height of a landscape window); 1 by default. The artwork follows at the pixels of
    // the scale in use (paintScale).
    void setContentScale(double scale);
    double contentScale() const { return contentScale_; }
    // Pixels per point of what the painter draws now: the device's ratio times the painter's own
    // scale.
    static qreal paintScale(const QPainter& painter);
    // Turns the wheel by this many notches over the middle of the view, as the keyboard does.
    void turnWheelBy(double notches) { wheelTurned(notches, center()); }
    // The middle of the bounds.
    QPointF center() const { return bounds().center(); }

    // The whole drawing of the view into any painter (a widget paint, an offscreen image, a
    // benchmark); the painter's origin is the view's top-left corner.
    void render(QPainter& painter);

protected:
    virtual void drawRect(QPainter& painter, const QRectF& rect);
    virtual void touchesBegan(const TouchSet&) {}
    virtual void touchesMoved(const TouchSet&) {}
    virtual void touchesEnded(const TouchSet&) {}
    // The wheel turned by this many notches (positive away from the user), at a point of the view.
    virtual void wheelTurned(double, const QPointF&) {}

    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QColor background_ = Qt::black;
    bool opaque_ = false;
    bool multipleTouch_ = false;
    bool mouseDown_ = false;
    double contentScale_ = 1.0;
};

}  // namespace vantrel::platform::ui
