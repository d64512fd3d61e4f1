#pragma once
// The table row of one waypoint record in the selector pane (kRowHeight high): the type symbol,
// "identifier, name" in bold on the first line; the country on the second, and with a fix the
// distance and bearing from the aircraft at its right ("12.3 nm 045°"); the type, frequency and
// channel under their grey captions on the third. Every label ends before the checkmark. The
// row's text is its first line, so that scripts find the row like any other; the labels show it. The class also keeps the type symbols of the whole process (imagesLUT), which
// the moving map draws too.
//
// Ownership: the ten subviews are Qt children of the cell's content view; the fields only point
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
    static constexpr int kRowHeight = 58;
    // Where the checkmark begins: no label reaches past it.
    static constexpr int kLabelsRight = 290;

    // Loads the seven symbols from the bundle ("airfield_o.png" ...) into imagesLUT; once is enough.
    static void cacheSymbols();
    // The symbol of a type code, or a null image (no symbol for the code, or symbols not cached).
    static QPixmap imageForType(int code);
    // The bundle image name of a type code's symbol, or empty.
    static QString symbolNameForType(int code);

    explicit WaypointCell(const QString& reuseIdentifier, QWidget* parent = nullptr);

    void updateWithWaypoint(const platform::Value& waypoint, const WaypointTypes::Table& types);
    // The second line: the record's country and, with a fix, "12.3 nm 045°" (empty without one).
    void setPlace(const QString& country, const QString& distanceAndBearing);

    platform::ui::ImageView* icon() const { return icon_; }
    platform::ui::Label* name() const { return name_; }
    platform::ui::Label* typeLabel() const { return typeLabel_; }
    platform::ui::Label* type() const { return type_; }
    platform::ui::Label* frequencyLabel() const { return frequencyLabel_; }
    platform::ui::Label* frequency() const { return frequency_; }
    platform::ui::Label* channelLabel() const { return channelLabel_; }
    platform::ui::Label* channel() const { return channel_; }
    platform::ui::Label* country() const { return country_; }
    platform::ui::Label* distance() const { return distance_; }

protected:
    // The subviews draw everything; the row's own text is not drawn a second time.
    void drawContent(QPainter&, const QRectF&) override {}
    // The name line ends where the checkmark (or another accessory) begins, so that a long name
    // is elided before it rather than drawn under it.
    void layoutContent(const QRectF& free) override;
    // Makes the ten subviews at their places, then the fixed captions.
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
    platform::ui::Label* country_ = nullptr;
    platform::ui::Label* distance_ = nullptr;
};

}  // namespace vantrel::waypoints
