// The ranch as the host world holds it: scenario points of the types the visitors look for,
// and the player's household.
#pragma once

#include "world.h"

namespace sim {

// Called once per frame by worldTick, after tasks and movement.
void ranchTick(World& w);

}  // namespace sim
