#include "behaviour/behaviour_controller.h"

#include <cstdint>

#include "behaviour/activities.h"
#include "behaviour/greetings.h"
#include "behaviour/household.h"
#include "behaviour/night_sleep.h"
#include "frame/host_ops.h"

namespace tw {

namespace {

constexpr uint32_t kSettleWaitMs = 100;

}  // namespace

void updateVisitor(VisitorState& v, bool isCharles) {
    if (!exists(v.ped) || v.isDeparting) return;
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
    checkCampSong(v, visitorOf(isCharles).campSong, isCharles);
    greetHousehold(v.ped, visitorOf(isCharles).householdGreeting, isCharles, now, householdAbigail, householdUncle,
                   householdJack);
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

}  // namespace tw
