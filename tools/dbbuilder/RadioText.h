#pragma once
// Radio frequencies and DME channels written the way pilots read them off a chart:
// VHF in MHz with two decimals, or three where the 25 / 8.33 kHz raster needs them ("113.00",
// "114.85", "122.725"); NDB in kHz without trailing zeros ("375", "415.5"); DME channels as three
// digits and the X/Y suffix ("017Y", "095X").
//
// Pure functions; any thread.

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::dbbuilder {

// VHF frequency given in kHz (114850 -> "114.85"). kHz must be positive.
std::string vhfText(int kHz);

// NDB frequency in kHz (375 -> "375", 415.5 -> "415.5"), to 0.01 kHz. kHz must be positive.
std::string ndbText(double kHz);

// A channel as written in the source ("95X", "095x", "017Y") in its usual form, or nothing when
// the text is not a channel 1..126 with X or Y.
std::optional<std::string> dmeChannelText(std::string_view raw);

// The DME channel paired with a VHF frequency in kHz (the ICAO pairing: 108.00-112.25 MHz are
// channels 17-59, 112.30-117.95 are 70-126, 133.30-134.25 are 60-69 and 134.40-135.95 are 1-16;
// a .x5 frequency gives the Y channel), or nothing for a frequency off that raster.
std::optional<std::string> dmeChannelForVhf(int kHz);

}  // namespace vantrel::dbbuilder
