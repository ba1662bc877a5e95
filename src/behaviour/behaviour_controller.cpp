#include "behaviour/behaviour_controller.h"

#include <algorithm>
#include <cstdint>

#include "behaviour/activities.h"
#include "behaviour/greetings.h"
#include "behaviour/night_sleep.h"
#include "frame/host_api.h"
#include "frame/host_ops.h"
#include "frame/plugin_main.h"

namespace tw {

Handle householdAbigail = 0;
Handle householdUncle = 0;
Handle householdJack = 0;
GameTime householdSearchTime = 0;

namespace {

constexpr int32_t kPedArrayCapacity = 1024;  // handles; the array lives on the fiber's stack
constexpr uint32_t kSettleWaitMs = 100;

bool missingOrAlive(Handle h) { return h == 0 || entityExists(h); }

IntervalTimer& householdTimerOf(bool isCharles) {
    return isCharles ? charlesHouseholdGreeting : sadieHouseholdGreeting;
}
IntervalTimer& campSongTimerOf(bool isCharles) { return isCharles ? charlesCampSong : sadieCampSong; }

}  // namespace

void updateVisitor(VisitorState& v, bool isCharles) {
    if (v.ped == 0 || !entityExists(v.ped) || v.isDeparting) return;
    const GameTime now = gameGetTimer();

    if (!v.hasSettled) {
        if (elapsed(now, v.spawnTime) < v.settleDelay) return;  // still arriving
        taskClearPedTasks(v.ped);
        scriptWait(kSettleWaitMs);
        v.hasSettled = true;
        if (!entityExists(v.ped)) return;  // gone while it settled
        chooseActivity(v, isCharles);
    }

    if (!updateNight(v, isCharles) || v.isSleeping) return;

    refreshHousehold(now);
    // Elapsed time, not a plain comparison: an activity that ends past the wrap of the game
    // timer still ends on time.
    // On its way to bed the night routine owns the visitor: no day activity cuts the walk short.
    if (!v.goingToBed && (v.activityEndTime == 0 || elapsed(now, v.activityEndTime) >= 0)) chooseActivity(v, isCharles);
    checkCampSong(v, campSongTimerOf(isCharles), isCharles);
    greetHousehold(v.ped, householdTimerOf(isCharles), isCharles, now, householdAbigail, householdUncle, householdJack);
}

void chooseActivity(VisitorState& v, bool isCharles) {
    if (tryChore(v, isCharles, gameGetTimer())) return;  // a chore leaves the alternation alone
    if (!v.tryScenarioNext) {
        useNextSpot(v, isCharles);
    } else if (!useNearbyScenario(v)) {
        useNextSpot(v, isCharles);
    }
    v.tryScenarioNext = !v.tryScenarioNext;
}

void refreshHousehold(GameTime now) {
    const bool trusted = householdSearchTime != 0 && missingOrAlive(householdAbigail) &&
                         missingOrAlive(householdUncle) && missingOrAlive(householdJack) &&
                         elapsed(now, householdSearchTime) < householdSearchInterval;
    if (trusted) return;

    householdAbigail = 0;
    householdUncle = 0;
    householdJack = 0;
    householdSearchTime = 0;

    int32_t peds[kPedArrayCapacity] = {};  // zeroed: a host that claims more than it wrote yields no handles
    // The host's count is not trusted: never read past what the array holds.
    const int32_t count = std::clamp(worldGetAllPeds(peds, kPedArrayCapacity), 0, kPedArrayCapacity);
    for (int32_t i = 0; i < count; ++i) {
        const auto ped = static_cast<Handle>(peds[i]);
        if (!entityExists(ped)) continue;
        const Hash model = entityGetModel(ped);
        if (model == householdModelAbigail && householdAbigail == 0) {
            householdAbigail = ped;
        } else if (model == householdModelUncle && householdUncle == 0) {
            householdUncle = ped;
        } else if (model == householdModelJack && householdJack == 0) {
            householdJack = ped;
        }
        if (householdAbigail != 0 && householdUncle != 0 && householdJack != 0) break;
    }
    householdSearchTime = now;
}

}  // namespace tw
