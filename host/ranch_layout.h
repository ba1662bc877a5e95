// The ranch as the host world holds it: scenario points of the types the visitors look for,
// and the player's household going about its day.
#pragma once

#include <array>

#include "visit/world_tables.h"
#include "world.h"

namespace host {

// The chore scenario types the visitors look for near the house (the plug-in's own lists),
// for telling a chore from the other activities when reading what the plug-in did.
inline constexpr auto kChoreScenarios = [] {
    std::array<const char*, 1 + tw::kSadieChoreScenarios.size() + tw::kCharlesChoreScenarios.size()> all{};
    std::size_t n = 0;
    all[n++] = tw::kStewChoreScenario;
    for (const char* c : tw::kSadieChoreScenarios) all[n++] = c;
    for (const char* c : tw::kCharlesChoreScenarios) all[n++] = c;
    return all;
}();

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

}  // namespace host
