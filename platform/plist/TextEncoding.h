#pragma once
// The text encodings of property lists: binary plists store ASCII (or, from some writers, Latin-1)
// or UTF-16BE texts; Values hold UTF-8. Malformed input becomes U+FFFD, so every text a reader
// hands on is valid UTF-8.
//
// Threads: pure functions; any thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::platform::plist {

bool isAscii(std::string_view s) noexcept;

// UTF-16BE (`units` 16-bit units at p) as UTF-8; an unpaired surrogate becomes U+FFFD.
void appendUtf16AsUtf8(std::string& out, const uint8_t* p, size_t units);

// Latin-1 bytes as UTF-8.
void appendLatin1AsUtf8(std::string& out, std::string_view latin1);

// UTF-8 with each malformed byte replaced by U+FFFD.
void appendValidUtf8(std::string& out, std::string_view bytes);

// UTF-8 as UTF-16BE; returns the number of 16-bit units.
size_t appendUtf8AsUtf16(std::string& out, std::string_view utf8);

}  // namespace vantrel::platform::plist
