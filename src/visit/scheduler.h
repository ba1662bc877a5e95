// When a visit begins and ends, and the developer hotkey actions on it.
#pragma once

#include "visit/visit_state.h"

namespace tw {

void runStartTest();     // every ready pass while no visit is active
void runDurationTest();  // every ready pass while a visit is active
void runEndTest();
// Clears the visitors away and the ranch with them, and starts the cooldown.
void endVisit();

void forceVisit();       // F2
void resetVisitTimer();  // F4
void departNow();        // I

}  // namespace tw
