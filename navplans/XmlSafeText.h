#pragma once
// Texts an XML property list can hold. XML 1.0 has no form, escaped or not, for NUL, most other
// control characters, U+FFFE, U+FFFF or half a surrogate pair; a plist writer that put them in
// raw would make a file no XML reader accepts. These helpers leave such characters out, so that
// every plan file stays a valid XML document.
//
// Threads: pure functions, any thread (xmlSafeCopy reads the containers it is given: call it
// where nobody changes them).

#include "platform/core/Value.h"

#include <QString>

namespace vantrel::navplans {

// The text without the characters XML cannot hold; *changed tells whether any was left out.
QString xmlSafeText(const QString& text, bool* changed = nullptr);

// The value itself when every text in it (dictionary keys included) is XML-safe; otherwise a
// copy in which the offending texts are made safe, sharing every part that needed no change.
platform::Value xmlSafeCopy(const platform::Value& value, bool* changed = nullptr);

}  // namespace vantrel::navplans
