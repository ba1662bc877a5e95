// When a visit begins and ends, and the developer hotkey actions on it.
#pragma once

#include "frame/types.h"

namespace tw {

extern bool visitActive;           // a visit is running
extern GameTime visitStartTime;    // read at the very end of startVisit
extern GameTime lastVisitEndTime;  // the cooldown runs from here
extern int32_t visitType;          // 0 both, 1 Sadie only, 2 Charles only; -1 after F4
extern bool startFailed;           // the last start brought nobody; the next waits kStartRetryMs
extern GameTime failedStartTime;   // when that start gave up

// Game time from a start that brought nobody to the next try: one in-game hour.
inline constexpr int32_t kStartRetryMs = 120000;

void runStartTest();     // every ready pass while no visit is active
void runDurationTest();  // every ready pass while a visit is active
void runEndTest();

void forceVisit();       // F2
void resetVisitTimer();  // F4
void departNow();        // I

}  // namespace tw
