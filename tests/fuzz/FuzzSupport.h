#pragma once
// What every fuzz target shares: the log goes nowhere (the targets feed garbage on purpose, and a
// log line per input would be most of the run), and a check that stops the run with a crash the
// fuzzer reports and keeps, when a reader breaks its own contract.

#include "platform/core/Log.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vantrel::fuzz {

inline void quietLog() {
    static const bool quiet = [] {
        platform::setLogSink([](const QString&) {});
        return true;
    }();
    (void)quiet;
}

inline QByteArray bytesOf(const uint8_t* data, size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

[[noreturn]] inline void broken(const char* what) {
    std::fprintf(stderr, "contract broken: %s\n", what);
    std::abort();
}

}  // namespace vantrel::fuzz
