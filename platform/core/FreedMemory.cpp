#include "FreedMemory.h"

#include <QCoreApplication>
#include <QTimer>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vantrel::platform {

void releaseFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void releaseFreedMemorySoon() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    // One timer for the process, restarted by each call: the release comes a second after the
    // last of a run of calls, so it also covers what the last one let go.
    static QTimer* timer = [app] {
        auto* t = new QTimer(app);
        t->setSingleShot(true);
        t->setInterval(1000);
        QObject::connect(t, &QTimer::timeout, [] { releaseFreedMemory(); });
        return t;
    }();
    timer->start();
}

}  // namespace vantrel::platform
