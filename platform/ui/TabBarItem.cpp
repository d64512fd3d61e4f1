#include "TabBarItem.h"

#include "Images.h"

namespace vantrel::platform::ui {

TabBarItem::TabBarItem(QString title, QString imageName, int tag)
    : title_(std::move(title)), imageName_(std::move(imageName)), tag_(tag) {}

void TabBarItem::setTitle(const QString& title) {
    if (title == title_) return;
    title_ = title;
    notifyChanged();
}

void TabBarItem::setImageName(const QString& name) {
    if (name == imageName_) return;
    imageName_ = name;
    notifyChanged();
}

void TabBarItem::setImage(const QPixmap& image) {
    image_ = image;
    notifyChanged();
}

QPixmap TabBarItem::image() const {
    if (!image_.isNull() || imageName_.isEmpty()) return image_;
    return imageNamed(imageName_);
}

}  // namespace vantrel::platform::ui
