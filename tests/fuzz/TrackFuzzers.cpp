// libFuzzer targets for the track readers: VANTREL_FUZZ_NMEA feeds the NMEA parser as a receiver's
// stream (cut into reads of a size the input's first byte picks), VANTREL_FUZZ_IGC reads the input as
// an IGC file. Every fix they deliver must be a usable position with a finite time.

#include "FuzzSupport.h"

#include "positioning/Fix.h"
#include "positioning/sources/IgcParser.h"
#include "positioning/sources/NmeaParser.h"

#include <QDate>

#include <cmath>

using vantrel::positioning::Fix;

namespace {

void checkFix(const Fix& fix) {
    if (!fix.hasValidCoordinate()) vantrel::fuzz::broken("fix outside the earth");
    if (!std::isfinite(fix.timestamp)) vantrel::fuzz::broken("fix without a finite time");
    if (std::isinf(fix.horizontalAccuracy)) vantrel::fuzz::broken("infinite accuracy");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::quietLog();
    const QDate fallback(2024, 6, 1);
#if defined(VANTREL_FUZZ_NMEA)
    if (size == 0) return 0;
    const size_t chunk = size_t(data[0]) + 1;
    QByteArrayView rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    vantrel::positioning::NmeaParser parser(QStringLiteral("fuzz"), fallback);
    for (qsizetype at = 0; at < rest.size(); at += qsizetype(chunk))
        parser.addData(rest.sliced(at, std::min<qsizetype>(qsizetype(chunk), rest.size() - at)));
    parser.finish();
    for (const auto& epoch : parser.takeEpochs())
        if (epoch.fix) checkFix(*epoch.fix);
#else
    QByteArrayView content(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const Fix& fix : vantrel::positioning::IgcParser::parse(content, QStringLiteral("fuzz"), fallback)) checkFix(fix);
#endif
    return 0;
}
