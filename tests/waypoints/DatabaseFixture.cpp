#include "DatabaseFixture.h"

#include "platform/core/Paths.h"
#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"
#include "waypoints/NSData_Encryption.h"

#include <QFile>
#include <gtest/gtest.h>

namespace vantrel::test {

using platform::Array;
using platform::Dictionary;
using platform::Value;

Value makeRecord(const char* id, double lat, double lon, int type, int state, const char* name) {
    auto d = Dictionary::create();
    d->set("waypoint_id", Value(id));
    d->set("waypoint_name", Value(name ? name : id));
    d->set("waypoint_latitude", Value::real(lat));
    d->set("waypoint_longitude", Value::real(lon));
    d->set("waypoint_type", Value::integer(type));
    if (state >= 0) d->set("waypoint_state", Value::integer(state));
    return Value(d);
}

DatabaseFixture::DatabaseFixture() {
    platform::Paths::setDatabaseDirectory(database_.path());
    platform::Paths::setDocumentsDirectory(documents_.path());
}

DatabaseFixture::~DatabaseFixture() {
    platform::Paths::setDatabaseDirectory(QString());
    platform::Paths::setDocumentsDirectory(QString());
}

void DatabaseFixture::writeStates(const QStringList& states) {
    auto a = Array::create();
    for (const QString& s : states) a->append(Value(s));
    ASSERT_TRUE(platform::plist::writeFile(database_.file(QStringLiteral("states.plist")), Value(a)));
}

void DatabaseFixture::writeCountry(const QString& country, std::initializer_list<Value> records) {
    writeCountryArchive(country + QStringLiteral(".ewpts"), Value(Array::fromValues(std::vector<Value>(records))));
}

void DatabaseFixture::writeCountryArchive(const QString& fileName, const Value& root) {
    ASSERT_TRUE(waypoints::writeToEncryptedFile(platform::KeyedArchive::archive(root), database_.file(fileName)));
}

void DatabaseFixture::writeRawFile(const QString& fileName, const QByteArray& bytes) {
    QFile f(database_.file(fileName));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void DatabaseFixture::dismiss(const QStringList& countries) {
    auto a = Array::create();
    for (const QString& c : countries) a->append(Value(c));
    ASSERT_TRUE(platform::plist::writeFile(documents_.file(QStringLiteral("DismissedCountries.plist")), Value(a)));
}

}  // namespace vantrel::test
