// The player's household as the visitors meet it: who is at the ranch, found by model, and
// kept for a while so the search does not run on every pass.
#pragma once

#include <array>
#include <cstdint>

#include "frame/types.h"

namespace tw {

extern Handle householdAbigail;
extern Handle householdUncle;
extern Handle householdJack;
extern GameTime householdSearchTime;                       // 0 = never searched
inline constexpr int32_t householdSearchInterval = 30000;  // ms a search result is trusted

// The household members the visitors greet, by model: Abigail, the uncle and Jack, in the
// order they are hashed and searched for.
inline constexpr std::array<const char*, 3> kHouseholdModelNames{"cs_abigailroberts", "cs_uncle",
                                                                 "cs_jackmarston_teen"};

// Those models' hashes, made when the main loop starts; 0 until then.
extern Hash householdModelAbigail;
extern Hash householdModelUncle;
extern Hash householdModelJack;

// Searches the world's peds again unless the last result is recent and none of it has gone.
void refreshHousehold(GameTime now);
// Forgets whoever was found: the next refresh searches again.
void forgetHousehold();
// Back to the load value: nobody found, the models not hashed yet.
void resetHousehold();

}  // namespace tw
