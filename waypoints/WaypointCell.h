#pragma once
// The table row of one waypoint record in the selector pane: the type symbol, "identifier, name"
// in bold on the first line, and the type, frequency and channel under their grey captions on the
// second. The row's text is its first line, so that scripts find the row like any other; the
// labels show it. The class also keeps the type symbols of the whole process (imagesLUT), which
// the moving map draws too.
//
// Ownership: the eight subviews are Qt children of the cell's content view; the fields only point
// at them. The cell is owned by its table. The symbols live for the process.
// Threads: main thread only.

#include "WaypointTypes.h"

#include "platform/core/Value.h"
#include "platform/ui/TableViewCell.h"

#include <QPixmap>

namespace vantrel::platform::ui {
class ImageView;
class Label;
}  // namespace vantrel::platform::ui

namespace vantrel::waypoints {

class WaypointCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    static constexpr int kSymbolSlots = 17;  // type codes 0 to 16

    // Loads the seven symbols from the bundle ("airfield_o.png" ...) into imagesLUT; once is enough.
    static void cacheSymbols();
    // The symbol of a type code, or a null image (no symbol for the code, or symbols not cached).
    static QPixmap imageForType(int code);
    // The bundle image name of a type code's symbol, or empty.
    static QString symbolNameForType(int code);

    explicit WaypointCell(const QString& reuseIdentifier, QWidget* parent = nullptr);

    void updateWithWaypoint(const platform::Value& waypoint, const WaypointTypes::Table& types);

    platform::ui::ImageView* icon() const { return icon_; }
    platform::ui::Label* name() const { return name_; }
    platform::ui::Label* typeLabel() const { return typeLabel_; }
    platform::ui::Label* type() const { return type_; }
    platform::ui::Label* frequencyLabel() const { return frequencyLabel_; }
    platform::ui::Label* frequency() const { return frequency_; }
    platform::ui::Label* channelLabel() const { return channelLabel_; }
    platform::ui::Label* channel() const { return channel_; }

protected:
    // The subviews draw everything; the row's own text is not drawn a second time.
    void drawContent(QPainter&, const QRectF&) override {}
    // The name line ends where the checkmark (or another accessory) begins, so that a long name
    // is elided before it rather than drawn under it.
    void layoutContent(const QRectF& free) override;
    // Makes the eight subviews at their places, then the fixed captions.
    void makeStandartControls();
    // A hook for cells that add controls of their own; runs after makeStandartControls.
    virtual void makeCustomControl() {}

private:
    platform::ui::ImageView* icon_ = nullptr;
    platform::ui::Label* name_ = nullptr;
    platform::ui::Label* typeLabel_ = nullptr;
    platform::ui::Label* type_ = nullptr;
    platform::ui::Label* frequencyLabel_ = nullptr;
    platform::ui::Label* frequency_ = nullptr;
    platform::ui::Label* channelLabel_ = nullptr;
    platform::ui::Label* channel_ = nullptr;
};

}  // namespace vantrel::waypoints
