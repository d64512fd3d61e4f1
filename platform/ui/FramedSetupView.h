#pragma once
// The background of an instrument's setup pane: a light grey frame 5 points inside the pane's
// edges, drawn on whole points, nothing filled. Interface files use it as their top view. A finger
// (or the mouse) put down and lifted within a few points on the pane itself, not on one of its
// buttons, is a tap: the pane says so (tapped), for its owner to act on.
//
// Threads: main thread only. Owned by its Qt parent or by whoever loaded the pane.

#include "View.h"

#include <optional>

namespace vantrel::platform::ui {

class FramedSetupView : public View {
    Q_OBJECT
public:
    explicit FramedSetupView(QWidget* parent = nullptr);

    // The frame's rectangle for bounds of that size (the bounds inset by 5, made integral).
    static QRectF frameRect(const QRectF& bounds);

signals:
    void tapped(QPointF location);

protected:
    void drawRect(QPainter& painter, const QRectF& rect) override;
    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;

private:
    static constexpr double kTapSlop = 10.0;  // points a tapping finger may move
    std::optional<QPointF> down_;             // where the finger went down, while it may still tap
};

}  // namespace vantrel::platform::ui
