#include "visit/ranch_fixtures.h"

#include "frame/host_ops.h"
#include "visit/world_tables.h"

namespace tw {

Handle bedroll1 = 0;
Handle bedroll2 = 0;
Handle sleepPoint1 = 0;
Handle sleepPoint2 = 0;

namespace {

// A model the host never loads must not freeze the script: give up after this much game
// time; the next call tries again.
constexpr int32_t kModelLoadLimitMs = 5000;

void ensureBedroll(Handle& bedroll, Hash model, Vec3 position, float heading) {
    if (entityExists(bedroll)) return;
    if (loadModel(model)) {
        bedroll = objectCreate(model, position.x, position.y, position.z);
        if (entityExists(bedroll)) {
            entitySetHeading(bedroll, heading);
            scriptWait(200);
        }
    }
    streamingReleaseModel(model);
}

void ensureSleepPoint(Handle& point, Vec3 position, float heading) {
    if (point != 0) return;
    for (int attempt = 0; attempt < 3; ++attempt) {
        point = scenarioPointCreate(miscGetHashKey("WORLD_HUMAN_SLEEP_GROUND_ARM"), position.x, position.y, position.z,
                                    heading, -1, 1);
        scriptWait(100);
        if (point != 0 && scenarioPointExists(point)) return;
        point = 0;
    }
}

}  // namespace

bool loadModel(Hash model) {
    if (streamingHasModelLoaded(model)) return true;
    streamingRequestModel(model, false);
    const GameTime start = gameGetTimer();
    while (!streamingHasModelLoaded(model)) {
        if (elapsed(gameGetTimer(), start) > kModelLoadLimitMs) return false;
        scriptWait(0);
    }
    return true;
}

void ensureRanchFixtures() {
    ensureBedroll(bedroll1, models.bedrollFurLined, bedroll1Position, 325.0f);
    ensureBedroll(bedroll2, models.bedrollOpen, bedroll2Position, 315.0f);
    scriptWait(500);
    ensureSleepPoint(sleepPoint1, bedroll1Position, 325.0f);
    ensureSleepPoint(sleepPoint2, bedroll2Position, 315.0f);
}

bool ranchFixturesReady() {
    return bedroll1 != 0 && entityExists(bedroll1) && bedroll2 != 0 && entityExists(bedroll2) && sleepPoint1 != 0 &&
           scenarioPointExists(sleepPoint1) && sleepPoint2 != 0 && scenarioPointExists(sleepPoint2);
}

bool playerCanSeeCoord(Handle ped, Vec3 position) {
    if (!entityExists(ped)) return false;
    return pedCanSeeCoord(ped, position.x, position.y, position.z);
}

}  // namespace tw
