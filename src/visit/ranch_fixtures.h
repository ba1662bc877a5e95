// The two bedrolls the visitors sleep on and their sleep points.
#pragma once

#include <array>

#include "frame/types.h"
#include "visit/world_tables.h"

namespace tw {

// One bedroll as placed at the ranch. Bedroll{} is its load value: nothing placed.
struct Bedroll {
    Handle object = 0;           // the bedroll object
    Handle sleepPoint = 0;       // the sleep point on it
    bool objectFailing = false;  // its last try failed, and the log has told so
    bool pointFailing = false;
};

// Row for row with kBedrolls: bedroll 1 ("s_bedrollfurlined01x", Charles's, heading 325),
// then bedroll 2 ("p_bedrollopen03x", Sadie's, heading 315).
extern std::array<Bedroll, kBedrolls.size()> bedrolls;

// The wait between placing the bedrolls and their sleep points, ms of game time.
inline constexpr uint32_t kFixtureSettleWaitMs = 500;

// Creates whichever of the four is missing. Yields (kFixtureSettleWaitMs and the waits of each try).
void ensureRanchFixtures();
// True when both bedrolls exist and both sleep points exist (tested in that order).
bool ranchFixturesReady();
// Whether ped (normally the player's) has a clear line of sight to position.
bool playerCanSeeCoord(Handle ped, Vec3 position);

}  // namespace tw
