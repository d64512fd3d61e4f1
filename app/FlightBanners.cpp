#include "FlightBanners.h"

#include "platform/ui/Button.h"
#include "platform/ui/Style.h"
#include "platform/ui/Window.h"

#include <QFrame>
#include <QLabel>
#include <QChildEvent>
#include <QMouseEvent>

#include <algorithm>
#include <optional>

namespace vantrel::app {

// One banner on screen: the text, wrapped, and an "OK" at the right when it can be acknowledged.
// A tap anywhere on it runs the same action as the button.
class BannerRow : public QFrame {
public:
    static constexpr int kButtonWidth = 40;
    static constexpr int kPadding = 6;

    BannerRow(QWidget* parent, std::function<void()> tapped) : QFrame(parent), tapped_(std::move(tapped)) {
        setObjectName(QStringLiteral("flightBanner"));  // its style sheet's selector
        label_ = new QLabel(this);
        label_->setWordWrap(true);
        label_->setFont(platform::ui::style::font(14, true));
        ok_ = new platform::ui::Button(QStringLiteral("OK"), this);
        ok_->setFontSize(13);
        ok_->setHorizontalPadding(4);
        ok_->setAction([this] { tapped_(); });
        hide();
    }

    // Shows the banner at the top, width wide; answers its height.
    int show(const FlightBanners::Banner& banner, int top, int width) {
        const bool withButton = banner.okButton;
        label_->setText(banner.text);
        const char* background = "rgba(0, 0, 0, 215)";
        const char* colour = "#ffff00";
        const char* border = "#ffff00";
        switch (banner.tone) {
        case FlightBanners::Tone::Urgent: background = "#c81414"; colour = "#ffffff"; border = "#ffffff"; break;
        case FlightBanners::Tone::Warning: background = "#e67800"; colour = "#000000"; border = "#000000"; break;
        case FlightBanners::Tone::Caution: background = "#f0d000"; colour = "#000000"; border = "#000000"; break;
        case FlightBanners::Tone::Notice: break;
        }
        if (tone_ != banner.tone) {  // style sheets are dear to apply; the text changes far more often
            tone_ = banner.tone;
            setStyleSheet(QStringLiteral("QFrame#flightBanner { background: %1; border: 1px solid %2; }")
                              .arg(QLatin1String(background), QLatin1String(border)));
            label_->setStyleSheet(QStringLiteral("QLabel { color: %1; background: transparent; }").arg(QLatin1String(colour)));
        }
        label_->setAlignment(withButton ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        const int textWidth = width - 2 * kPadding - (withButton ? kButtonWidth + kPadding : 0);
        const int textHeight = std::max(label_->heightForWidth(textWidth), 20);
        const int height = textHeight + 2 * kPadding;
        setGeometry(FlightBanners::kMargin, top, width, height);
        label_->setGeometry(kPadding, kPadding, textWidth, textHeight);
        ok_->setVisible(withButton);
        if (withButton) ok_->setGeometry(width - kPadding - kButtonWidth, (height - 26) / 2, kButtonWidth, 26);
        QFrame::show();
        raise();
        return height;
    }

    QString text() const { return label_->text(); }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (rect().contains(event->position().toPoint())) tapped_();
    }

private:
    std::function<void()> tapped_;
    std::optional<FlightBanners::Tone> tone_;
    QLabel* label_;
    platform::ui::Button* ok_;
};

namespace {
FlightBanners* currentBanners = nullptr;
}

FlightBanners* FlightBanners::current() { return currentBanners; }

FlightBanners::FlightBanners(QWidget* stage) : stage_(stage) {
    currentBanners = this;
    for (size_t i = 0; i < size_t(kMaxShown); ++i)
        rows_.push_back(new BannerRow(stage, [this, i] { tap(i); }));  // owned by the stage
    // Screens shown later are added above the banners; the banners are raised over them at once.
    // An alert raises itself when shown, after this, and so stays above the banners.
    if (stage) stage->installEventFilter(this);
    noticeTimer_.setSingleShot(true);
    QObject::connect(&noticeTimer_, &QTimer::timeout, this, [this] { setBanners(Kind::Notice, {}); });
}

FlightBanners::~FlightBanners() {
    if (currentBanners == this) currentBanners = nullptr;
    for (const QPointer<BannerRow>& row : rows_)
        if (row) row->hide();
}

bool FlightBanners::eventFilter(QObject* watched, QEvent* event) {
    if (watched == stage_ && event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        const bool ours = std::any_of(rows_.begin(), rows_.end(), [child](const QPointer<BannerRow>& row) { return static_cast<QObject*>(row.data()) == child; });
        if (!ours)
            for (const QPointer<BannerRow>& row : rows_)
                if (row && row->isVisible()) row->raise();
    }
    return QObject::eventFilter(watched, event);
}

void FlightBanners::setBanners(Kind kind, std::vector<Banner> banners) {
    const bool same = banners_[size_t(kind)] == banners;
    banners_[size_t(kind)] = std::move(banners);  // the newest actions, even when it looks the same
    if (!same) layout();
}

std::vector<FlightBanners::Banner> FlightBanners::all() const {
    std::vector<Banner> all;
    for (const std::vector<Banner>& kind : banners_) all.insert(all.end(), kind.begin(), kind.end());
    return all;
}

void FlightBanners::tap(size_t row) {
    const std::vector<Banner> shown = all();
    // The action may replace the banners; it runs from this copy.
    if (row < shown.size() && shown[row].onTap) shown[row].onTap();
}

void FlightBanners::showNotice(const QString& text, int milliseconds) {
    Banner notice{text, Tone::Notice, {}, false};
    notice.onTap = [this] {
        noticeTimer_.stop();
        setBanners(Kind::Notice, {});
    };
    setBanners(Kind::Notice, {notice});
    noticeTimer_.start(milliseconds);
}

QStringList FlightBanners::shownTexts() const {
    QStringList texts;
    for (const QPointer<BannerRow>& row : rows_)
        if (row && row->isVisible()) texts << row->text();
    return texts;
}

void FlightBanners::layout() {
    const std::vector<Banner> all = this->all();
    const int width = platform::ui::Window::kWidth - 2 * kMargin;
    int top = kTop;
    for (size_t i = 0; i < rows_.size(); ++i) {
        BannerRow* row = rows_[i];
        if (!row) continue;
        if (i >= all.size()) {
            row->hide();
            continue;
        }
        Banner shown = all[i];
        if (i + 1 == rows_.size() && all.size() > rows_.size())
            shown.text += QStringLiteral(" (%1 more)").arg(all.size() - rows_.size());
        top += row->show(shown, top, width) + kGap;
    }
}

}  // namespace vantrel::app
