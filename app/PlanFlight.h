#pragma once
// The plan being flown, wired into the screens: the app's one navigation::ActivePlan, fed with
// every fix ("locationDidUpdate"), and the instruments that follow it.
//
// - Fly and Stop come from the plan list and the plan editor (NavplansController's flight
//   actions); a flight stored in the defaults ("activePlan") is resumed by start(), after the
//   database load and the instruments' own settings.
// - While a plan is flown, VOR 1, the ADF and the map's direct-to point at the active waypoint;
//   at each leg start VOR 1's ring is set to the leg's course (in the VOR's own north). The
//   pilot choosing a waypoint on one of them by hand ends the plan's control of that one
//   instrument; its pane then shows "Follow plan", which gives it back.
// - The map draws the route (GPSView::setPlanRoute) with the active leg's text, and its pane
//   offers "Previous", "Next" and "Stop" in place of the position texts.
// - A waypoint passed starts the next leg with a log line (ActivePlan) and a banner over the
//   screens for a few seconds ("Passed LSGL - to LSMP"); the last one gives "Arrived".
//
// Ownership: made and owned by the app delegate at load done; it shares the plans' store and
// points at the shared instruments, which outlive it. Its pane buttons are children of the
// instruments' panes; its banners go through the function it is given (the app's FlightBanners).
// Threads: main thread only.

#include "navigation/ActivePlan.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>

namespace vantrel::instruments {
class AbstractInstrumentView;
class GPSView;
class VORView;
class ADFView;
}  // namespace vantrel::instruments
namespace vantrel::navplans {
class NavPlanStore;
}
namespace vantrel::platform::ui {
class Button;
}

namespace vantrel::app {

class PlanFlight : public QObject {
    Q_OBJECT
public:
    enum class Follower { Vor1 = 0, Adf = 1, Map = 2 };
    static constexpr int kBannerMilliseconds = 4000;

    // On the plans' store and the app's instruments; its banners are shown by showBanner (text,
    // milliseconds).
    using BannerFunction = std::function<void(const QString&, int)>;
    PlanFlight(std::shared_ptr<navplans::NavPlanStore> store, instruments::VORView& vor1, instruments::ADFView& adf,
               instruments::GPSView& map, BannerFunction showBanner,
               platform::UserDefaults& defaults = platform::UserDefaults::standardUserDefaults());
    ~PlanFlight() override;

    // The app's one, while it exists (for the state dump); null before load done.
    static PlanFlight* current();

    // Hands the plan list its Fly/Stop actions and resumes the flight stored in the defaults.
    // Answers why a stored flight could not be resumed (empty when there was none or it resumed).
    QString start();

    QString fly(const QString& planName);
    void stop();
    bool next();
    bool previous();
    // Gives the instrument back to the plan (its "Follow plan" button).
    void follow(Follower which);

    const navigation::ActivePlan& activePlan() const { return plan_; }
    bool follows(Follower which) const { return follows_[size_t(which)]; }
    // The banner's text as last shown (kept after it is hidden), or a null text.
    const QString& lastBanner() const { return lastBanner_; }

private:
    void onLocation();
    // Points the following instruments at the active waypoint, VOR 1's ring at the leg's course.
    void applyLeg();
    void refreshMap();
    void showPaneButtons();
    void showBanner(const QString& text);
    void pilotChose(Follower which);
    instruments::AbstractInstrumentView& view(Follower which) const;
    platform::Value activeRecord() const;

    std::shared_ptr<navplans::NavPlanStore> store_;
    instruments::VORView& vor1_;
    instruments::ADFView& adf_;
    instruments::GPSView& map_;
    navigation::ActivePlan plan_;
    std::array<bool, 3> follows_{true, true, true};
    std::array<QPointer<platform::ui::Button>, 3> followButtons_;
    QPointer<platform::ui::Button> previousButton_;
    QPointer<platform::ui::Button> nextButton_;
    QPointer<platform::ui::Button> stopButton_;
    BannerFunction bannerFunction_;
    QString lastBanner_;
    bool applying_ = false;  // the waypoints being set are the plan's, not the pilot's
    double lastFixTime_ = -1;
    bool missingFileShown_ = false;
};

}  // namespace vantrel::app
