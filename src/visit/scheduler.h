// When a visit begins and ends, and the developer hotkey actions on it.
#pragma once

#include "frame/types.h"

namespace tw {

extern bool visitActive;           // a visit is running
extern GameTime visitStartTime;    // read at the very end of startVisit
extern GameTime lastVisitEndTime;  // the cooldown runs from here
extern int32_t visitType;          // 0 both, 1 Sadie only, 2 Charles only; -1 after F4

void runStartTest();     // every ready pass while no visit is active
void runDurationTest();  // every ready pass while a visit is active
void runEndTest();

void forceVisit();       // F2
void resetVisitTimer();  // F4
void departNow();        // I

}  // namespace tw
