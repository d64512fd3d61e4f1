#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

#include <QCoreApplication>
#include <QTimer>
#include <QtTest/QTest>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

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

namespace {
// Shows a window at launch, then ends the run as the pilot would.
struct QuittingDelegate : platform::ui::ApplicationDelegate {
    std::function<void(platform::ui::Window&)> quit;
    std::vector<std::string>* calls;
    std::unique_ptr<platform::ui::Window> window;
    QuittingDelegate(std::function<void(platform::ui::Window&)> q, std::vector<std::string>* c)
        : quit(std::move(q)), calls(c) {}
    void applicationDidFinishLaunching() override {
        window = std::make_unique<platform::ui::Window>();
        window->show();
        QTimer::singleShot(10, [this] { quit(*window); });
        // A run that does not end by itself fails instead of hanging.
        QTimer::singleShot(5000, [] { QCoreApplication::exit(3); });
    }
    void applicationWillTerminate() override { calls->push_back("terminate"); }
};
}  // namespace

// Ctrl+Q and the window's close button end the run through the same path as SIGTERM: the loop
// ends normally and the delegate's termination saves run.
TEST(ApplicationLoop, CtrlQAndTheCloseButtonEndTheRunAsSigtermDoes) {
    const std::pair<const char*, std::function<void(platform::ui::Window&)>> ways[] = {
        {"SIGTERM", [](platform::ui::Window&) { ::kill(::getpid(), SIGTERM); }},
        {"Ctrl+Q", [](platform::ui::Window& w) { QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier); }},
        {"close button", [](platform::ui::Window& w) { w.close(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.first);
        const std::function<void(platform::ui::Window&)>& quit = way.second;  // a lambda may capture it
        std::vector<std::string> calls;
        char program[] = "app_loop_tests";
        char* argv[] = {program, nullptr};
        const int status = platform::ui::UIApplicationMain(
            1, argv, [&] { return std::make_unique<QuittingDelegate>(quit, &calls); });
        EXPECT_EQ(status, 0);
        EXPECT_EQ(calls, (std::vector<std::string>{"terminate"}));
    }
}
