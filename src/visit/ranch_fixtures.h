// The two bedrolls the visitors sleep on and their sleep points.
#pragma once

#include "frame/types.h"

namespace tw {

extern Handle bedroll1;     // "s_bedrollfurlined01x" object, Charles's
extern Handle bedroll2;     // "p_bedrollopen03x" object, Sadie's
extern Handle sleepPoint1;  // at bedroll 1, heading 325
extern Handle sleepPoint2;  // at bedroll 2, heading 315

// Creates whichever of the four is missing. Yields.
void ensureRanchFixtures();
// True when both bedrolls exist and both sleep points exist (tested in that order).
bool ranchFixturesReady();
// Whether ped (normally the player's) has a clear line of sight to position.
bool playerCanSeeCoord(Handle ped, Vec3 position);

}  // namespace tw
