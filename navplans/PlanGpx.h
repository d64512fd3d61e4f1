#pragma once
// Navigation plans as GPX 1.1 documents, for other GPS tools.
//
// Export: one route (rte) named after the plan, one rtept per waypoint with lat and lon, name
// (the waypoint's name) and desc (its note, when it has one). A waypoint without a usable
// position (PlanCoordinates.h: a typed text that is not a number, a number out of range) is left
// out and named in the answer's skipped lines.
//
// Import: every rte becomes a plan named after the route, and the document's wpt elements
// together become one more plan, named after the document's metadata name or the file. Points
// become user waypoints as the waypoint editor stores them: name, latitude and longitude as
// texts, and the note (desc, else cmt). GPX 1.0 and 1.1 are read, with or without a namespace
// prefix; anything in another namespace (extensions) is passed over, points nested in it too, and
// so are tracks. A point whose lat or lon is not a number within range is refused and named in
// the refused lines. A document that is not well-formed XML or not GPX gives an error and no plan.
//
// Threads: pure functions, any thread.

#include "platform/core/Value.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace vantrel::navplans::gpx {

struct Export {
    QByteArray document;
    QStringList skipped;  // one line per waypoint left out
};
Export routeDocument(const platform::Dictionary& plan);

struct Import {
    std::vector<platform::DictionaryPtr> plans;  // new plan records, in document order
    QStringList refused;                          // one line per point refused
    int tracksSkipped = 0;
    QString error;                                // set when the document could not be read
};
// fallbackName names what the document leaves unnamed (the file's base name, usually).
Import readDocument(const QByteArray& bytes, const QString& fallbackName);

}  // namespace vantrel::navplans::gpx
