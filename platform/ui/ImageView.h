#pragma once
// An image stretched over the view (the splash screen, a panel's artwork), by pixmap or by its
// name in the bundle.
//
// Threads: main thread only. Owned by its Qt parent.

#include <QLabel>

namespace vantrel::platform::ui {

class ImageView : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString imageName READ imageName WRITE setImageName)
public:
    explicit ImageView(QWidget* parent = nullptr);

    void setImage(const QPixmap& image);
    QPixmap image() const { return pixmap(); }
    QString imageName() const { return imageName_; }
    // Logs and shows nothing when the bundle has no image of that name.
    void setImageName(const QString& name);

private:
    QString imageName_;
};

}  // namespace vantrel::platform::ui
