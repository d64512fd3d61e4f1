#pragma once
// Keys of a flight record, interned once for the whole process; constants for any thread.

#include "platform/core/Value.h"

namespace vantrel::logbook::keys {

using platform::Key;

inline const Key timestamp{"timestamp"};
inline const Key departure{"departure"};
inline const Key arrival{"arrival"};
inline const Key blockOff{"block_off"};
inline const Key takeOff{"take_off"};
inline const Key landing{"landing"};
inline const Key blockOn{"block_on"};

}  // namespace vantrel::logbook::keys
