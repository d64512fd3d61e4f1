#pragma once
// The application bundle's information values (resources/Info.plist): CFBundleVersion and so on.
//
// Threads: any thread; the file is read once.

#include "Value.h"

#include <string_view>

namespace vantrel::platform {

// The value of the key in the bundle's information dictionary, or a null Value.
Value infoDictionaryValue(std::string_view key);

}  // namespace vantrel::platform
