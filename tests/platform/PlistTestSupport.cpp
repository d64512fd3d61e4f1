#include "PlistTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>
#include <string>

namespace vantrel::test {

using platform::Array;
using platform::Dictionary;
using platform::Value;
using platform::ValueType;

QString fixturePath(const char* name) { return QStringLiteral(VANTREL_TEST_DATA_DIR "/plist/") + QLatin1String(name); }

QByteArray fixture(const char* name) {
    QFile file(fixturePath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

Value list(std::initializer_list<Value> items) { return Value(Array::fromValues(items)); }

Value dict(std::initializer_list<std::pair<std::string_view, Value>> entries) {
    platform::DictionaryPtr d = Dictionary::create(entries.size());
    for (const auto& [key, value] : entries) d->set(key, value);
    return Value(d);
}

namespace {
::testing::AssertionResult differ(const std::string& path, const Value& expected, const Value& actual) {
    return ::testing::AssertionFailure() << "at " << (path.empty() ? "root" : path) << ": expected "
                                         << expected.description() << " (kind " << int(expected.type()) << "), got "
                                         << actual.description() << " (kind " << int(actual.type()) << ")";
}

::testing::AssertionResult compare(const std::string& path, const Value& e, const Value& a) {
    if (e.type() != a.type()) return differ(path, e, a);
    switch (e.type()) {
    case ValueType::Real:
    case ValueType::Date:
        if (e.realPayload() != a.realPayload() && !(std::isnan(e.realPayload()) && std::isnan(a.realPayload())))
            return differ(path, e, a);
        break;
    case ValueType::Array: {
        const auto& ei = e.array()->items();
        const auto& ai = a.array()->items();
        if (ei.size() != ai.size()) return differ(path, e, a);
        for (size_t i = 0; i < ei.size(); ++i)
            if (auto r = compare(path + "[" + std::to_string(i) + "]", ei[i], ai[i]); !r) return r;
        break;
    }
    case ValueType::Dictionary: {
        if (e.dictionary()->size() != a.dictionary()->size()) return differ(path, e, a);
        for (const auto& entry : *e.dictionary()) {
            const Value* other = a.dictionary()->find(entry.key);
            if (!other) return differ(path + "." + std::string(entry.key.view()), entry.value, Value());
            if (auto r = compare(path + "." + std::string(entry.key.view()), entry.value, *other); !r) return r;
        }
        break;
    }
    default:
        if (e != a) return differ(path, e, a);
    }
    return ::testing::AssertionSuccess();
}
}  // namespace

::testing::AssertionResult identical(const Value& expected, const Value& actual) { return compare("", expected, actual); }

Value generatedGraph(size_t records) {
    platform::ArrayPtr all = Array::create(records);
    for (size_t i = 0; i < records; ++i) {
        if (i % 10 == 9) {
            all->append(all->at(i - 1));
            continue;
        }
        auto n = static_cast<int64_t>(i);
        Value runways = list({dict({{"id", Value("0" + std::to_string(i % 9 + 1) + "L")}}), dict({})});
        all->append(dict({
            {"waypoint_id", Value("WP" + std::to_string(i))},
            {"waypoint_name", Value(i % 3 ? "Z\u00fcrich \u2708 " + std::to_string(i % 50) : std::string("Paris"))},
            {"waypoint_latitude", Value::real(-90.0 + double(i % 1800) / 10.0 + 1e-7)},
            {"waypoint_type", Value::integer(n % 17 - 3)},
            {"waypoint_elevation", Value::integer(n * 1000003 - 4000000000LL)},
            {"waypoint_active", Value::boolean(i % 2 == 0)},
            {"waypoint_updated", Value::date(1.6e9 + double(i) * 3600.0)},
            {"waypoint_blob", Value::data(QByteArray(int(i % 40), char(i)))},
            {"waypoint_runways", i % 4 ? runways : list({})},
        }));
    }
    return Value(all);
}

std::optional<QString> plistlibDump(const QStringList& arguments) {
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) return std::nullopt;
    QProcess process;
    process.start(python, QStringList{QStringLiteral(VANTREL_TEST_DATA_DIR "/plist/make_fixtures.py")} + arguments);
    process.waitForFinished(60000);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace vantrel::test
