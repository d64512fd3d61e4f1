// The shared helper that keeps a repeating failure from flooding the log, on a made-up clock.

#include "tests/support/TestSupport.h"

#include "platform/core/RepeatingLog.h"

#include <gtest/gtest.h>

#include <cerrno>

using vantrel::platform::RepeatingLog;
using namespace std::chrono_literals;

TEST(RepeatingLog, OnceThenOnceAMinuteWithACountAndANewFailureAtOnce) {
    vantrel::test::LogCapture log;
    std::chrono::steady_clock::time_point now{};
    RepeatingLog repeats([&] { return now; });
    // 4,000 failures a second for 150 s, as a garbage stream gives.
    for (int i = 0; i < 150 * 4000; ++i) {
        repeats.report(QStringLiteral("source: bad lines skipped"));
        now += 250us;
    }
    EXPECT_EQ(log.lines().size(), 3);
    ASSERT_GE(log.lines().size(), 3);
    EXPECT_TRUE(log.lines()[0].endsWith(QStringLiteral("source: bad lines skipped")));
    EXPECT_TRUE(log.lines()[1].contains(QStringLiteral("(240000 times in the last 60 s)"))) << log.lines()[1].toStdString();
    EXPECT_TRUE(log.lines()[2].contains(QStringLiteral("(240000 times in the last 60 s)")));
    EXPECT_EQ(repeats.total(), 150 * 4000);

    // The same failure with another text (a byte count) is counted; another failure is said at
    // once, after the count of the first.
    repeats.report(QStringLiteral("write"), QStringLiteral("write failed (No space left on device)"));
    ASSERT_EQ(log.lines().size(), 5);
    EXPECT_TRUE(log.lines()[3].contains(QStringLiteral("source: bad lines skipped (119999 more times before it stopped)")));
    EXPECT_TRUE(log.lines()[4].endsWith(QStringLiteral("write failed (No space left on device)")));
    repeats.report(QStringLiteral("write"), QStringLiteral("write failed (File too large)"));
    EXPECT_EQ(log.lines().size(), 5);
    repeats.clear();
    ASSERT_EQ(log.lines().size(), 6);
    EXPECT_TRUE(log.lines()[5].contains(QStringLiteral("write failed (File too large) (1 more times before it stopped)")));
    repeats.clear();  // nothing more to say
    repeats.report(QStringLiteral("write"), QStringLiteral("write failed again"));
    EXPECT_EQ(log.lines().size(), 7);
}

TEST(RepeatingLog, SystemErrorTexts) {
    const std::pair<int, const char*> cases[] = {
        {ENOSPC, "No space left on device"}, {EFBIG, "File too large"}, {EACCES, "Permission denied"}, {EIO, "Input/output error"}};
    for (const auto& [errnum, text] : cases) EXPECT_EQ(vantrel::platform::systemErrorText(errnum), QString::fromLatin1(text));
}
