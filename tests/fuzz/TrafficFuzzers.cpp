// libFuzzer targets for the traffic readers. VANTREL_FUZZ_FLARM feeds the input as lines to the
// FLARM reader and the feed (every target taken must be within 100 km with an alarm level of 0..3);
// VANTREL_FUZZ_GDL90 feeds it as a byte stream to the GDL90 reader in reads of a size its first byte
// picks, and through the feed (every position it gives must be on the earth).

#include "FuzzSupport.h"

#include "traffic/FlarmReader.h"
#include "traffic/Gdl90Reader.h"
#include "traffic/TrafficFeed.h"

#include <QCoreApplication>

#include <cmath>

using namespace vantrel::traffic;

namespace {

void checkTarget(const Target& t) {
    if (int(t.alarm) < 0 || int(t.alarm) > 3) vantrel::fuzz::broken("alarm level out of range");
    if (t.id.address > 0xFFFFFF) vantrel::fuzz::broken("address beyond 24 bits");
    if (t.id.origin == TrafficOrigin::Flarm && !(t.distance <= kFarthestFlarmTarget))
        vantrel::fuzz::broken("FLARM target beyond 100 km");
}

#if !defined(VANTREL_FUZZ_FLARM)
void checkReport(const Gdl90Report& r) {
    if (r.latitude && !(std::abs(*r.latitude) <= 90.0)) vantrel::fuzz::broken("latitude beyond the pole");
    if (r.longitude && !(std::abs(*r.longitude) <= 180.0)) vantrel::fuzz::broken("longitude beyond 180");
    if (r.callsign.size() > 8) vantrel::fuzz::broken("callsign longer than 8");
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::quietLog();
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);  // the feed's timers want one
    (void)app;
    TrafficFeed feed(TrafficFeed::Clock::Fixes);
    feed.setUnits(AlertUnits{});
#if defined(VANTREL_FUZZ_FLARM)
    QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    qsizetype start = 0;
    for (qsizetype i = 0; i <= input.size(); ++i) {
        if (i < input.size() && input[i] != '\n') continue;
        QByteArrayView line = input.sliced(start, i - start);
        start = i + 1;
        FlarmReading r = readFlarmSentence(line);
        if (r.kind == FlarmReading::Kind::Target) checkTarget(r.target);
        if (r.kind == FlarmReading::Kind::Bad && !r.reason) vantrel::fuzz::broken("bad without a reason");
        feed.handleMessage(line);
    }
#else
    if (size == 0) return 0;
    const size_t chunk = size_t(data[0]) + 1;
    QByteArrayView rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    Gdl90Reader reader;
    reader.setKeepFrames(true);
    for (qsizetype at = 0; at < rest.size(); at += qsizetype(chunk)) {
        QByteArrayView piece = rest.sliced(at, std::min<qsizetype>(qsizetype(chunk), rest.size() - at));
        reader.addData(piece);
        std::vector<Gdl90Message> messages = reader.takeMessages();
        std::vector<QByteArray> frames = reader.takeFrames();
        if (messages.size() != frames.size()) vantrel::fuzz::broken("frames and messages out of step");
        for (const Gdl90Message& m : messages) checkReport(m.report);
        for (const QByteArray& f : frames) feed.handleMessage(f);
    }
#endif
    feed.tick();
    for (const Target& t : feed.targets()) checkTarget(t);
    return 0;
}
