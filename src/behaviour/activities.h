// Starting the visitors' activities (chores, activity spots, nearby seats) and the horses' rest.
#pragma once

#include "frame/types.h"
#include "visit/visitor_state.h"

namespace tw {

extern GameTime lastStewTime;  // last stew chore start, shared by both visitors; 0 at load

// Back to the load value: no stew chore yet, the chore and scenario lists not hashed yet.
void resetActivities();

bool tryChore(VisitorState& v, bool isCharles, GameTime now);
bool useNearbyScenario(VisitorState& v);
void useNextSpot(VisitorState& v, bool isCharles);
void updateHorse(VisitorState& v);

}  // namespace tw
