// The ranch as the host world holds it: scenario points of the types the visitors look for,
// and the player's household going about its day.
#pragma once

#include "world.h"

namespace sim {

// Places the ranch's scenario points and household. ranchTick does it on the first frame
// unless World::ranchPopulate is false.
void populateRanch(World& w);

// Called once per frame by worldTick, after tasks and movement: the household picks its
// next errand, and a finished greeting exchange is forgotten.
void ranchTick(World& w);

// The player greets ped, as the host does when the player presses greet near it: it takes
// only when the player has a greeting line and the ped an answer armed. Returns whether it took.
bool playerGreets(World& w, Handle ped);

// The household peds populateRanch created (0 when it has not run).
struct RanchHousehold {
    Handle abigail = 0;
    Handle uncle = 0;
    Handle jack = 0;
    Handle banjoBench = 0;  // the point Uncle plays at
};
const RanchHousehold& ranchHousehold();

}  // namespace sim
