#pragma once
// Builds small waypoint databases on disk for tests: states.plist and scrambled country files
// holding keyed archives of records, in a private folder that Paths points at.

#include "platform/core/Value.h"
#include "support/TestSupport.h"

#include <QString>
#include <QStringList>
#include <initializer_list>

namespace vantrel::test {

// A waypoint record with the given fields (state < 0: none).
platform::Value makeRecord(const char* id, double lat, double lon, int type = 1, int state = -1,
                           const char* name = nullptr);

class DatabaseFixture {
public:
    DatabaseFixture();  // points the database and documents folders at fresh temp folders
    ~DatabaseFixture();

    QString databaseDirectory() const { return database_.path(); }
    QString documentsDirectory() const { return documents_.path(); }

    void writeStates(const QStringList& states);
    void writeCountry(const QString& country, std::initializer_list<platform::Value> records);
    void writeCountryArchive(const QString& fileName, const platform::Value& root);
    void writeRawFile(const QString& fileName, const QByteArray& bytes);
    void dismiss(const QStringList& countries);

private:
    TempDir database_;
    TempDir documents_;
};

}  // namespace vantrel::test
