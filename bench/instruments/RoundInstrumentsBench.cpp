// One frame of each round instrument at the desktop's 2x scale (a 320 x 320 point view drawn into
// 640 x 640 pixels, artwork already rendered), steady or with its ring, bug or card turning, and
// one fix handled by all four round instruments at once (labels, targets, animation and redraw
// requests), with bearings from true or magnetic north, the log going to a sink that drops it. The frames report the bytes of the pictures
// the instrument keeps and those of the split turned artwork that all of them share.

#include "instruments/ADFView.h"
#include "instruments/CompassView.h"
#include "instruments/LayeredPicture.h"
#include "instruments/VORView.h"

#include "platform/core/FreedMemory.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/ui/PictureMemory.h"
#include "positioning/LocationManager.h"
#include "positioning/MagneticVariation.h"
#include "units/UnitSettings.h"
#include "waypoints/WaypointKeys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHideEvent>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

#include <sys/resource.h>

using namespace vantrel;

namespace {

struct Panel {
    Panel() {
        platform::Paths::setBundleDirectory(QStringLiteral(VANTREL_BUILD_BUNDLE_DIR));
        platform::setLogSink([](const QString&) {});
        vor1 = make<instruments::VORView>();
        vor2 = make<instruments::VORView>();
        adf = make<instruments::ADFView>();
        compass = make<instruments::CompassView>();
        auto record = platform::Dictionary::create();
        record->set(waypoints::keys::waypointId, platform::Value("LSGL"));
        record->set(waypoints::keys::waypointName, platform::Value("Lausanne-Blécherette"));
        record->set(waypoints::keys::waypointLatitude, platform::Value::real(46.5453));
        record->set(waypoints::keys::waypointLongitude, platform::Value::real(6.6167));
        for (instruments::CircularInstrumentView* view : views()) view->setWaypoint(platform::Value(record));
        vor1->setRingAngle(49);
        fix(0);
    }
    template <class View>
    std::unique_ptr<View> make() {
        auto view = std::make_unique<View>(location, units);
        view->initWithFrame(QRectF(0, 0, 320, 320));
        view->setupView();
        view->updateUnits(nullptr);
        return view;
    }
    std::vector<instruments::CircularInstrumentView*> views() { return {vor1.get(), vor2.get(), adf.get(), compass.get()}; }
    void fix(int i) {
        positioning::Fix f;
        f.latitude = 46.2381 + 0.0003 * (i % 1000);
        f.longitude = 6.1089 + 0.0004 * (i % 1000);
        f.horizontalAccuracy = 5.0;
        f.timestamp = 1.7e9 + i;
        location.locationManagerDidUpdateToLocation(f);
    }

    positioning::LocationManager location;
    units::UnitSettings units;
    std::unique_ptr<instruments::VORView> vor1, vor2;
    std::unique_ptr<instruments::ADFView> adf;
    std::unique_ptr<instruments::CompassView> compass;
};

Panel& panel() {
    static Panel instance;
    return instance;
}

enum class Turning { Nothing, Ring, Card };

// Ring: the ring (VOR, ADF) or the bug (compass) moves every frame; Card: the compass card swings
// by the indicator animation, a step a frame; otherwise the frame is the one a fix asks for while
// the pilot does not touch the ring.
void drawFrames(benchmark::State& state, instruments::CircularInstrumentView& view, Turning turning) {
    QImage image(640, 640, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    panel().location.setSpeedAndCourse(50, 30);
    panel().fix(1);
    int i = 0;
    float course = 30;
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // A ring and a card that turn a little every frame, as they do in flight.
        if (turning == Turning::Ring) view.setRingAngle(float(i % 360));
        if (turning == Turning::Card) {
            if (!view.isAnimationStepPending()) {
                // A new track far off: the card swings there for 90 steps.
                state.PauseTiming();
                course = course < 180 ? course + 180 : course - 180;
                panel().location.setSpeedAndCourse(50, course);
                panel().fix(1);
                state.ResumeTiming();
            }
            view.runPendingAnimationStep();
        }
        view.render(painter);
        painter.end();
        ++i;
    }
    benchmark::DoNotOptimize(image.constBits());
    state.counters["kept_bytes"] = double(view.keptPictureBytes());
    state.counters["split_bytes"] = double(instruments::LayeredPicture::splitBytes());
}

void BM_FrameVOR(benchmark::State& state) { drawFrames(state, *panel().vor1, Turning::Nothing); }
void BM_FrameADF(benchmark::State& state) { drawFrames(state, *panel().adf, Turning::Nothing); }
void BM_FrameCompass(benchmark::State& state) { drawFrames(state, *panel().compass, Turning::Nothing); }
void BM_FrameVORRingTurning(benchmark::State& state) { drawFrames(state, *panel().vor1, Turning::Ring); }
void BM_FrameADFRingTurning(benchmark::State& state) { drawFrames(state, *panel().adf, Turning::Ring); }
void BM_FrameCompassBugTurning(benchmark::State& state) { drawFrames(state, *panel().compass, Turning::Ring); }
void BM_FrameCompassCardTurning(benchmark::State& state) { drawFrames(state, *panel().compass, Turning::Card); }
// The raster engine hands large fills to Qt's thread pool: the CPU time is the whole process's, so
// that the pool's share of a frame counts (the wall time waits for it, on a busy machine longer).
BENCHMARK(BM_FrameVOR)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_FrameADF)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_FrameCompass)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_FrameVORRingTurning)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_FrameADFRingTurning)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_FrameCompassBugTurning)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_FrameCompassCardTurning)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// An instrument shown again after another screen: it let go of its pictures when it left, and the
// first frame rebuilds them; the second frame, the instrument held still, keeps its whole picture.
// With released=1 the allocator's freed memory went back to the system in between, as it does a
// second after a screen leaves; the kept pictures' own mappings wait for the next instrument
// (platform::ui::newPicture) and are taken again. page_faults counts the faults of a showing.
// An instrument leaving the screen, as the tab bar hides it.
void hide(QWidget& view) {
    QHideEvent hidden;
    QCoreApplication::sendEvent(&view, &hidden);
}

// The first two frames of an instrument shown: the first rebuilds, the second keeps the whole.
void drawTwoFrames(QImage& image, instruments::CircularInstrumentView& view) {
    for (int frame = 0; frame < 2; ++frame) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        view.render(painter);
    }
}

// Runs the main loop while the condition holds, for ms at most.
void runLoopWhile(const std::function<bool()>& condition, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (condition() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void showAgain(benchmark::State& state, instruments::CircularInstrumentView& view) {
    QImage image(640, 640, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    panel().location.setSpeedAndCourse(50, 30);
    panel().fix(1);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (auto _ : state) {
        state.PauseTiming();
        hide(view);
        if (state.range(0)) platform::releaseFreedMemory();
        state.ResumeTiming();
        drawTwoFrames(image, view);
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    state.counters["page_faults"] = double(after.ru_minflt - before.ru_minflt) / double(state.iterations());
    benchmark::DoNotOptimize(image.constBits());
}
void BM_ShowAgainVOR(benchmark::State& state) { showAgain(state, *panel().vor1); }
void BM_ShowAgainADF(benchmark::State& state) { showAgain(state, *panel().adf); }
void BM_ShowAgainCompass(benchmark::State& state) { showAgain(state, *panel().compass); }
BENCHMARK(BM_ShowAgainVOR)->ArgName("released")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ShowAgainADF)->ArgName("released")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ShowAgainCompass)->ArgName("released")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// The compass shown after a VOR that kept one picture, in a walk in which nothing else waited
// (the screens in between let theirs go back): the compass keeps two. With ready=0 it maps its
// second picture on the spot and faults it in; with ready=1 a mapping was kept ready for it
// (platform::ui::keepPictureReady), made and touched by a worker while the timing was paused.
// The VOR's picture is stood in for by one picture made and let go. page_faults counts the main
// thread's faults during the two frames.
void BM_CompassAfterVOR(benchmark::State& state) {
    constexpr QSize kPixels(640, 640);
    QImage image(kPixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    Panel& p = panel();
    p.location.setSpeedAndCourse(50, 30);
    p.fix(1);
    const qsizetype picture = qsizetype(kPixels.width()) * kPixels.height() * 4;
    long faults = 0;
    for (auto _ : state) {
        state.PauseTiming();
        hide(*p.compass);
        platform::ui::keepPictureReady(QSize(), QImage::Format_ARGB32_Premultiplied);
        platform::ui::releaseUnusedPictures(true);
        platform::releaseFreedMemory();
        // The worker makes one when none waits: before the VOR is shown, and once it has taken it.
        const auto awaitReady = [picture] { runLoopWhile([picture] { return platform::ui::unusedPictureBytes() < picture; }, 5000); };
        if (state.range(0)) {
            platform::ui::keepPictureReady(kPixels, QImage::Format_ARGB32_Premultiplied);
            awaitReady();
        }
        {
            QImage vor = platform::ui::newPicture(kPixels, QImage::Format_RGB32, 2.0);
            vor.fill(Qt::black);
            if (state.range(0)) awaitReady();
        }  // the VOR leaves the screen and lets its picture go
        // Seconds pass between two screens: the worker's thread has long ended when the next one
        // shows (ended just now, it would still be running beside the timed frames).
        runLoopWhile([] { return true; }, 100);
        rusage before{};
        getrusage(RUSAGE_THREAD, &before);
        state.ResumeTiming();
        drawTwoFrames(image, *p.compass);
        state.PauseTiming();
        rusage after{};
        getrusage(RUSAGE_THREAD, &after);
        faults += after.ru_minflt - before.ru_minflt;
        state.ResumeTiming();
    }
    state.counters["page_faults"] = double(faults) / double(state.iterations());
    platform::ui::keepPictureReady(QSize(), QImage::Format_ARGB32_Premultiplied);
    benchmark::DoNotOptimize(image.constBits());
}
BENCHMARK(BM_CompassAfterVOR)->ArgName("ready")->Arg(0)->Arg(1)->Iterations(20)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_FixInFourRoundInstruments(benchmark::State& state) {
    Panel& p = panel();
    p.location.setSpeedAndCourse(50, 30);
    int i = 0;
    for (auto _ : state) p.fix(i++);
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_FixInFourRoundInstruments)->Unit(benchmark::kMicrosecond);

// One fix through every round instrument with bearings from true or from magnetic north, fixes a
// second apart (each one evaluates the magnetic model at the aircraft) or ten a second (one in ten
// does). The target: below 50 us a fix with the model on.
void BM_FixThroughInstrumentsByNorth(benchmark::State& state) {
    Panel& p = panel();
    const bool magnetic = state.range(0) != 0;
    const double interval = state.range(1) == 10 ? 0.1 : 1.0;
    p.units.setMagneticNorth(magnetic);
    for (instruments::CircularInstrumentView* view : p.views()) view->updateUnits(nullptr);
    p.location.setSpeedAndCourse(50, 30);
    const int before = positioning::MagneticVariation::shared().evaluations();
    int i = 0;
    for (auto _ : state) {
        positioning::Fix f;
        f.latitude = 46.2381 + 0.0003 * interval * (i % 10000);
        f.longitude = 6.1089 + 0.0004 * interval * (i % 10000);
        f.horizontalAccuracy = 5.0;
        f.altitude = 1500.0;
        f.timestamp = 1.7e9 + interval * i;
        p.location.locationManagerDidUpdateToLocation(f);
        ++i;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.counters["model_evaluations_per_fix"] =
        double(positioning::MagneticVariation::shared().evaluations() - before) / double(state.iterations());
    p.units.setMagneticNorth(false);
    for (instruments::CircularInstrumentView* view : p.views()) view->updateUnits(nullptr);
}
BENCHMARK(BM_FixThroughInstrumentsByNorth)
    ->ArgNames({"magnetic", "fixes_per_s"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({1, 10})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
