// Whether a visit runs, who came, and when visits began and ended: written by the start and
// the end of a visit, read by the tests that pace them and by the overlay.
#pragma once

#include <cstdint>

#include "frame/types.h"

namespace tw {

// Who a visit brings: the host's draw picks Both, SadieOnly or CharlesOnly; None after F4.
enum class VisitType : int32_t { None = -1, Both = 0, SadieOnly = 1, CharlesOnly = 2 };

// What the log last said holds the next visit back: told when it changes, not on every pass.
enum class StartHold : uint8_t { None, Retry, Cooldown, Mission, Story, Distance, Chance };

// VisitState{} is the load value: no visit, and none ever ended.
struct VisitState {
    bool visitActive = false;       // a visit is running
    GameTime visitStartTime = 0;    // read at the very end of startVisit
    GameTime lastVisitEndTime = 0;  // the cooldown runs from here
    VisitType visitType = VisitType::Both;
    bool startFailed = false;      // the last start brought nobody; the next waits kStartRetryMs
    GameTime failedStartTime = 0;  // when that start gave up
    StartHold lastHold = StartHold::None;
};

extern VisitState visit;

// Game time from a start that brought nobody to the next try: one in-game hour.
inline constexpr int32_t kStartRetryMs = 120000;

}  // namespace tw
