#pragma once
// The file name a plan is stored under: its name plus ".nav", with every character that could
// lead outside the plans folder or hide the file mapped to "_": "/" and "\" (so ".." can never
// name a folder), control characters (NUL included), and a leading "."; a name too long for the
// file system is shortened. The plan keeps the name as typed inside its file.
//
// Two different names may map to the same file name ("A/B" and "A_B"); the store then numbers
// the second one's file ("A_B-2.nav"), see NavPlanStore.
//
// Threads: pure functions, any thread.

#include <QString>

namespace vantrel::navplans {

class PlanFileName {
public:
    static inline const QString kExtension = QStringLiteral("nav");
    // Longest base in UTF-8 bytes: leaves room for a number and the extension within the
    // 255 bytes that Linux file systems allow.
    static constexpr int kMaxBaseBytes = 200;

    // The safe base (without extension) for a plan name; *changed tells whether it differs from
    // the name. An empty name gives "Untitled".
    static QString baseFor(const QString& planName, bool* changed = nullptr);
    // "<base>.nav" for number 1, "<base>-<number>.nav" after it.
    static QString fileName(const QString& base, int number = 1);
    // The number of fileName within base's sequence, or 0 when it is none of base's names.
    static int numberOf(const QString& fileName, const QString& base);
};

}  // namespace vantrel::navplans
