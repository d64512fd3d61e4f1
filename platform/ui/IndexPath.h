#pragma once
// The place of a row in a table: its section and its row within the section. A plain value, for
// any thread.

#include <QString>
#include <compare>

namespace vantrel::platform::ui {

struct IndexPath {
    int section = 0;
    int row = 0;

    auto operator<=>(const IndexPath&) const = default;
    QString toString() const { return QStringLiteral("%1,%2").arg(section).arg(row); }
};

}  // namespace vantrel::platform::ui
