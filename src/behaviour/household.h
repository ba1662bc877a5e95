// The player's household as the visitors meet it: who is at the ranch, found by model, and
// kept for a while so the search does not run on every pass.
#pragma once

#include <cstdint>

#include "frame/types.h"

namespace tw {

extern Handle householdAbigail;
extern Handle householdUncle;
extern Handle householdJack;
extern GameTime householdSearchTime;                       // 0 = never searched
inline constexpr int32_t householdSearchInterval = 30000;  // ms a search result is trusted

// The models the search and the household greetings recognise; hashed when the main loop
// starts, 0 until then.
extern Hash householdModelAbigail;  // "cs_abigailroberts"
extern Hash householdModelUncle;    // "cs_uncle"
extern Hash householdModelJack;     // "cs_jackmarston_teen"

// Searches the world's peds again unless the last result is recent and none of it has gone.
void refreshHousehold(GameTime now);
// Forgets whoever was found: the next refresh searches again.
void forgetHousehold();

}  // namespace tw
