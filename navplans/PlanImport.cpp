#include "PlanImport.h"

#include "PlanCup.h"

#include <QFileInfo>

namespace vantrel::navplans {

PlanFileKind planFileKind(const QString& fileName, const QByteArray& bytes) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"cup") return PlanFileKind::Cup;
    if (suffix == u"gpx") return PlanFileKind::Gpx;
    QByteArray start = bytes.left(64).trimmed();
    if (start.startsWith("\xEF\xBB\xBF")) start = start.mid(3).trimmed();
    return start.startsWith('<') ? PlanFileKind::Gpx : PlanFileKind::Cup;
}

gpx::Import readPlanFile(const QString& fileName, const QByteArray& bytes, std::optional<PlanFileKind> kind) {
    const QString baseName = QFileInfo(fileName).completeBaseName();
    if (kind.value_or(planFileKind(fileName, bytes)) == PlanFileKind::Cup) return cup::readDocument(bytes, baseName);
    return gpx::readDocument(bytes, baseName);
}

}  // namespace vantrel::navplans
