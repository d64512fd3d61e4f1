#pragma once
// Reading a file of plans from another tool, whatever its kind: GPX (PlanGpx.h) or SeeYou CUP
// (PlanCup.h), told apart by the file's extension (".gpx", ".cup"), else by its content (a document
// that starts with "<" is GPX). The command line's import and the app's go through here.
//
// Threads: pure function, any thread.

#include "PlanGpx.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace vantrel::navplans {

enum class PlanFileKind { Gpx, Cup };

PlanFileKind planFileKind(const QString& fileName, const QByteArray& bytes);

// The plans of the file's bytes, read as the kind given, else as planFileKind says; fileName names
// what the document leaves unnamed.
gpx::Import readPlanFile(const QString& fileName, const QByteArray& bytes, std::optional<PlanFileKind> kind = std::nullopt);

}  // namespace vantrel::navplans
