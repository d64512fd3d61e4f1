#include "ImageView.h"

#include "Images.h"

#include "platform/core/Log.h"

namespace vantrel::platform::ui {

ImageView::ImageView(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

void ImageView::setImage(const QPixmap& image) { setPixmap(image); }

void ImageView::setImageName(const QString& name) {
    imageName_ = name;
    QPixmap image = imageNamed(name);
    if (image.isNull()) logLine(QStringLiteral("Image %1 is not in the bundle").arg(name));
    setPixmap(image);
}

}  // namespace vantrel::platform::ui
