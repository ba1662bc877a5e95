// The ranch as the host world holds it: scenario points of the types the visitors look for,
// and the player's household going about its day.
#pragma once

#include "world.h"

namespace sim {

// The chore scenario types the visitors look for near the house, for telling a chore from
// the other activities when reading what the plug-in did.
inline constexpr const char* kChoreScenarios[] = {
    "PROP_CAMP_SEAT_CHAIR_TABLE_STEW_QUENTLYS",
    "WORLD_HUMAN_WASH_DISHES_TABLE_LEFT",
    "PROP_HUMAN_FOODPREP_STEW_ALWAYS",
    "PROP_HUMAN_SEAT_CHAIR_MORTAR_PESTLE",
    "WORLD_HUMAN_CLEAN_WINDOW",
    "WORLD_HUMAN_CLEAN_TABLE",
    "WORLD_HUMAN_FAN",
    "WORLD_HUMAN_TWNREC_SCRUB_BLOOD_FLOOR_BUCKET",
    "PROP_HUMAN_SEAT_CHAIR_SEWING_AND_KNITTING",
    "PROP_HUMAN_WOOD_CHOP_AND_SHARPEN_AXE",
    "WORLD_HUMAN_FEED_CHICKEN",
};

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
