#include "behaviour/night_sleep.h"

#include <initializer_list>

#include "behaviour/greetings.h"
#include "behaviour/household.h"
#include "frame/host_ops.h"
#include "visit/ranch_fixtures.h"
#include "visit/world_tables.h"

namespace tw {

namespace {

constexpr float kAtBedDistance = 2.5f;  // m from the walk target to lie down
constexpr float kSongDistance = 8.0f;   // m from the musician

Hash navMeshTaskHash = 0;  // "SCRIPT_TASK_FOLLOW_NAV_MESH_TO_COORD", hashed on first use

bool fixturesPresent() {
    return bedrolls[0].object != 0 && bedrolls[1].object != 0 && bedrolls[0].sleepPoint != 0 &&
           bedrolls[1].sleepPoint != 0 && scenarioPointExists(bedrolls[0].sleepPoint) &&
           scenarioPointExists(bedrolls[1].sleepPoint);
}

// Changes into the sleep outfit, but only where the player cannot watch.
void changeForBedUnseen(VisitorState& v, bool isCharles, const Vec3& pos) {
    if (v.wearingSleepOutfit || playerCanSeeCoord(playerGetPed(), pos)) return;
    pedSetOutfitPreset(v.ped, visitorFacts(isCharles).sleepOutfit);
    v.wearingSleepOutfit = true;
}

void wakeUp(VisitorState& v) {
    taskClearPedTasks(v.ped);
    v.activityEndTime = 0;  // a day activity is chosen later in this pass
    getOutOfBed(v);
}

// Morning: a sleeper gets up; one still on its way to bed gets the day back at once, and
// anyone left in nightclothes changes.
void startDay(VisitorState& v) {
    if (v.isSleeping) return wakeUp(v);
    if (v.goingToBed) {
        v.goingToBed = false;
        v.activityEndTime = 0;
    }
    getOutOfBed(v);
}

bool isDay(int32_t hour) { return hour >= kDayStartHour && hour <= kDayEndHour; }

// The scenario point the ped is playing at is of the given type.
bool playsAt(Handle ped, Hash type) {
    const Handle p = pedGetScenarioPointInUse(ped);
    return p != 0 && scenarioPointGetType(p) == type;
}

}  // namespace

void resetNight() { navMeshTaskHash = 0; }

bool updateNight(VisitorState& v, bool isCharles) {
    if (!exists(v.ped)) return false;
    if (!fixturesPresent()) {
        // A sleep point the host took away is made afresh, not kept as a handle to nothing.
        for (Bedroll& b : bedrolls)
            if (b.sleepPoint != 0 && !scenarioPointExists(b.sleepPoint)) b.sleepPoint = 0;
        ensureRanchFixtures();                   // rebuilt after the last visit ended; no night handling this pass
        if (!entityExists(v.ped)) return false;  // gone while the fixtures were made
        v.goingToBed = false;                    // no bed to go to: the day's activities go on
        // A sleeper is still woken in the morning, bed or no bed, and nightclothes still come off.
        if ((v.isSleeping || v.wearingSleepOutfit) && isDay(clockGetHours())) startDay(v);
        return true;
    }

    const int32_t hour = clockGetHours();
    if (isDay(hour)) {
        startDay(v);
        return true;
    }
    if (v.isSleeping) return true;

    // Each sleeps at its own bedroll. While the bed is missing or taken the visitor goes on
    // with its day.
    const std::size_t bedroll = visitorFacts(isCharles).bedroll;
    const Handle bed = bedrolls[bedroll].sleepPoint;
    const Vec3 target = kBedrolls[bedroll].position;
    if (bed == 0 || !scenarioPointExists(bed)) {
        v.goingToBed = false;
        return true;
    }
    const Handle user = scenarioPointGetUser(bed);
    if (exists(user) && user != v.ped) {  // taken; try again next pass
        v.goingToBed = false;
        return true;
    }

    const Vec3 pos = positionOf(v.ped);
    const float d = distance(pos, target);
    if (d > kAtBedDistance) {
        if (navMeshTaskHash == 0) navMeshTaskHash = miscGetHashKey("SCRIPT_TASK_FOLLOW_NAV_MESH_TO_COORD");
        // A walk just given has not started yet; only a finished or missing walk is ordered again.
        const int32_t status = taskGetScriptTaskStatus(v.ped, navMeshTaskHash);
        if (status == kTaskWaitingToStart || status == kTaskRunning) return true;
        changeForBedUnseen(v, isCharles, pos);
        taskClearPedTasks(v.ped);
        speakLine(v.ped, "TIME_FOR_BED");
        taskFollowNavMeshToCoord(v.ped, target.x, target.y, target.z, 1.0f, 0.5f, 0.0f);
        v.goingToBed = true;  // no day activity may cut the walk short
        return true;
    }
    changeForBedUnseen(v, isCharles, pos);
    taskClearPedTasks(v.ped);
    taskUseScenarioPoint(v.ped, bed, -1.0f);  // sleeps until given another task
    v.bedPoint = bed;
    v.isSleeping = true;
    v.goingToBed = false;
    v.activityEndTime = 0;
    return true;
}

void getOutOfBed(VisitorState& v) {
    v.isSleeping = false;
    v.goingToBed = false;
    v.bedPoint = 0;
    if (v.wearingSleepOutfit) {
        pedSetOutfitPreset(v.ped, static_cast<int32_t>(v.outfitPreset));
        v.wearingSleepOutfit = false;
    }
}

void checkCampSong(VisitorState& v, IntervalTimer& timer, bool isCharles) {
    if (!exists(v.ped) || v.isSleeping) return;
    const GameTime now = gameGetTimer();
    if (elapsed(now, timer.last) < timer.interval) return;

    refreshHousehold(now);
    const Vec3 pos = positionOf(v.ped);

    if (exists(householdUncle) && distance(positionOf(householdUncle), pos) <= kSongDistance &&
        playsAt(householdUncle, scenarios.benchBanjo)) {
        speakLine(v.ped, "CAMP_SONG_TRANSITION");
        timer.last = now;
        return;
    }
    if (!isCharles) return;  // Sadie does not react to her own harmonica

    if (exists(sadie.ped) && !sadie.isSleeping && distance(positionOf(sadie.ped), pos) <= kSongDistance &&
        playsAt(sadie.ped, scenarios.benchHarmonica)) {
        speakLine(v.ped, "CAMP_SONG_TRANSITION");
        timer.last = now;
    }
}

}  // namespace tw
