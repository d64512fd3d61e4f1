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
    static bool pending = false;
    if (pending || !QCoreApplication::instance()) return;
    pending = true;
    QTimer::singleShot(1000, QCoreApplication::instance(), [] {
        pending = false;
        releaseFreedMemory();
    });
}

}  // namespace vantrel::platform
