// libFuzzer target for the GPX reader of the navigation plans: any bytes as a document. A document
// it reads must give plans whose points all have a name and coordinates as texts, and the plans
// must write back out as GPX.

#include "FuzzSupport.h"

#include "navplans/PlanGpx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::quietLog();
    auto import = vantrel::navplans::gpx::readDocument(vantrel::fuzz::bytesOf(data, size), QStringLiteral("fuzz"));
    if (!import.error.isEmpty() && !import.plans.empty()) vantrel::fuzz::broken("refused document with plans");
    for (const auto& plan : import.plans) {
        if (!plan) vantrel::fuzz::broken("empty plan");
        vantrel::navplans::gpx::routeDocument(*plan);
    }
    return 0;
}
