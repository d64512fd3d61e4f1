// The positioning tests run inside a Qt application: sources use its event loop.

#include "platform/core/Paths.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Run outside ctest, keep away from the user's own defaults.
    QTemporaryDir home;
    if (qEnvironmentVariableIsEmpty("VANTREL_DEFAULTS_FILE"))
        vantrel::platform::Paths::setDefaultsFile(home.filePath(QStringLiteral("defaults.plist")));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
