#include "MagneticModel.h"

#include "platform/core/Log.h"

#include <QDateTime>
#include <QList>

#include <array>
#include <cmath>
#include <numbers>

namespace vantrel::positioning {

// The text of data/wmm/WMM2025.COF, generated into the build.
extern const char* const kBuiltInWmmCoefficients;

namespace {

constexpr double kRadians = std::numbers::pi / 180.0;
constexpr double kReferenceRadius = 6371.2;  // km
constexpr double kWgs84A = 6378.137;         // km
constexpr double kWgs84F = 1.0 / 298.257223563;
constexpr double kWgs84E2 = kWgs84F * (2.0 - kWgs84F);
constexpr double kLargestCoefficient = 100000.0;  // nT
constexpr double kLargestChange = 1000.0;         // nT a year
constexpr int kCount = (MagneticModel::kDegree + 1) * (MagneticModel::kDegree + 2) / 2;

constexpr int index(int n, int m) { return n * (n + 1) / 2 + m; }

// Factors turning Schmidt semi-normalised coefficients into ones for the Gauss-normalised
// Legendre functions the recursion below computes.
std::array<double, kCount> schmidtFactors() {
    std::array<double, kCount> s{};
    s[0] = 1.0;
    for (int n = 1; n <= MagneticModel::kDegree; ++n) {
        s[index(n, 0)] = s[index(n - 1, 0)] * double(2 * n - 1) / double(n);
        for (int m = 1; m <= n; ++m)
            s[index(n, m)] = s[index(n, m - 1)] * std::sqrt(double((n - m + 1) * (m == 1 ? 2 : 1)) / double(n + m));
    }
    return s;
}

std::optional<double> number(const QByteArray& text) {
    bool ok = false;
    double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace

std::optional<MagneticModel> MagneticModel::parse(QByteArrayView text, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    QList<QByteArray> lines = text.toByteArray().split('\n');
    qsizetype at = 0;
    while (at < lines.size() && lines[at].trimmed().isEmpty()) ++at;
    if (at == lines.size()) return fail(QStringLiteral("the coefficient file is empty"));
    QList<QByteArray> header = lines[at++].simplified().split(' ');
    std::optional<double> epoch = header.size() >= 2 ? number(header[0]) : std::nullopt;
    if (!epoch || *epoch < 1900.0 || *epoch > 2200.0)
        return fail(QStringLiteral("line %1: no epoch and model name").arg(at));

    MagneticModel model;
    model.epoch_ = *epoch;
    model.name_ = QString::fromLatin1(header[1]);
    model.g_.assign(kCount, 0.0);
    model.h_.assign(kCount, 0.0);
    model.gDot_.assign(kCount, 0.0);
    model.hDot_.assign(kCount, 0.0);
    std::vector<bool> seen(kCount, false);
    bool ended = false;
    for (; at < lines.size(); ++at) {
        QByteArray line = lines[at].simplified();
        if (line.isEmpty()) continue;
        if (line.startsWith("9999")) {
            ended = true;
            break;
        }
        QList<QByteArray> f = line.split(' ');
        if (f.size() != 6) return fail(QStringLiteral("line %1: not six numbers").arg(at + 1));
        bool okN = false, okM = false;
        int n = f[0].toInt(&okN), m = f[1].toInt(&okM);
        if (!okN || !okM || n < 1 || n > kDegree || m < 0 || m > n)
            return fail(QStringLiteral("line %1: no degree and order").arg(at + 1));
        std::optional<double> g = number(f[2]), h = number(f[3]), gDot = number(f[4]), hDot = number(f[5]);
        if (!g || !h || !gDot || !hDot) return fail(QStringLiteral("line %1: a coefficient is not a number").arg(at + 1));
        // The main field's largest coefficient is about 30 000 nT and changes by tens a year.
        if (std::abs(*g) > kLargestCoefficient || std::abs(*h) > kLargestCoefficient ||
            std::abs(*gDot) > kLargestChange || std::abs(*hDot) > kLargestChange)
            return fail(QStringLiteral("line %1: a coefficient is out of range").arg(at + 1));
        int i = index(n, m);
        if (seen[i]) return fail(QStringLiteral("line %1: degree %2 order %3 again").arg(at + 1).arg(n).arg(m));
        seen[i] = true;
        model.g_[i] = *g;
        model.h_[i] = *h;
        model.gDot_[i] = *gDot;
        model.hDot_[i] = *hDot;
    }
    if (!ended) return fail(QStringLiteral("the coefficient file is cut short (no end line)"));
    for (int n = 1; n <= kDegree; ++n)
        for (int m = 0; m <= n; ++m)
            if (!seen[index(n, m)])
                return fail(QStringLiteral("degree %1 order %2 is missing").arg(n).arg(m));
    return model;
}

const MagneticModel* MagneticModel::builtIn() {
    static const std::optional<MagneticModel> model = [] {
        QString error;
        std::optional<MagneticModel> parsed = parse(kBuiltInWmmCoefficients, &error);
        if (!parsed) platform::logLine(QStringLiteral("The built-in magnetic model is damaged: %1").arg(error));
        return parsed;
    }();
    return model ? &*model : nullptr;
}

MagneticField MagneticModel::field(double latitude, double longitude, double heightMetres, double decimalYear) const {
    static const std::array<double, kCount> schmidt = schmidtFactors();
    const double dt = decimalYear - epoch_;
    const double heightKm = heightMetres / 1000.0;

    // Geodetic to geocentric (spherical) coordinates on the WGS 84 ellipsoid.
    const double phi = latitude * kRadians, lambda = longitude * kRadians;
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    const double rc = kWgs84A / std::sqrt(1.0 - kWgs84E2 * sinPhi * sinPhi);
    const double p = (rc + heightKm) * cosPhi, z = (rc * (1.0 - kWgs84E2) + heightKm) * sinPhi;
    const double r = std::hypot(p, z);
    const double phiC = std::asin(z / r);
    // Colatitude functions; at a pole the east component's division is kept finite.
    const double ct = std::sin(phiC);
    const double st = std::max(std::cos(phiC), 1e-10);

    // Gauss-normalised associated Legendre functions of cos(colatitude) and their derivatives by
    // the colatitude.
    std::array<double, kCount> P{}, dP{};
    P[0] = 1.0;
    for (int n = 1; n <= kDegree; ++n) {
        for (int m = 0; m <= n; ++m) {
            int i = index(n, m);
            if (n == m) {
                P[i] = st * P[index(n - 1, m - 1)];
                dP[i] = st * dP[index(n - 1, m - 1)] + ct * P[index(n - 1, m - 1)];
            } else if (n == 1) {
                P[i] = ct * P[0];
                dP[i] = -st * P[0];
            } else {
                double k = m > n - 2 ? 0.0
                                     : double((n - 1) * (n - 1) - m * m) / double((2 * n - 1) * (2 * n - 3));
                double p2 = m > n - 2 ? 0.0 : P[index(n - 2, m)];
                double dp2 = m > n - 2 ? 0.0 : dP[index(n - 2, m)];
                P[i] = ct * P[index(n - 1, m)] - k * p2;
                dP[i] = ct * dP[index(n - 1, m)] - st * P[index(n - 1, m)] - k * dp2;
            }
        }
    }

    std::array<double, kDegree + 1> cosM{}, sinM{};
    for (int m = 0; m <= kDegree; ++m) {
        cosM[m] = std::cos(m * lambda);
        sinM[m] = std::sin(m * lambda);
    }

    double xc = 0.0, yc = 0.0, zc = 0.0;  // geocentric north, east, down
    double ratio = kReferenceRadius / r, power = ratio * ratio;
    for (int n = 1; n <= kDegree; ++n) {
        power *= ratio;  // (a / r)^(n + 2)
        for (int m = 0; m <= n; ++m) {
            int i = index(n, m);
            double g = (g_[i] + dt * gDot_[i]) * schmidt[i];
            double h = (h_[i] + dt * hDot_[i]) * schmidt[i];
            double gh = g * cosM[m] + h * sinM[m];
            xc += power * gh * dP[i];
            yc += power * m * (g * sinM[m] - h * cosM[m]) * P[i];
            zc -= power * (n + 1) * gh * P[i];
        }
    }
    yc /= st;

    // Back to the geodetic frame: turn by the difference of the latitudes.
    const double psi = phiC - phi;
    MagneticField f;
    f.north = xc * std::cos(psi) - zc * std::sin(psi);
    f.east = yc;
    f.down = xc * std::sin(psi) + zc * std::cos(psi);
    f.horizontal = std::hypot(f.north, f.east);
    f.totalField = std::hypot(f.horizontal, f.down);
    f.declination = std::atan2(f.east, f.north) / kRadians;
    f.inclination = std::atan2(f.down, f.horizontal) / kRadians;
    f.expired = decimalYear > validUntil();
    f.yearsPastEnd = f.expired ? decimalYear - validUntil() : 0.0;
    return f;
}

double MagneticModel::decimalYear(QDate date) {
    return date.year() + double(date.dayOfYear() - 1) / double(date.daysInYear());
}

double MagneticModel::decimalYear(double secondsSince1970) {
    QDateTime when = QDateTime::fromSecsSinceEpoch(qint64(std::floor(secondsSince1970)), Qt::UTC);
    QDate date = when.date();
    double day = double(when.time().msecsSinceStartOfDay()) / 86400000.0;
    return date.year() + (double(date.dayOfYear() - 1) + day) / double(date.daysInYear());
}

QString MagneticModel::expiryText(double year) const {
    if (!(year > validUntil())) return {};
    return QStringLiteral("The magnetic model %1 expired %2 years ago (%3 is past %4): magnetic bearings may be off.")
        .arg(name_, QString::number(year - validUntil(), 'f', 1), QString::number(year, 'f', 1),
             QString::number(validUntil(), 'f', 1));
}

}  // namespace vantrel::positioning
