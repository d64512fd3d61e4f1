#include "platform/ui/Application.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vantrel;

namespace {
struct RecordingDelegate : platform::ui::ApplicationDelegate {
    std::vector<std::string>* calls;
    explicit RecordingDelegate(std::vector<std::string>* c) : calls(c) {}
    void applicationDidFinishLaunching() override {
        calls->push_back("launch");
        QTimer::singleShot(10, [] { QCoreApplication::exit(0); });
    }
    void applicationWillTerminate() override { calls->push_back("terminate"); }
};
}  // namespace

TEST(ApplicationLoop, LaunchesOnceAndTerminatesAtTheEndOfTheLoop) {
    std::vector<std::string> calls;
    char name[] = "app_loop_tests";
    char* argv[] = {name, nullptr};
    int status = platform::ui::UIApplicationMain(1, argv, [&] { return std::make_unique<RecordingDelegate>(&calls); });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"launch", "terminate"}));
}
