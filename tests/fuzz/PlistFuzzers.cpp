// libFuzzer targets for the property-list readers, one per reader so that each run spends its time
// on one format: VANTREL_FUZZ_BINARY, VANTREL_FUZZ_XML or VANTREL_FUZZ_ARCHIVE picks which.
// Whatever a reader accepts must write and read back to the same bytes; whatever it refuses
// must come with a reason and no value.

#include "FuzzSupport.h"

#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"

using vantrel::platform::Value;
namespace plist = vantrel::platform::plist;

namespace {

void roundTrips(const Value& value) {
    QString error;
    QByteArray written = plist::toBinary(value, &error);
    if (written.isEmpty()) return;  // values no plist can hold (a cycle of containers, say)
    if (plist::toBinary(plist::parse(written)) != written) vantrel::fuzz::broken("binary round trip differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::quietLog();
    QByteArray bytes = vantrel::fuzz::bytesOf(data, size);
    QString error;
#if defined(VANTREL_FUZZ_ARCHIVE)
    Value root = vantrel::platform::KeyedArchive::unarchive(bytes, &error);
    if (!error.isEmpty() && !root.isNull()) vantrel::fuzz::broken("archive refused with a value");
    if (!root.isNull()) roundTrips(root);
    // The lenient reading of the tool's dump: every top object, unknown classes and cycles too.
    error.clear();
    Value top = vantrel::platform::KeyedArchive::unarchiveTopObjects(bytes, &error);
    if (!error.isEmpty() && !top.isNull()) vantrel::fuzz::broken("archive dump refused with a value");
#else
    // Each target keeps to its own format, so that its run is not spent on the other reader.
    bool binary = bytes.startsWith("bplist");
#if defined(VANTREL_FUZZ_BINARY)
    if (!binary) return 0;
#else
    if (binary) return 0;
#endif
    Value value = plist::parse(bytes, &error);
    if (!error.isEmpty() && !value.isNull()) vantrel::fuzz::broken("plist refused with a value");
    if (!value.isNull()) roundTrips(value);
#endif
    return 0;
}
