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

constexpr int32_t kEndSettleMs = 100;  // ms between clearing the visitors' tasks and removing them

using Hold = StartHold;

bool holdChanged(Hold hold) {
    if (hold == visit.lastHold) return false;
    visit.lastHold = hold;
    return logEnabled;
}

constexpr double kMsPerHour = kMsPerGameHour;

}  // namespace

void runStartTest() {
    const GameTime now = gameGetTimer();
    if (visit.startFailed && elapsed(now, visit.failedStartTime) < kStartRetryMs) {
        if (holdChanged(Hold::Retry))
            logEvent("no visit yet: the last start brought nobody; the next try is in %.1f in-game hours",
                     (kStartRetryMs - elapsed(now, visit.failedStartTime)) / kMsPerHour);
        return;
    }
    const int32_t cooldownMs = hoursToMs(visitCooldown);
    if (elapsed(now, visit.lastVisitEndTime) < cooldownMs) {
        if (holdChanged(Hold::Cooldown))
            logEvent("no visit yet: the cooldown has %.1f in-game hours to run",
                     (cooldownMs - elapsed(now, visit.lastVisitEndTime)) / kMsPerHour);
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

    if (visit.lastVisitEndTime <= 0) {
        startVisit();
    } else if (elapsed(now, visit.lastVisitEndTime) < addTime(cooldownMs, cooldownMs)) {
        if (holdChanged(Hold::Chance))
            logEvent(
                "a visit may start now: each frame has a 15 %% chance, and in %.1f in-game hours it starts "
                "at once",
                (addTime(cooldownMs, cooldownMs) - elapsed(now, visit.lastVisitEndTime)) / kMsPerHour);
        if (miscGetRandomInt(0, 100) < 15) startVisit();
    } else {
        startVisit();
    }
    if (visit.visitActive) visit.lastHold = Hold::None;
}

void runDurationTest() {
    visit.lastHold = Hold::None;  // whatever held the last visit back is told afresh after this one
    const GameTime now = gameGetTimer();
    if (elapsed(now, visit.visitStartTime) < hoursToMs(visitDuration)) return;
    for (VisitorState* v : {&sadie, &charles})
        if (exists(v->ped) && !v->isDeparting) beginDeparture(*v);
}

void runEndTest() {
    if (!exists(sadie.ped) && !exists(charles.ped)) endVisit();
}

void forceVisit() {
    if (!visit.visitActive) startVisit();
}

void resetVisitTimer() {
    visit.visitType = VisitType::None;
    visit.visitActive = false;
    visit.lastVisitEndTime = gameGetTimer();
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
    scriptWait(kEndSettleMs);
    resetVisitor(sadie);
    resetVisitor(charles);

    visit.visitActive = false;
    visit.lastVisitEndTime = gameGetTimer();
    logEvent("visit ended; the next may start in %d in-game hours (%d real minutes)", static_cast<int>(visitCooldown),
             static_cast<int>(visitCooldown) * 2);
    playerSetGreetingLine(playerGetId(), nullptr);

    clearPlayerGreetings();
    for (Visitor& v : visitors) v.householdGreeting.last = 0;

    for (Bedroll& b : bedrolls)
        if (exists(b.object)) deleteEntity(b.object);
    for (Bedroll& b : bedrolls) {
        if (b.sleepPoint == 0) continue;
        if (scenarioPointExists(b.sleepPoint)) scenarioPointDelete(b.sleepPoint);
        b.sleepPoint = 0;
    }

    forgetHousehold();
}

}  // namespace tw
