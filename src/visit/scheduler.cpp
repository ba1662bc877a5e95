#include <initializer_list>

#include "visit/scheduler.h"

#include "frame/host_ops.h"
#include "frame/plugin_log.h"
#include "frame/settings.h"
#include "visit/departure.h"
#include "visit/visit_start.h"
#include "visit/visitor_state.h"
#include "visit/world_tables.h"

namespace tw {

bool visitActive = false;
GameTime visitStartTime = 0;
GameTime lastVisitEndTime = 0;
int32_t visitType = 0;
bool startFailed = false;
GameTime failedStartTime = 0;

namespace {

bool present(const VisitorState& v) { return v.ped != 0 && entityExists(v.ped); }

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
        if (v->ped != 0 && entityExists(v->ped) && !v->isDeparting) beginDeparture(*v);
}

void runEndTest() {
    if (!present(sadie) && !present(charles)) endVisit();
}

void forceVisit() {
    if (!visitActive) startVisit();
}

void resetVisitTimer() {
    visitType = -1;
    visitActive = false;
    lastVisitEndTime = gameGetTimer();
    if (present(sadie) || present(charles)) endVisit();
}

void departNow() {
    for (VisitorState* v : {&sadie, &charles})
        if (present(*v)) beginDeparture(*v);
}

}  // namespace tw
