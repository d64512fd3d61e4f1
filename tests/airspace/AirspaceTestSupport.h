#pragma once
// What the airspace tests share: the test files and reading them.

#include "airspace/OpenAirReader.h"

#include <QFile>
#include <QString>

namespace vantrel::test {

inline QString airspaceFixture(const char* name) { return QStringLiteral(VANTREL_TEST_DATA_DIR "/airspace/") + name; }

inline airspace::ReadResult readAirspaceFixture(const char* name) {
    QFile file(airspaceFixture(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return airspace::readOpenAir(file.readAll(), QString::fromLatin1(name));
}

inline const airspace::Airspace* airspaceNamed(const std::vector<airspace::Airspace>& all, const QString& name) {
    for (const airspace::Airspace& a : all)
        if (a.name == name) return &a;
    return nullptr;
}

}  // namespace vantrel::test
