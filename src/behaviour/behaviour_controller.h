// The per-pass brain of one visitor, and the cache of the player's household.
#pragma once

#include "frame/types.h"
#include "visit/visitor_state.h"

namespace tw {

extern Handle householdAbigail;
extern Handle householdUncle;
extern Handle householdJack;
extern GameTime householdSearchTime;                       // 0 = never searched
inline constexpr int32_t householdSearchInterval = 30000;  // ms a search result is trusted

void updateVisitor(VisitorState& v, bool isCharles);
void chooseActivity(VisitorState& v, bool isCharles);
void refreshHousehold(GameTime now);

}  // namespace tw
