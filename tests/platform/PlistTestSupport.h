#pragma once
// Helpers of the property-list and keyed-archive tests: fixtures, Value builders, a strict
// comparison and plistlib as an outside reader.

#include "platform/core/Value.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <initializer_list>
#include <optional>
#include <string_view>
#include <utility>

namespace vantrel::test {

QByteArray fixture(const char* name);
QString fixturePath(const char* name);

platform::Value list(std::initializer_list<platform::Value> items);
platform::Value dict(std::initializer_list<std::pair<std::string_view, platform::Value>> entries);

// Same kinds and same contents all the way down (Value's own == lets 3 equal 3.0).
::testing::AssertionResult identical(const platform::Value& expected, const platform::Value& actual);

// An array of `records` waypoint-like dictionaries of every kind of value; every tenth record is
// the same object as the one before it. Dates are whole seconds, so XML keeps them.
platform::Value generatedGraph(size_t records);

// What tests/data/plist/make_fixtures.py prints for the arguments (the canonical form of a plist
// as plistlib reads it); nothing when python3 is not installed.
std::optional<QString> plistlibDump(const QStringList& arguments);

}  // namespace vantrel::test
