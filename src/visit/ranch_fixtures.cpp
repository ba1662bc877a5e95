#include "visit/ranch_fixtures.h"

#include "frame/host_ops.h"
#include "frame/plugin_log.h"
#include "visit/model_loading.h"
#include "visit/world_tables.h"

namespace tw {

std::array<Bedroll, kBedrolls.size()> bedrolls{};

namespace {

// A failure is told once, not on every try; a success clears the flag.
bool newFailure(bool& failing) {
    const bool fresh = !failing;
    failing = true;
    return fresh;
}

void ensureBedroll(Bedroll& b, Hash model, Vec3 position, float heading, int number) {
    if (entityExists(b.object)) return;
    if (waitForModel(model, kFixtureModelWait)) {
        b.object = objectCreate(model, position.x, position.y, position.z);
        if (entityExists(b.object)) {
            entitySetHeading(b.object, heading);
            b.objectFailing = false;
            scriptWait(200);
        } else if (newFailure(b.objectFailing)) {
            logEvent("the game refused to create bedroll %d; it is tried again", number);
        }
    } else if (newFailure(b.objectFailing)) {
        logEvent("the model of bedroll %d did not load within %d ms; it is tried again", number,
                 static_cast<int>(kModelLoadLimitMs));
    }
    streamingReleaseModel(model);
}

void ensureSleepPoint(Bedroll& b, Vec3 position, float heading, int number) {
    Handle& point = b.sleepPoint;
    if (point != 0) return;
    for (int attempt = 0; attempt < 3; ++attempt) {
        point = scenarioPointCreate(miscGetHashKey(kSleepPointScenario), position.x, position.y, position.z, heading,
                                    -1, 1);
        scriptWait(100);
        if (point != 0 && scenarioPointExists(point)) {
            b.pointFailing = false;
            return;
        }
        point = 0;
    }
    if (newFailure(b.pointFailing))
        logEvent("the sleep point at bedroll %d failed three times; it is tried again later", number);
}

}  // namespace

void ensureRanchFixtures() {
    ensureBedroll(bedrolls[0], models.bedrollFurLined, kBedrolls[0].position, kBedrolls[0].heading, 1);
    ensureBedroll(bedrolls[1], models.bedrollOpen, kBedrolls[1].position, kBedrolls[1].heading, 2);
    scriptWait(kFixtureSettleWaitMs);
    ensureSleepPoint(bedrolls[0], kBedrolls[0].position, kBedrolls[0].heading, 1);
    ensureSleepPoint(bedrolls[1], kBedrolls[1].position, kBedrolls[1].heading, 2);
}

bool ranchFixturesReady() {
    return exists(bedrolls[0].object) && exists(bedrolls[1].object) && bedrolls[0].sleepPoint != 0 &&
           scenarioPointExists(bedrolls[0].sleepPoint) && bedrolls[1].sleepPoint != 0 &&
           scenarioPointExists(bedrolls[1].sleepPoint);
}

bool playerCanSeeCoord(Handle ped, Vec3 position) {
    if (!entityExists(ped)) return false;
    return pedCanSeeCoord(ped, position.x, position.y, position.z);
}

}  // namespace tw
