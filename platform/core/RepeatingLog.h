#pragma once
// Logs a failure that repeats (a write to a full disk at every fix, garbage on a stream thousands
// of times a second) without flooding the log: the first occurrence in full at once, then at most
// one line a minute, saying how many times it happened since the last line. A different text is
// a new failure and is logged at once. Also: the system's text for an errno value.
//
// Ownership: a plain value, one per kind of failure of its owner.
// Threads: one thread at a time (its owner's); the clock is read on that thread.

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

namespace vantrel::platform {

// "No space left on device" for ENOSPC: strerror's text, never "Unknown error" for a known errno.
QString systemErrorText(int errnum);

class RepeatingLog {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::seconds kInterval{60};

    // The clock is steady_clock::now unless a test passes its own.
    explicit RepeatingLog(Clock clock = {});

    // One occurrence of the failure described by `text`. Logs it when it is new (the first, or a
    // text other than the last), or adds " (N times in the last M s)" once the interval has
    // passed since the last line. Answers whether a line was logged.
    bool report(const QString& text) { return report(text, text); }
    // The same where the failure is known by `kind` and its text may vary (an error text, a byte
    // count): a new kind is logged at once; the later lines show the latest text.
    bool report(const QString& kind, const QString& text);
    // The failure is over: the count not yet logged is logged ("... (N more times before it
    // stopped)"), and the next occurrence is new.
    void clear();

    int64_t total() const { return total_; }  // occurrences reported, all texts

private:
    std::chrono::steady_clock::time_point now() const;

    Clock clock_;
    QString kind_;                              // the failure being counted; empty: none
    QString text_;                              // its latest text
    int64_t unlogged_ = 0;                      // occurrences since the last line
    std::chrono::steady_clock::time_point lastLine_{};
    int64_t total_ = 0;
};

}  // namespace vantrel::platform
