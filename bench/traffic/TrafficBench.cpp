// The traffic feed under 500 targets reported ten times a second: one benchmark iteration is one
// second of traffic (5000 FLARM sentences, or 5000 GDL90 traffic reports with ten ownship reports
// read by the GDL90 source, and ten ticks that expire and judge the alerts), read back to back on
// one thread. What the app's main thread pays for such a second, with the sources reading on their
// own threads, is BM_MapTrafficSecondAt10Hz in instruments_bench.

#include "traffic/Gdl90Reader.h"
#include "traffic/Gdl90Source.h"
#include "traffic/TrafficFeed.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cmath>

using namespace vantrel::traffic;

namespace {

constexpr int kTargets = 500;
constexpr int kRate = 10;

QByteArray flarmSentence(int target, int step) {
    double a = target * 0.7 + step * 0.01;
    double r = 500.0 + target * 150.0;
    QByteArray body = QByteArray("PFLAA,") + QByteArray::number(target % 50 == 0 ? 1 : 0) + "," +
                      QByteArray::number(std::lround(r * std::cos(a))) + "," + QByteArray::number(std::lround(r * std::sin(a))) +
                      "," + QByteArray::number(target % 300 - 150) + ",2," +
                      QByteArray::number(0x100000 + target, 16).toUpper() + "," + QByteArray::number(target % 360) +
                      ",,35,-0.5,1";
    unsigned sum = 0;
    for (char c : body) sum ^= uchar(c);
    return "$" + body + "*" + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

QByteArray gdl90Report(uint8_t id, uint32_t address, double lat, double lon, int feet) {
    return gdl90Frame(gdl90ReportMessage(id, address, lat, lon, feet, 120, 0, 90.0,
                                         QByteArray("HB").append(QByteArray::number(address % 1000))));
}

void FlarmSecondOf500TargetsAt10Hz(benchmark::State& state) {
    std::vector<QByteArray> sentences;
    for (int step = 0; step < kRate; ++step)
        for (int t = 0; t < kTargets; ++t) sentences.push_back(flarmSentence(t, step));
    TrafficFeed feed(TrafficFeed::Clock::Fixes);
    feed.setUnits(AlertUnits{});
    vantrel::positioning::Fix fix;
    for (auto _ : state) {
        for (int step = 0; step < kRate; ++step) {
            for (int t = 0; t < kTargets; ++t) feed.handleMessage(sentences[size_t(step * kTargets + t)]);
            fix.timestamp += 1.0 / kRate;
            feed.noteFix(fix);
        }
    }
    if (feed.targets().size() != size_t(kTargets) || feed.badInputs() != 0) state.SkipWithError("targets lost");
    state.counters["targets"] = double(feed.targets().size());
}
BENCHMARK(FlarmSecondOf500TargetsAt10Hz)->Unit(benchmark::kMillisecond);

void Gdl90SecondOf500TargetsAt10Hz(benchmark::State& state) {
    // One datagram per tenth of a second: the ownship and the 500 reports.
    std::vector<QByteArray> datagrams;
    for (int step = 0; step < kRate; ++step) {
        QByteArray d = gdl90Report(10, 0xF00001, 46.23 + step * 1e-4, 6.10, 4000);
        for (int t = 0; t < kTargets; ++t)
            d += gdl90Report(20, 0x400000 + uint32_t(t), 46.23 + std::sin(t) * 0.3, 6.10 + std::cos(t) * 0.4, 1000 + t * 20);
        datagrams.push_back(d);
    }
    // As in the app: the source reads the datagram, makes the fix, hands the decoded messages to the feed.
    Gdl90Source source(Gdl90Source::kDefaultPort);
    TrafficFeed feed(TrafficFeed::Clock::Fixes);
    feed.setUnits(AlertUnits{});
    feed.listenTo(&source);
    vantrel::positioning::Fix fix;
    for (auto _ : state) {
        for (int step = 0; step < kRate; ++step) {
            source.consume(datagrams[size_t(step)]);
            fix.timestamp += 1.0 / kRate;
            feed.noteFix(fix);
        }
    }
    if (feed.targets().size() != size_t(kTargets) || feed.badInputs() != 0) state.SkipWithError("targets lost");
}
BENCHMARK(Gdl90SecondOf500TargetsAt10Hz)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
