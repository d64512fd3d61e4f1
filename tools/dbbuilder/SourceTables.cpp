#include "SourceTables.h"

#include "Csv.h"
#include "CountryFileName.h"
#include "RadioText.h"

#include "platform/core/Log.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <string_view>

namespace vantrel::dbbuilder {

namespace {

// A kept row, or the reason it was skipped.
using RowResult = std::optional<std::string>;
using Fields = std::vector<std::string_view>;
constexpr std::nullopt_t kKept = std::nullopt;

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A finite number filling the whole field (blanks around it allowed).
std::optional<double> number(std::string_view field) {
    field = trimmed(field);
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
    if (field.empty() || ec != std::errc() || end != field.data() + field.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

// Valid UTF-8 with white space runs (line breaks from quoted fields included) made one space.
std::string cleanText(std::string_view field) {
    const QByteArray utf8 = QString::fromUtf8(field.data(), qsizetype(field.size())).simplified().toUtf8();
    return std::string(utf8.constData(), size_t(utf8.size()));
}

RowResult position(std::string_view latField, std::string_view lonField, double* lat, double* lon) {
    const auto la = number(latField);
    const auto lo = number(lonField);
    if (!la || !lo) return "bad coordinates";
    if (*la < -90.0 || *la > 90.0 || *lo < -180.0 || *lo > 180.0) return "coordinates out of range";
    // 0/0 is what a missing position becomes in exports; no airfield or beacon sits there.
    if (*la == 0.0 && *lo == 0.0) return "no position (0, 0)";
    *lat = *la;
    *lon = *lo;
    return kKept;
}

// Reads one file: resolves the columns by name and hands every sound row to handleRow.
bool readTable(const QString& csvDir, const QString& fileName, std::initializer_list<std::string_view> columns,
               SourceTables* tables, QString* error, const std::function<RowResult(const Fields&, FileTally&)>& handleRow) {
    QFile file(QDir(csvDir).filePath(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("%1: cannot read %2").arg(fileName, file.errorString());
        return false;
    }
    CsvReader reader(file.readAll());
    std::vector<int> index;
    for (std::string_view name : columns) {
        const int i = reader.column(name);
        if (i < 0) {
            if (error) {
                *error = QStringLiteral("%1: no column \"%2\"")
                             .arg(fileName, QString::fromUtf8(name.data(), qsizetype(name.size())));
            }
            return false;
        }
        index.push_back(i);
    }

    FileTally tally;
    tally.file = fileName;
    std::vector<std::string> row;
    Fields fields(index.size());
    for (;;) {
        const CsvReader::Row status = reader.next(row);
        if (status == CsvReader::Row::End) break;
        ++tally.rows;
        if (status == CsvReader::Row::Broken) {
            tally.skip("broken row", reader.rowLine());
            continue;
        }
        for (size_t i = 0; i < index.size(); ++i) fields[i] = row[size_t(index[i])];
        if (RowResult reason = handleRow(fields, tally)) tally.skip(*reason, reader.rowLine());
    }
    platform::logLine(tally.summary());
    tables->tallies.push_back(std::move(tally));
    return true;
}

RowResult readCountry(const Fields& f, SourceTables* t) {
    const std::string code = cleanText(f[0]);
    if (code.empty()) return "empty code";
    std::string name = countryFileName(f[1], code);
    t->countryNames.emplace(code, std::move(name));
    return kKept;
}

RowResult readRegion(const Fields& f, SourceTables* t) {
    const std::string code = cleanText(f[0]);
    const std::string name = cleanText(f[1]);
    if (code.empty()) return "empty code";
    if (name.empty()) return "empty name";
    // "XX-U-A" regions stand for "no region"; their waypoints stay directly under the country.
    const bool unassigned = name == "(unassigned)" || std::string_view(code).ends_with("-U-A");
    if (!unassigned) t->regionNames.emplace(code, name);
    return kKept;
}

RowResult readAirport(const Fields& f, SourceTables* t) {
    static const std::array<std::string_view, 4> listed = {"large_airport", "medium_airport", "small_airport",
                                                           "seaplane_base"};
    static const std::array<std::string_view, 3> leftOut = {"heliport", "balloonport", "closed"};
    Airport a;
    a.ident = cleanText(f[0]);
    if (a.ident.empty()) return "empty ident";
    const std::string_view type = trimmed(f[1]);
    a.listed = std::find(listed.begin(), listed.end(), type) != listed.end();
    if (!a.listed && std::find(leftOut.begin(), leftOut.end(), type) == leftOut.end()) return "unknown type";
    if (RowResult bad = position(f[3], f[4], &a.latitude, &a.longitude)) return bad;
    a.countryCode = cleanText(f[5]);
    if (!t->countryNames.contains(a.countryCode)) return "unknown country";
    a.name = cleanText(f[2]);
    const std::string region = cleanText(f[6]);
    if (t->regionNames.contains(region)) a.regionCode = region;
    if (!a.listed) ++t->airportsLeftOut;
    t->airports.push_back(std::move(a));
    return kKept;
}

std::optional<int> navaidType(std::string_view text) {
    static const std::array<std::pair<std::string_view, int>, 7> types = {{{"DME", kDmeType},
                                                                          {"NDB", kNdbType},
                                                                          {"VOR", kVorType},
                                                                          {"NDB-DME", kNdbDmeType},
                                                                          {"VOR-DME", kVorDmeType},
                                                                          {"TACAN", kTacanType},
                                                                          {"VORTAC", kVortacType}}};
    for (const auto& [name, code] : types) {
        if (text == name) return code;
    }
    return std::nullopt;
}

// Frequency fields the source gives in kHz; NDBs on the LF/MF band, everything else on the VHF
// band (a DME or TACAN by its paired VHF frequency).
constexpr double kNdbLowKHz = 150.0, kNdbHighKHz = 1800.0;
constexpr int kVhfNavLowKHz = 108000, kVhfNavHighKHz = 136000;

bool isNdb(int type) { return type == kNdbType || type == kNdbDmeType; }
bool hasDme(int type) { return type == kDmeType || type == kNdbDmeType || type == kVorDmeType || type == kTacanType || type == kVortacType; }

RowResult readNavaid(const Fields& f, SourceTables* t, FileTally& tally) {
    Navaid n;
    n.ident = cleanText(f[0]);
    if (n.ident.empty()) return "empty ident";
    const auto type = navaidType(trimmed(f[2]));
    if (!type) return "unknown type";
    n.type = *type;
    if (RowResult bad = position(f[4], f[5], &n.latitude, &n.longitude)) return bad;
    n.countryCode = cleanText(f[6]);
    if (!t->countryNames.contains(n.countryCode)) return "unknown country";

    std::optional<int> vhfKHz;
    if (!trimmed(f[3]).empty()) {
        const auto kHz = number(f[3]);
        if (!kHz) return "bad frequency";
        if (isNdb(n.type) && *kHz >= kNdbLowKHz && *kHz <= kNdbHighKHz) {
            n.frequency = ndbText(*kHz);
        } else if (!isNdb(n.type) && *kHz >= kVhfNavLowKHz && *kHz <= kVhfNavHighKHz) {
            vhfKHz = static_cast<int>(std::lround(*kHz));
            n.frequency = vhfText(*vhfKHz);
        } else {
            tally.note("frequency off its band left out");
        }
    }

    if (hasDme(n.type)) {
        if (!trimmed(f[8]).empty()) {
            n.channel = dmeChannelText(f[8]);
            if (!n.channel) tally.note("unreadable channel");
        }
        if (!n.channel) {
            // No usable channel: take the one paired with the DME (or VHF) frequency.
            const auto dmeKHz = number(f[7]);
            if (dmeKHz && *dmeKHz > 0 && *dmeKHz < 1.0e6) n.channel = dmeChannelForVhf(static_cast<int>(std::lround(*dmeKHz)));
            if (!n.channel && vhfKHz) n.channel = dmeChannelForVhf(*vhfKHz);
            if (n.channel) tally.note("channel taken from the paired frequency");
        }
    }
    for (std::string_view field : {f[10], f[11]}) {
        if (trimmed(field).empty()) continue;
        const auto degrees = number(field);
        if (degrees && std::abs(*degrees) <= 180.0) {
            n.magneticVariation = *degrees;
            break;
        }
        tally.note("impossible magnetic variation left out");
    }
    n.name = cleanText(f[1]);
    n.associatedAirport = cleanText(f[9]);
    t->navaids.push_back(std::move(n));
    return kKept;
}

RowResult readRunway(const Fields& f, SourceTables* t) {
    const std::string airport = cleanText(f[0]);
    if (airport.empty()) return "empty airport ident";
    const std::string_view closed = trimmed(f[2]);
    if (closed == "1" || closed == "true") {
        ++t->closedRunways;
        return kKept;
    }
    Runway r;
    if (!trimmed(f[1]).empty()) {
        const auto length = number(f[1]);
        if (!length || *length < 0) return "bad length";
        r.lengthFt = *length;
    }
    auto designator = runwayDesignator(trimmed(f[3]), trimmed(f[4]));
    if (!designator) return "no designator";
    r.designator = cleanText(*designator);
    t->runways[airport].push_back(std::move(r));
    return kKept;
}

// The frequency an airport is listed with: the tower, else the field's own traffic frequency,
// in this order. Aliases of one service share its rank.
int frequencyRank(std::string_view type) {
    static const std::array<std::pair<std::string_view, int>, 13> ranks = {{{"TWR", 0},
                                                                           {"TOWER", 0},
                                                                           {"CTAF", 1},
                                                                           {"UNIC", 2},
                                                                           {"UNICOM", 2},
                                                                           {"AFIS", 3},
                                                                           {"A/G", 4},
                                                                           {"A/D", 5},
                                                                           {"ATF", 6},
                                                                           {"MF", 7},
                                                                           {"INFO", 8},
                                                                           {"RDO", 9},
                                                                           {"RADIO", 9}}};
    std::string upper(type);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    for (const auto& [name, rank] : ranks) {
        if (upper == name) return rank;
    }
    return -1;
}

// VHF air-band communication frequencies, in kHz.
constexpr int kComLowKHz = 118000, kComHighKHz = 136999;

RowResult readFrequency(const Fields& f, std::unordered_map<std::string, int>* bestRank, SourceTables* t) {
    const std::string airport = cleanText(f[0]);
    if (airport.empty()) return "empty airport ident";
    const auto mhz = number(f[2]);
    if (!mhz || *mhz <= 0 || *mhz > 1.0e6) return "bad frequency";
    const int rank = frequencyRank(trimmed(f[1]));
    const int kHz = static_cast<int>(std::lround(*mhz * 1000.0));
    if (rank < 0 || kHz < kComLowKHz || kHz > kComHighKHz) return kKept;
    auto [it, inserted] = bestRank->try_emplace(airport, rank);
    if (inserted || rank < it->second) {
        it->second = rank;
        t->frequencies[airport] = vhfText(kHz);
    }
    return kKept;
}

}  // namespace

void FileTally::skip(const std::string& reason, int line) {
    ++skipped;
    ++reasons[reason];
    if (firstSkippedLine == 0) firstSkippedLine = line;
}

QString FileTally::summary() const {
    QString text = QStringLiteral("%1: %2 rows, %3 skipped").arg(file).arg(rows).arg(skipped);
    auto list = [](const std::map<std::string, int>& counts) {
        QStringList parts;
        for (const auto& [what, count] : counts) parts << QStringLiteral("%1 %2").arg(count).arg(QString::fromStdString(what));
        return parts.join(QStringLiteral(", "));
    };
    if (skipped > 0) text += QStringLiteral(" (%1; first at line %2)").arg(list(reasons)).arg(firstSkippedLine);
    if (!notes.empty()) text += QStringLiteral("; kept with changes: %1").arg(list(notes));
    return text;
}

bool readSourceTables(const QString& csvDir, SourceTables* t, QString* error) {
    std::unordered_map<std::string, int> bestFrequencyRank;
    return readTable(csvDir, QStringLiteral("countries.csv"), {"code", "name"}, t, error,
                     [t](const Fields& f, FileTally&) { return readCountry(f, t); }) &&
           readTable(csvDir, QStringLiteral("regions.csv"), {"code", "name"}, t, error,
                     [t](const Fields& f, FileTally&) { return readRegion(f, t); }) &&
           readTable(csvDir, QStringLiteral("airports.csv"),
                     {"ident", "type", "name", "latitude_deg", "longitude_deg", "iso_country", "iso_region"}, t, error,
                     [t](const Fields& f, FileTally&) { return readAirport(f, t); }) &&
           readTable(csvDir, QStringLiteral("navaids.csv"),
                     {"ident", "name", "type", "frequency_khz", "latitude_deg", "longitude_deg", "iso_country",
                      "dme_frequency_khz", "dme_channel", "associated_airport", "slaved_variation_deg",
                      "magnetic_variation_deg"},
                     t, error, [t](const Fields& f, FileTally& tally) { return readNavaid(f, t, tally); }) &&
           readTable(csvDir, QStringLiteral("runways.csv"), {"airport_ident", "length_ft", "closed", "le_ident", "he_ident"},
                     t, error, [t](const Fields& f, FileTally&) { return readRunway(f, t); }) &&
           readTable(csvDir, QStringLiteral("airport-frequencies.csv"), {"airport_ident", "type", "frequency_mhz"}, t,
                     error, [t, &bestFrequencyRank](const Fields& f, FileTally&) {
                         return readFrequency(f, &bestFrequencyRank, t);
                     });
}

}  // namespace vantrel::dbbuilder
