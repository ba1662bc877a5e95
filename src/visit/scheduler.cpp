#include <initializer_list>

#include "visit/scheduler.h"

#include "frame/host_ops.h"
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
}  // namespace

void runStartTest() {
    const GameTime now = gameGetTimer();
    if (startFailed && elapsed(now, failedStartTime) < kStartRetryMs) return;
    const int32_t cooldownMs = hoursToMs(visitCooldown);
    if (elapsed(now, lastVisitEndTime) < cooldownMs) return;
    if (missionIsActive()) return;
    if (!missionIsCompleted(miscGetHashKey("FIN2"))) return;
    if (distance(entityGetCoords(playerGetPed(), 0), ranchPoint) > 100.0f) return;

    if (lastVisitEndTime <= 0) {
        startVisit();
    } else if (elapsed(now, lastVisitEndTime) < addTime(cooldownMs, cooldownMs)) {
        if (miscGetRandomInt(0, 100) < 15) startVisit();
    } else {
        startVisit();
    }
}

void runDurationTest() {
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
