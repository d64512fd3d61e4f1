#pragma once
// The banners over every screen: traffic alerts first, then airspace warnings, then passing notices
// (a plan's waypoint passed). They sit at the top of the window's stage, above whatever screen is
// shown, in a colour by how loud they are (urgent red, warning orange, caution yellow, notice
// yellow on black). At most kMaxShown are shown, the loudest kinds first; the last shown says how
// many more there are.
//
// Each kind is replaced whole by its owner (setBanners): the traffic and airspace watchers hand
// over their current list whenever it changes, and an empty list takes that kind away. A banner
// that can be acknowledged shows an "OK" button; a tap on it or on the banner runs its action. A
// notice goes by itself after its time, or when tapped.
//
// Ownership: the banners' widgets are children of the stage; this object is owned by the app
// delegate and must not outlive the stage. Threads: main thread only.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <vector>

class QWidget;

namespace vantrel::app {

class BannerRow;

class FlightBanners : public QObject {
    Q_OBJECT
public:
    enum class Kind { Traffic = 0, Airspace = 1, Notice = 2 };  // shown top to bottom in this order
    enum class Tone { Notice, Caution, Warning, Urgent };
    struct Banner {
        QString text;
        Tone tone = Tone::Notice;
        std::function<void()> onTap;  // a tap on the banner or its "OK"; null: taps do nothing
        bool okButton = false;        // shows "OK" (an acknowledgement)
        bool operator==(const Banner& other) const {
            return text == other.text && tone == other.tone && okButton == other.okButton;
        }
    };
    static constexpr int kMaxShown = 3;
    static constexpr int kTop = 50;     // points from the stage's top: under a navigation bar
    static constexpr int kMargin = 8;
    static constexpr int kGap = 4;

    explicit FlightBanners(QWidget* stage);
    ~FlightBanners() override;

    // The app's one, while it exists (for the state dump); null before load done.
    static FlightBanners* current();

    // Replaces the banners of one kind (an empty list takes them away).
    void setBanners(Kind kind, std::vector<Banner> banners);
    // A notice for a few seconds (a new one replaces the one showing).
    void showNotice(const QString& text, int milliseconds);

    // The texts on screen now, top to bottom (for the dump and tests).
    QStringList shownTexts() const;
    const std::vector<Banner>& banners(Kind kind) const { return banners_[size_t(kind)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layout();
    std::vector<Banner> all() const;  // every kind's, top to bottom
    void tap(size_t row);

    QPointer<QWidget> stage_;
    std::array<std::vector<Banner>, 3> banners_;
    std::vector<QPointer<BannerRow>> rows_;  // kMaxShown, made once
    QTimer noticeTimer_;
};

}  // namespace vantrel::app
