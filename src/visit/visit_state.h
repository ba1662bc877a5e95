// Whether a visit runs, who came, and when visits began and ended: written by the start and
// the end of a visit, read by the tests that pace them and by the overlay.
#pragma once

#include <cstdint>

#include "frame/types.h"

namespace tw {

// Who a visit brings: the host's draw picks Both, SadieOnly or CharlesOnly; None after F4.
enum class VisitType : int32_t { None = -1, Both = 0, SadieOnly = 1, CharlesOnly = 2 };

extern bool visitActive;           // a visit is running
extern GameTime visitStartTime;    // read at the very end of startVisit
extern GameTime lastVisitEndTime;  // the cooldown runs from here
extern VisitType visitType;        // Both at load
extern bool startFailed;           // the last start brought nobody; the next waits kStartRetryMs
extern GameTime failedStartTime;   // when that start gave up

// Game time from a start that brought nobody to the next try: one in-game hour.
inline constexpr int32_t kStartRetryMs = 120000;

}  // namespace tw
