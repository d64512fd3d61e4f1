#pragma once
// The background of an instrument's setup pane: a light grey frame 5 points inside the pane's
// edges, drawn on whole points, nothing filled. Interface files use it as their top view.
//
// Threads: main thread only. Owned by its Qt parent or by whoever loaded the pane.

#include "View.h"

namespace vantrel::platform::ui {

class FramedSetupView : public View {
    Q_OBJECT
public:
    explicit FramedSetupView(QWidget* parent = nullptr);

    // The frame's rectangle for bounds of that size (the bounds inset by 5, made integral).
    static QRectF frameRect(const QRectF& bounds);

protected:
    void drawRect(QPainter& painter, const QRectF& rect) override;
};

}  // namespace vantrel::platform::ui
