#pragma once
// IGC flight logs (the format of glider and power-flight loggers) to fixes: one fix per B record.
// The date comes from the HFDTE header (else the fallback date), the accuracy from the FXA
// extension when the I record declares it (else kUnknownAccuracyMetres); a B record marked V (no
// 3-D fix) gets accuracy -1, so it becomes the current position but is not used for navigation.
// The B record's pressure altitude and, on an A record, its GNSS altitude become the fix's; a field
// of 00000 is what loggers write without that sensor, so it is no value, and a field that is not a
// number or out of range is logged and no value.
// Times of day that drop by more than twelve hours cross midnight; smaller drops are logged jumps.
// Malformed records are logged and skipped. G records (the logger's signature) are not checked.
//
// Threads: pure function, any thread.

#include "positioning/Fix.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <vector>

namespace vantrel::positioning {

class IgcParser {
public:
    static std::vector<Fix> parse(QByteArrayView content, const QString& origin, QDate fallbackDate);
};

}  // namespace vantrel::positioning
