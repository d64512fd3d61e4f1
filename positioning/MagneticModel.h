#pragma once
// The Earth's main magnetic field from a World Magnetic Model coefficient file: a spherical-
// harmonic sum of degree 12 with Schmidt semi-normalised Legendre functions, evaluated at a
// geodetic position on the WGS 84 ellipsoid (converted to geocentric) and a decimal year, with the
// coefficients carried from the model's epoch by their yearly change. Past the model's end it goes
// on computing and says that it has expired.
//
// The app's model is the WMM2025 file compiled into the program (data/wmm/); a damaged copy there
// fails the model's tests against the official values.
//
// Ownership: a plain value; builtIn() lives until the process ends. Threads: const members and
// builtIn() may be called from any thread.

#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace vantrel::positioning {

struct MagneticField {
    double declination;  // degrees, east positive: magnetic north lies this far east of true north
    double inclination;  // degrees, down positive
    double totalField;   // nT
    double north, east, down, horizontal;  // nT
    bool expired;              // the date is past the model's end
    double yearsPastEnd;       // how far past it (0 when not expired)
};

class MagneticModel {
public:
    static constexpr int kDegree = 12;

    // A coefficient file's text; nothing, with the reason in *error, when it is damaged or cut short.
    static std::optional<MagneticModel> parse(QByteArrayView text, QString* error);
    // The compiled-in WMM2025 model; nullptr (logged once) if its text does not parse.
    static const MagneticModel* builtIn();

    // At a geodetic latitude and longitude (degrees), a height above the ellipsoid (metres; the
    // height above mean sea level is within 110 m of it, far below what changes the declination
    // noticeably) and a decimal year.
    MagneticField field(double latitude, double longitude, double heightMetres, double decimalYear) const;
    double declination(double latitude, double longitude, double heightMetres, double decimalYear) const {
        return field(latitude, longitude, heightMetres, decimalYear).declination;
    }

    const QString& name() const { return name_; }  // "WMM-2025"
    double epoch() const { return epoch_; }        // 2025.0
    double validUntil() const { return epoch_ + 5.0; }

    // 2027.5 for the middle of 2027: the year plus the fraction of it gone at the start of the day.
    static double decimalYear(QDate date);
    // The same for a time in seconds since 1970 (UTC), to the second.
    static double decimalYear(double secondsSince1970);
    // "The magnetic model WMM-2025 expired 1.3 years ago (2031.3 is past 2030.0): magnetic
    // bearings may be off.", once a date is past the end; empty before.
    QString expiryText(double decimalYear) const;

private:
    MagneticModel() = default;

    QString name_;
    double epoch_ = 0.0;
    // Indexed n * (n + 1) / 2 + m for 1 <= n <= kDegree; index 0 unused.
    std::vector<double> g_, h_, gDot_, hDot_;
};

}  // namespace vantrel::positioning
