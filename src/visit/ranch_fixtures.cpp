#include "visit/ranch_fixtures.h"

#include "frame/host_ops.h"
#include "frame/plugin_log.h"
#include "visit/model_loading.h"
#include "visit/world_tables.h"

namespace tw {

Handle bedroll1 = 0;
Handle bedroll2 = 0;
Handle sleepPoint1 = 0;
Handle sleepPoint2 = 0;

namespace {

// What keeps failing, one bit per fixture, so the log tells a failure once and not on every
// try; a success clears the bit.
enum FixtureBit : uint8_t { kBedroll1Bit = 1, kBedroll2Bit = 2, kSleepPoint1Bit = 4, kSleepPoint2Bit = 8 };
uint8_t failing = 0;

bool newFailure(uint8_t bit) {
    const bool fresh = (failing & bit) == 0;
    failing |= bit;
    return fresh;
}

void ensureBedroll(Handle& bedroll, Hash model, Vec3 position, float heading, uint8_t bit, int number) {
    if (entityExists(bedroll)) return;
    if (waitForModel(model, kFixtureModelWait)) {
        bedroll = objectCreate(model, position.x, position.y, position.z);
        if (entityExists(bedroll)) {
            entitySetHeading(bedroll, heading);
            failing &= static_cast<uint8_t>(~bit);
            scriptWait(200);
        } else if (newFailure(bit)) {
            logEvent("the game refused to create bedroll %d; it is tried again", number);
        }
    } else if (newFailure(bit)) {
        logEvent("the model of bedroll %d did not load within %d ms; it is tried again", number,
                 static_cast<int>(kModelLoadLimitMs));
    }
    streamingReleaseModel(model);
}

void ensureSleepPoint(Handle& point, Vec3 position, float heading, uint8_t bit, int number) {
    if (point != 0) return;
    for (int attempt = 0; attempt < 3; ++attempt) {
        point = scenarioPointCreate(miscGetHashKey(kSleepPointScenario), position.x, position.y, position.z, heading,
                                    -1, 1);
        scriptWait(100);
        if (point != 0 && scenarioPointExists(point)) {
            failing &= static_cast<uint8_t>(~bit);
            return;
        }
        point = 0;
    }
    if (newFailure(bit)) logEvent("the sleep point at bedroll %d failed three times; it is tried again later", number);
}

}  // namespace

void ensureRanchFixtures() {
    ensureBedroll(bedroll1, models.bedrollFurLined, kBedrolls[0].position, kBedrolls[0].heading, kBedroll1Bit, 1);
    ensureBedroll(bedroll2, models.bedrollOpen, kBedrolls[1].position, kBedrolls[1].heading, kBedroll2Bit, 2);
    scriptWait(500);
    ensureSleepPoint(sleepPoint1, kBedrolls[0].position, kBedrolls[0].heading, kSleepPoint1Bit, 1);
    ensureSleepPoint(sleepPoint2, kBedrolls[1].position, kBedrolls[1].heading, kSleepPoint2Bit, 2);
}

bool ranchFixturesReady() {
    return exists(bedroll1) && exists(bedroll2) && sleepPoint1 != 0 && scenarioPointExists(sleepPoint1) &&
           sleepPoint2 != 0 && scenarioPointExists(sleepPoint2);
}

bool playerCanSeeCoord(Handle ped, Vec3 position) {
    if (!entityExists(ped)) return false;
    return pedCanSeeCoord(ped, position.x, position.y, position.z);
}

}  // namespace tw
