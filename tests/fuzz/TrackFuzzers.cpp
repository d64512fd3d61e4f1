// libFuzzer targets for the track readers: VANTREL_FUZZ_NMEA feeds the NMEA parser as a receiver's
// stream (cut into reads of a size the input's first byte picks), VANTREL_FUZZ_IGC reads the input as
// an IGC file. Every fix they deliver must be a usable position with a finite time, and its heights,
// when it has them, plausible ones. VANTREL_FUZZ_WMM reads the input as a magnetic model's
// coefficient file: a model it accepts must give a finite field everywhere.

#include "FuzzSupport.h"

#include "positioning/Fix.h"
#include "positioning/MagneticModel.h"
#include "positioning/sources/IgcParser.h"
#include "positioning/sources/NmeaParser.h"

#include <QDate>

#include <cmath>

using vantrel::positioning::Fix;

namespace {

[[maybe_unused]] void checkFix(const Fix& fix) {  // not used by the coefficient file target
    if (!fix.hasValidCoordinate()) vantrel::fuzz::broken("fix outside the earth");
    if (!std::isfinite(fix.timestamp)) vantrel::fuzz::broken("fix without a finite time");
    if (std::isinf(fix.horizontalAccuracy)) vantrel::fuzz::broken("infinite accuracy");
    for (const std::optional<double>& height : {fix.altitude, fix.pressureAltitude})
        if (height && !vantrel::positioning::plausibleAltitude(*height)) vantrel::fuzz::broken("impossible altitude");
    if (fix.verticalSpeed && !vantrel::positioning::plausibleVerticalSpeed(*fix.verticalSpeed))
        vantrel::fuzz::broken("impossible vertical speed");
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
#elif defined(VANTREL_FUZZ_WMM)
    QByteArrayView content(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    if (std::optional<vantrel::positioning::MagneticModel> model = vantrel::positioning::MagneticModel::parse(content, &error)) {
        for (double lat : {-90.0, -45.0, 0.0, 46.2, 90.0}) {
            vantrel::positioning::MagneticField f = model->field(lat, 6.1, 500.0, model->epoch() + 7.5);
            if (!std::isfinite(f.totalField) || !std::isfinite(f.declination) || !std::isfinite(f.inclination))
                vantrel::fuzz::broken("an accepted model gives no finite field");
        }
    } else if (error.isEmpty()) {
        vantrel::fuzz::broken("a rejected file without a reason");
    }
#else
    QByteArrayView content(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const Fix& fix : vantrel::positioning::IgcParser::parse(content, QStringLiteral("fuzz"), fallback)) checkFix(fix);
#endif
    return 0;
}
