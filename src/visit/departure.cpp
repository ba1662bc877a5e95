#include "visit/departure.h"

#include <initializer_list>

#include "behaviour/greetings.h"
#include "behaviour/night_sleep.h"
#include "frame/host_ops.h"
#include "frame/plugin_log.h"
#include "visit/ranch_fixtures.h"
#include "visit/world_tables.h"

namespace tw {

namespace {

constexpr float kMountOrderReach = 3.0f;  // m: at departure start, mount from here, else walk
constexpr float kAtHorseReach = 3.5f;     // m: within it the visitor is put in the saddle
constexpr int32_t kStuckCheckMs = 5000;
constexpr float kStuckMinMove = 1.0f;  // m between two stuck checks
constexpr int32_t kStuckTeleportCount = 3;
constexpr float kTeleportOffset = 5.0f;  // m from the horse in x and in y
constexpr int32_t kMountRetryMs = 2000;
constexpr int32_t kRideOrderMs = 10000;
constexpr int32_t kRideOffsetRange = 150;   // m, ride-away targets drawn in [-150, 150)
constexpr float kWalkAwayOffset = 100.0f;   // m in x and in y, visitor without a horse
constexpr float kRemovalDistance = 200.0f;  // m from the player
constexpr int32_t kSettleMs = 100;

void orderWalkToHorse(const VisitorState& v) { taskGoToEntity(v.ped, v.horse); }

// The rider's position is read before the horse's, whatever order the compiler picks for arguments.
float distanceToHorse(const VisitorState& v) {
    const Vec3 rider = positionOf(v.ped);
    return distance(rider, positionOf(v.horse));
}

// On foot and farther than kAtHorseReach from the horse.
void walkToHorse(VisitorState& v, GameTime now) {
    const int32_t status = taskGetScriptTaskStatus(v.ped, miscGetHashKey("SCRIPT_TASK_GO_TO_ENTITY"));
    if (status == kTaskNotFound || status == kTaskFinished) {
        // No walk left to run: order it again and restart the stuck watch.
        orderWalkToHorse(v);
        v.lastCheckTime = 0;
        v.mountOrderTime = now;
        return;
    }
    // A walk given but not yet started counts as running: one that never starts is
    // re-ordered and, in the end, moved next to the horse like a stuck one.
    if (status != kTaskRunning && status != kTaskWaitingToStart) return;

    const Vec3 p = positionOf(v.ped);
    if (v.lastCheckTime != 0 && elapsed(now, v.lastCheckTime) < kStuckCheckMs) return;
    if (v.lastCheckTime == 0 || distance(v.lastCheckPos, p) >= kStuckMinMove) {
        v.lastCheckPos = p;
        v.lastCheckTime = now;
        return;
    }

    taskClearPedTasks(v.ped);
    scriptWait(kSettleMs);
    if (!exists(v.ped) || !exists(v.horse)) return;  // gone during the wait; the next pass sees to it
    orderWalkToHorse(v);
    v.lastCheckTime = now;
    v.lastCheckPos = p;
    if (++v.stuckCount >= kStuckTeleportCount) {
        const Vec3 h = positionOf(v.horse);
        entitySetCoords(v.ped, h.x + kTeleportOffset, h.y + kTeleportOffset, h.z);
        v.stuckCount = 0;
    }
}

// On foot within kAtHorseReach of the horse: into the saddle, hidden by a blink if seen.
void putInSaddle(VisitorState& v, GameTime now) {
    if (v.mountOrdered && elapsed(now, v.mountOrderTime) <= kMountRetryMs) return;
    if (hasClearLineOfSight(playerGetPed(), v.ped)) {
        graphicsPlayScreenEffect("CamTransitionBlink");
        scriptWait(kSettleMs);
        if (!exists(v.ped) || !exists(v.horse)) return;  // gone during the blink
    }
    pedSetOnMount(v.ped, v.horse);
    v.mountOrdered = true;
    v.mountOrderTime = now;
}

void rideAway(VisitorState& v, GameTime now) {
    v.mountOrdered = false;
    if (v.rideOrderTime == 0 || elapsed(now, v.rideOrderTime) > kRideOrderMs) {
        const int32_t dx = miscGetRandomInt(-kRideOffsetRange, kRideOffsetRange);
        const int32_t dy = miscGetRandomInt(-kRideOffsetRange, kRideOffsetRange);
        const Vec3 p = positionOf(v.ped);
        taskFollowNavMeshToCoord(v.ped, p.x + static_cast<float>(dx), p.y + static_cast<float>(dy), p.z, 2.0f, 1.0f,
                                 entityGetHeading(v.ped));
        v.rideOrderTime = now;
    }
    const Handle player = playerGetPed();
    const Vec3 p = positionOf(v.ped);
    if (distance(p, positionOf(player)) < kRemovalDistance) return;
    if (playerCanSeeCoord(player, p)) return;
    logEvent("%s has ridden out of sight and is removed", visitorName(v));
    resetVisitor(v);
}

}  // namespace

void beginDeparture(VisitorState& v) {
    if (!exists(v.ped) || v.isDeparting) return;
    taskClearPedTasks(v.ped);
    scriptWait(kSettleMs);
    // Out of bed, or off the way to it, and into day clothes: nobody rides away in nightclothes.
    // A ped gone during the wait is not dressed.
    if (v.wearingSleepOutfit && !exists(v.ped)) v.wearingSleepOutfit = false;
    getOutOfBed(v);
    speakLine(v.ped, "HEADING_OUT");
    v.isDeparting = true;
    v.departStartTime = gameGetTimer();
    logEvent("%s heads out to leave", visitorName(v));
    v.mountOrderTime = 0;
    v.stuckCount = 0;
    v.rideOrderTime = 0;
    v.mountOrdered = false;
    // The stuck watch starts afresh: a position kept from an earlier departure says nothing.
    v.lastCheckTime = 0;
    v.lastCheckPos = {};
    if (!exists(v.horse)) return;  // the update walks it away on foot
    if (!exists(v.ped)) return;    // gone during the wait; the update clears the record

    if (distanceToHorse(v) > kMountOrderReach) {
        orderWalkToHorse(v);
    } else {
        taskMountAnimal(v.ped, v.horse);
        v.mountOrdered = true;
        v.mountOrderTime = gameGetTimer();
    }
}

void updateDeparture(VisitorState& v) {
    if (!v.isDeparting) return;
    if (!exists(v.ped)) {
        logEvent("%s is gone from the world; the departure is over", visitorName(v));
        return resetVisitor(v);
    }
    const GameTime now = gameGetTimer();
    if (elapsed(now, v.departStartTime) > kDepartureLimitMs) {
        logEvent("%s is removed where it stands: %d s after heading out it had not got away", visitorName(v),
                 static_cast<int>(kDepartureLimitMs / 1000));
        return resetVisitor(v);
    }

    if (pedIsOnMount(v.ped)) return rideAway(v, now);

    if (!exists(v.horse)) {
        // The target moves ahead with the visitor on every pass; only the time limit removes it.
        const Vec3 p = positionOf(v.ped);
        taskFollowNavMeshToCoord(v.ped, p.x + kWalkAwayOffset, p.y + kWalkAwayOffset, p.z, 1.0f, 1.0f,
                                 entityGetHeading(v.ped));
        v.rideOrderTime = now;
        return;
    }
    if (distanceToHorse(v) > kAtHorseReach) return walkToHorse(v, now);
    putInSaddle(v, now);
}

void resetVisitor(VisitorState& v) {
    if (exists(v.ped)) deleteEntity(v.ped);
    if (exists(v.horse)) deleteEntity(v.horse);
    deleteCreatedPoint(v);
    v.ped = 0;
    v.horse = 0;
    v.activityEndTime = 0;
    v.isSleeping = false;
    v.goingToBed = false;
    v.bedPoint = 0;
    v.outfitPreset = 0;
    v.wearingSleepOutfit = false;
    v.isDeparting = false;
    v.departStartTime = 0;
    v.nextHorseScenarioTime = 0;
    v.spawnTime = 0;
    v.hasSettled = false;
    v.mountOrderTime = 0;
    v.stuckCount = 0;
    v.mountOrdered = false;
}

void deleteEntity(Handle& entity) {
    if (entityExists(entity)) {
        entitySetScriptOwned(entity);
        pedDelete(&entity);
        entityDelete(&entity);
    }
    entity = 0;
}

}  // namespace tw
