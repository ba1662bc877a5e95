#include "visit/scheduler.h"

#include <initializer_list>

#include "behaviour/greetings.h"
#include "behaviour/household.h"
#include "frame/host_ops.h"
#include "frame/plugin_log.h"
#include "frame/settings.h"
#include "visit/departure.h"
#include "visit/ranch_fixtures.h"
#include "visit/visit_start.h"
#include "visit/visitor_state.h"
#include "visit/world_tables.h"

namespace tw {

namespace {

constexpr int32_t kSettleMs = 100;  // ms between clearing the visitors' tasks and removing them

// What holds the next visit back, for the log: written when it changes, not on every pass.
enum class Hold : uint8_t { None, Retry, Cooldown, Mission, Story, Distance, Chance };
Hold lastHold = Hold::None;

bool holdChanged(Hold hold) {
    if (hold == lastHold) return false;
    lastHold = hold;
    return logEnabled;
}

constexpr double kMsPerHour = kMsPerGameHour;

}  // namespace

void runStartTest() {
    const GameTime now = gameGetTimer();
    if (startFailed && elapsed(now, failedStartTime) < kStartRetryMs) {
        if (holdChanged(Hold::Retry))
            logEvent("no visit yet: the last start brought nobody; the next try is in %.1f in-game hours",
                     (kStartRetryMs - elapsed(now, failedStartTime)) / kMsPerHour);
        return;
    }
    const int32_t cooldownMs = hoursToMs(visitCooldown);
    if (elapsed(now, lastVisitEndTime) < cooldownMs) {
        if (holdChanged(Hold::Cooldown))
            logEvent("no visit yet: the cooldown has %.1f in-game hours to run",
                     (cooldownMs - elapsed(now, lastVisitEndTime)) / kMsPerHour);
        return;
    }
    if (missionIsActive()) {
        if (holdChanged(Hold::Mission)) logEvent("no visit yet: a story mission is running");
        return;
    }
    if (!missionIsCompleted(miscGetHashKey("FIN2"))) {
        if (holdChanged(Hold::Story)) logEvent("no visit yet: the story mission FIN2 is not completed");
        return;
    }
    if (const float d = distance(entityGetCoords(playerGetPed(), 0), ranchPoint); d > 100.0f) {
        if (holdChanged(Hold::Distance))
            logEvent("no visit yet: the player is %.0f m from the ranch; visits come within 100 m",
                     static_cast<double>(d));
        return;
    }

    if (lastVisitEndTime <= 0) {
        startVisit();
    } else if (elapsed(now, lastVisitEndTime) < addTime(cooldownMs, cooldownMs)) {
        if (holdChanged(Hold::Chance))
            logEvent(
                "a visit may start now: each frame has a 15 %% chance, and in %.1f in-game hours it starts "
                "at once",
                (addTime(cooldownMs, cooldownMs) - elapsed(now, lastVisitEndTime)) / kMsPerHour);
        if (miscGetRandomInt(0, 100) < 15) startVisit();
    } else {
        startVisit();
    }
    if (visitActive) lastHold = Hold::None;
}

void runDurationTest() {
    lastHold = Hold::None;  // whatever held the last visit back is told afresh after this one
    const GameTime now = gameGetTimer();
    if (elapsed(now, visitStartTime) < hoursToMs(visitDuration)) return;
    for (VisitorState* v : {&sadie, &charles})
        if (exists(v->ped) && !v->isDeparting) beginDeparture(*v);
}

void runEndTest() {
    if (!exists(sadie.ped) && !exists(charles.ped)) endVisit();
}

void forceVisit() {
    if (!visitActive) startVisit();
}

void resetVisitTimer() {
    visitType = VisitType::None;
    visitActive = false;
    lastVisitEndTime = gameGetTimer();
    if (exists(sadie.ped) || exists(charles.ped)) endVisit();
}

void departNow() {
    for (VisitorState* v : {&sadie, &charles})
        if (exists(v->ped)) beginDeparture(*v);
}

void endVisit() {
    for (VisitorState* v : {&sadie, &charles}) {
        if (!exists(v->ped)) continue;
        pedSetGreetingResponse(v->ped, nullptr);
        playerSetGreetingLine(playerGetId(), nullptr);
        taskClearPedTasks(v->ped);
        // Only a point that still exists goes now; a dead handle is left for the reset to test and clear.
        if (v->createdScenarioPoint != 0 && scenarioPointExists(v->createdScenarioPoint)) {
            scenarioPointDelete(v->createdScenarioPoint);
            v->createdScenarioPoint = 0;
        }
    }
    scriptWait(kSettleMs);
    resetVisitor(sadie);
    resetVisitor(charles);

    visitActive = false;
    lastVisitEndTime = gameGetTimer();
    logEvent("visit ended; the next may start in %d in-game hours (%d real minutes)", static_cast<int>(visitCooldown),
             static_cast<int>(visitCooldown) * 2);
    playerSetGreetingLine(playerGetId(), nullptr);

    clearPlayerGreetings();
    sadieHouseholdGreeting.last = 0;
    charlesHouseholdGreeting.last = 0;

    for (Handle* bedroll : {&bedroll1, &bedroll2})
        if (exists(*bedroll)) deleteEntity(*bedroll);
    for (Handle* point : {&sleepPoint1, &sleepPoint2}) {
        if (*point == 0) continue;
        if (scenarioPointExists(*point)) scenarioPointDelete(*point);
        *point = 0;
    }

    forgetHousehold();
}

}  // namespace tw
