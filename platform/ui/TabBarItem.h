#pragma once
// One item of a tab bar: a title and an image named as in the bundle ("vordme_o.png"), and a tag
// for the screen's own use. Every view controller has one (its tab); a standalone tab bar is given
// its items directly.
//
// Threads: may be filled on any thread before it is shown; once shown by a tab bar, main thread
// only. Shared by std::shared_ptr between its creator and the tab bar that shows it.

#include "ChangeNotifier.h"

#include <QPixmap>
#include <QString>

namespace vantrel::platform::ui {

class TabBarItem : public ChangeNotifier {
public:
    TabBarItem() = default;
    TabBarItem(QString title, QString imageName, int tag = 0);

    QString title() const { return title_; }
    void setTitle(const QString& title);

    QString imageName() const { return imageName_; }
    void setImageName(const QString& name);

    // An image given directly, used instead of the named one (main thread only).
    void setImage(const QPixmap& image);
    // The image to show: the one given, else the bundle's image of that name (main thread only).
    QPixmap image() const;

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

private:
    QString title_;
    QString imageName_;
    QPixmap image_;
    int tag_ = 0;
};

}  // namespace vantrel::platform::ui
