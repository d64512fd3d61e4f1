#pragma once
// The shared instruments of the process (primaryVOR, secondaryVOR, primaryADF, sharedCompassView,
// sharedView): each made once on first request, with a zero frame, on the shared location manager
// and unit settings, and kept until the process ends. Its object name is its shared name, so that
// log lines and the scripted driver name it.
//
// Threads: main thread only.

#include "positioning/LocationManager.h"
#include "units/UnitSettings.h"

#include <QPointer>
#include <QRectF>
#include <vector>

namespace vantrel::instruments {

class AbstractInstrumentView;

// The shared instruments made so far, in the order they were made (the scripted driver lists them).
inline std::vector<QPointer<AbstractInstrumentView>>& sharedInstruments() {
    static std::vector<QPointer<AbstractInstrumentView>> made;
    return made;
}

template <class Instrument>
Instrument& sharedInstrument(QPointer<Instrument>& slot, const char* name) {
    // A screen lends the instrument a Qt parent; should that parent ever delete it, a new one is made.
    if (!slot) {
        auto* instrument = new Instrument(positioning::LocationManager::sharedManager(), units::UnitSettings::shared());
        instrument->setObjectName(QString::fromLatin1(name));
        slot = instrument;
        sharedInstruments().push_back(instrument);
        instrument->initWithFrame(QRectF());
    }
    return *slot;
}

}  // namespace vantrel::instruments
