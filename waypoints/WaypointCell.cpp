#include "WaypointCell.h"

#include "WaypointKeys.h"

#include "platform/core/Log.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Images.h"
#include "platform/ui/Label.h"
#include "platform/ui/Style.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vantrel::waypoints {

using platform::ui::Label;
using platform::ui::style::orange;

namespace {

std::array<QPixmap, WaypointCell::kSymbolSlots>& imagesLUT() {
    static std::array<QPixmap, WaypointCell::kSymbolSlots> symbols;
    return symbols;
}

QColor lightGrey() { return QColor(0xC0, 0xC0, 0xC0); }

Label* makeLabel(QWidget* parent, const QRect& frame, bool bold, int size, const QColor& colour) {
    auto* label = new Label(parent);
    label->setGeometry(frame);
    label->setFont(platform::ui::style::font(size, bold));
    label->setTextColor(colour);
    return label;
}

// A value as the cell shows it: texts as stored, numbers in decimal, "-" when absent.
QString shown(const platform::Dictionary& record, platform::Key key) {
    const platform::Value* v = record.find(key);
    if (!v || v->isNull()) return QStringLiteral("-");
    return v->isString() ? v->toQString() : QString::fromStdString(v->description());
}

}  // namespace

QString WaypointCell::symbolNameForType(int code) {
    switch (code) {
    case 1: return QStringLiteral("airfield_o.png");
    case 10: return QStringLiteral("dme_o.png");
    case 11: return QStringLiteral("ndb_o.png");
    case 12: return QStringLiteral("vor_o.png");
    case 14: return QStringLiteral("vordme_o.png");
    case 15: return QStringLiteral("tacan_o.png");
    case 16: return QStringLiteral("vortac_o.png");
    default: return {};  // 0 Unknown, 13 NDB/DME and the undefined codes have no symbol
    }
}

void WaypointCell::cacheSymbols() {
    for (int code = 0; code < kSymbolSlots; ++code) {
        QString name = symbolNameForType(code);
        if (name.isEmpty()) continue;
        imagesLUT()[size_t(code)] = platform::ui::imageNamed(name);
        if (imagesLUT()[size_t(code)].isNull())
            platform::logLine(QStringLiteral("The waypoint symbol %1 is not in the bundle").arg(name));
    }
}

QPixmap WaypointCell::imageForType(int code) {
    return code >= 0 && code < kSymbolSlots ? imagesLUT()[size_t(code)] : QPixmap();
}

WaypointCell::WaypointCell(const QString& reuseIdentifier, QWidget* parent)
    : TableViewCell(reuseIdentifier, parent) {
    setBackgroundColor(Qt::black);
    makeStandartControls();
    makeCustomControl();
}

namespace {
const QRect kNameFrame(44, 2, 260, 21);
const QRect kCountryFrame(44, 22, 246, 16);
const QRect kDistanceFrame(186, 22, 104, 16);
constexpr int kThirdLine = 39;
}  // namespace

void WaypointCell::makeStandartControls() {
    QWidget* content = contentView();
    icon_ = new platform::ui::ImageView(content);
    icon_->setGeometry(4, (kRowHeight - 24) / 2, 24, 24);
    name_ = makeLabel(content, kNameFrame, true, 18, orange());
    country_ = makeLabel(content, kCountryFrame, false, 12, lightGrey());
    distance_ = makeLabel(content, kDistanceFrame, false, 12, orange());
    distance_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Each value's label holds its widest text at 12 points: "VOR/DME", "118.625", "104Y".
    typeLabel_ = makeLabel(content, {44, kThirdLine, 32, 16}, false, 12, lightGrey());
    type_ = makeLabel(content, {76, kThirdLine, 66, 16}, false, 12, orange());
    frequencyLabel_ = makeLabel(content, {144, kThirdLine, 32, 16}, false, 12, lightGrey());
    frequency_ = makeLabel(content, {176, kThirdLine, 54, 16}, false, 12, orange());
    channelLabel_ = makeLabel(content, {234, kThirdLine, 22, 16}, false, 12, lightGrey());
    channel_ = makeLabel(content, {256, kThirdLine, kLabelsRight - 256, 16}, false, 12, orange());
    channelLabel_->setText(QStringLiteral("Ch."));
    frequencyLabel_->setText(QStringLiteral("Freq."));
    typeLabel_->setText(QStringLiteral("Type"));
}

void WaypointCell::layoutContent(const QRectF& free) {
    if (!name_) return;  // the base class lays out before the subviews exist
    const int room = int(std::floor(free.right())) - kNameFrame.left();
    name_->resize(std::clamp(room, 0, kNameFrame.width()), kNameFrame.height());
}

void WaypointCell::setPlace(const QString& country, const QString& distanceAndBearing) {
    distance_->setText(distanceAndBearing);
    distance_->setVisible(!distanceAndBearing.isEmpty());
    // The country ends where the distance begins, elided if it must.
    const int right = distanceAndBearing.isEmpty()
                          ? kLabelsRight
                          : kLabelsRight - distance_->fontMetrics().horizontalAdvance(distanceAndBearing) - 6;
    country_->resize(std::max(0, right - kCountryFrame.left()), kCountryFrame.height());
    country_->setText(country);
}

void WaypointCell::updateWithWaypoint(const platform::Value& waypoint, const WaypointTypes::Table& types) {
    static const platform::DictionaryPtr empty = platform::Dictionary::create();
    const platform::Dictionary& record = waypoint.asDictionary() ? *waypoint.asDictionary() : *empty;
    const platform::Value* typeValue = record.find(keys::waypointType);
    const int code = typeValue ? typeValue->intValue() : 0;

    // A record without an identifier or a name shows what it has, with no stray comma.
    QString id = record.get(keys::waypointId).toQString();
    QString name = record.get(keys::waypointName).toQString();
    const QString line = id.isEmpty() || name.isEmpty() ? id + name : id + QStringLiteral(", ") + name;
    setText(line);
    name_->setText(line);
    icon_->setImage(imageForType(code));
    channel_->setText(shown(record, keys::waypointChannel));
    frequency_->setText(shown(record, keys::waypointFrequency));
    type_->setText(WaypointTypes::nameForType(code, types));
    setPlace(QString(), QString());  // the pane tells the place of the record it shows
}

}  // namespace vantrel::waypoints
