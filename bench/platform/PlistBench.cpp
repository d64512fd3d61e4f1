// Decoding speed of keyed archives and binary plists of waypoint-like records.
//
// The archive of 20,000 generated records is decoded as a database load does. Environment:
//   VANTREL_PLIST_BENCH_OUT=FILE     also write that archive to FILE, for plistlib_decode.py
//   VANTREL_PLIST_BENCH_FILES=A:B:C  also decode these keyed-archive files (BM_UnarchiveFiles)

#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"

#include <benchmark/benchmark.h>

#include <QFile>

#include <cstdlib>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using vantrel::platform::Array;
using vantrel::platform::ArrayPtr;
using vantrel::platform::Dictionary;
using vantrel::platform::DictionaryPtr;
using vantrel::platform::Value;
namespace KeyedArchive = vantrel::platform::KeyedArchive;
namespace plist = vantrel::platform::plist;

constexpr int kRecords = 20000;

// Records shaped like the database's: identifier, name, position, type, and by type a frequency,
// a channel, a state or runways.
Value waypoints(int count) {
    std::mt19937 random(7);
    auto letters = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += char('A' + random() % 26);
        return s;
    };
    static const int types[] = {1, 1, 1, 10, 11, 12, 13, 14, 0};
    ArrayPtr all = Array::create(size_t(count));
    for (int i = 0; i < count; ++i) {
        int type = types[random() % 9];
        DictionaryPtr d = Dictionary::create(8);
        d->set("waypoint_id", Value(letters(type == 1 ? 4 : 3)));
        d->set("waypoint_name", Value(letters(4) + " " + letters(6)));
        d->set("waypoint_latitude", Value::real(double(random() % 1800000) / 10000.0 - 90.0));
        d->set("waypoint_longitude", Value::real(double(random() % 3600000) / 10000.0 - 180.0));
        d->set("waypoint_type", Value::integer(type));
        if (i % 3 == 0) d->set("waypoint_state", Value::integer(random() % 60));
        if (type >= 10) {
            d->set("waypoint_frequency", Value(std::to_string(108 + random() % 10) + "." + std::to_string(random() % 100)));
            d->set("waypoint_channel", Value(std::to_string(17 + random() % 100) + "X"));
        } else if (type == 1) {
            d->set("waypoint_main_runway_index", Value::integer(0));
            int heading = 1 + int(random() % 18);
            DictionaryPtr first = Dictionary::create(1), second = Dictionary::create(1);
            first->set("id", Value(std::to_string(heading)));
            second->set("id", Value(std::to_string(heading + 18)));
            d->set("waypoint_runways", Value(Array::fromValues({Value(first), Value(second)})));
        }
        all->append(Value(d));
    }
    return Value(all);
}

const QByteArray& archive() {
    static const QByteArray bytes = [] {
        QByteArray a = KeyedArchive::archive(waypoints(kRecords));
        if (const char* out = std::getenv("VANTREL_PLIST_BENCH_OUT")) {
            QFile f(QString::fromLocal8Bit(out));
            if (f.open(QIODevice::WriteOnly)) f.write(a);
        }
        return a;
    }();
    return bytes;
}

// Objects in a binary plist, from its trailer.
double plistObjects(const QByteArray& bytes) {
    uint64_t count = 0;
    for (int i = 0; i < 8; ++i) count = count << 8 | uint8_t(bytes[bytes.size() - 24 + i]);
    return double(count);
}

void BM_UnarchiveWaypoints(benchmark::State& state) {
    const QByteArray& bytes = archive();
    double entries = double(plist::parse(bytes).dictionary()->get("$objects").array()->size());
    for (auto _ : state) {
        Value root = KeyedArchive::unarchive(bytes);
        // The loader keeps the records: freeing them is not part of decoding.
        state.PauseTiming();
        root = Value();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kRecords);
    state.counters["archive_entries/s"] = benchmark::Counter(entries, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["plist_objects/s"] = benchmark::Counter(plistObjects(bytes), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_UnarchiveWaypoints)->Unit(benchmark::kMillisecond);

void BM_ParseBinaryPlist(benchmark::State& state) {
    static const QByteArray bytes = plist::toBinary(waypoints(kRecords));
    for (auto _ : state) benchmark::DoNotOptimize(plist::parse(bytes));
    state.SetItemsProcessed(int64_t(state.iterations()) * kRecords);
    state.counters["plist_objects/s"] = benchmark::Counter(plistObjects(bytes), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ParseBinaryPlist)->Unit(benchmark::kMillisecond);

void BM_ArchiveWaypoints(benchmark::State& state) {
    static const Value records = waypoints(kRecords);
    for (auto _ : state) benchmark::DoNotOptimize(KeyedArchive::archive(records));
    state.SetItemsProcessed(int64_t(state.iterations()) * kRecords);
}
BENCHMARK(BM_ArchiveWaypoints)->Unit(benchmark::kMillisecond);

void BM_UnarchiveFiles(benchmark::State& state) {
    std::vector<QByteArray> files;
    for (const QString& path : QString::fromLocal8Bit(std::getenv("VANTREL_PLIST_BENCH_FILES")).split(':', Qt::SkipEmptyParts)) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) files.push_back(f.readAll());
    }
    if (files.empty()) {
        state.SkipWithError("set VANTREL_PLIST_BENCH_FILES to a colon-separated list of keyed archives");
        return;
    }
    int64_t records = 0;
    for (const QByteArray& f : files) {
        Value root = KeyedArchive::unarchive(f);
        records += root.isArray() ? int64_t(root.array()->size()) : 0;
    }
    for (auto _ : state)
        for (const QByteArray& f : files) benchmark::DoNotOptimize(KeyedArchive::unarchive(f));
    state.SetItemsProcessed(int64_t(state.iterations()) * records);
}
BENCHMARK(BM_UnarchiveFiles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
