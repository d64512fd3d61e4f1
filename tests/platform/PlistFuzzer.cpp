// libFuzzer target: any bytes through both property-list readers. Built only with clang
// (cmake -DCMAKE_CXX_COMPILER=clang++); run with the fixtures as the seed corpus:
//   plist_fuzzer -max_total_time=600 <corpus dir> tests/data/plist

#include "platform/core/Log.h"
#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        vantrel::platform::setLogSink([](const QString&) {});
        return true;
    }();
    (void)quiet;
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    vantrel::platform::Value plain = vantrel::platform::plist::parse(bytes, &error);
    if (!error.isEmpty() && !plain.isNull()) __builtin_trap();
    error.clear();
    vantrel::platform::Value root = vantrel::platform::KeyedArchive::unarchive(bytes, &error);
    if (!error.isEmpty() && !root.isNull()) __builtin_trap();
    // What was read must write and read back: the same value writes the same bytes.
    if (!plain.isNull()) {
        QByteArray written = vantrel::platform::plist::toBinary(plain);
        if (vantrel::platform::plist::toBinary(vantrel::platform::plist::parse(written)) != written) __builtin_trap();
    }
    return 0;
}
