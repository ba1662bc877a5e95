#include "behaviour/activities.h"

namespace tw {

GameTime lastStewTime = 0;

bool tryChore(VisitorState&, bool, GameTime) { return false; }
bool useNearbyScenario(VisitorState&) { return false; }
void useNextSpot(VisitorState&, bool) {}
void updateHorse(VisitorState&) {}

}  // namespace tw
