#include "visit/world_tables.h"

#include "frame/host_ops.h"

namespace tw {

std::array<SpotPoint, kActivitySpotCount> activitySpotPoints{};
ModelHashes models;
ScenarioHashes scenarios;
std::array<Hash, kHorseScenarioCount> horseScenarios{};
std::size_t horseScenarioCount = 0;

Handle createScenarioPoint(Hash type, Vec3 position, float heading) {
    return scenarioPointCreate(type, position.x, position.y, position.z, heading, 0, 0);
}

void resetWorldTables() {
    activitySpotPoints = {};
    models = {};
    scenarios = {};
    horseScenarios = {};
    horseScenarioCount = 0;
}

void prepareWorldTables() {
    models.visitor[kSadieRow] = miscGetHashKey(kVisitors[kSadieRow].pedModel);
    models.visitor[kCharlesRow] = miscGetHashKey(kVisitors[kCharlesRow].pedModel);
    models.horse[kCharlesRow] = miscGetHashKey(kVisitors[kCharlesRow].horseModel);  // Charles's horse first
    models.horse[kSadieRow] = miscGetHashKey(kVisitors[kSadieRow].horseModel);
    models.bedrollFurLined = miscGetHashKey(kBedrolls[0].model);
    models.bedrollOpen = miscGetHashKey(kBedrolls[1].model);
    models.uncle = miscGetHashKey("cs_uncle");
    models.abigail = miscGetHashKey("cs_abigailroberts");
    models.jack = miscGetHashKey("cs_jackmarston_teen");
    models.playerThree = miscGetHashKey("player_three");

    scenarios.seatChair = miscGetHashKey("PROP_HUMAN_SEAT_CHAIR");
    scenarios.seatChairTable = miscGetHashKey("GENERIC_SEAT_CHAIR_TABLE_SCENARIO");
    scenarios.seatChairReading = miscGetHashKey("PROP_HUMAN_SEAT_CHAIR_READING");
    scenarios.seatChairArrowFletch = miscGetHashKey("PROP_CAMP_CHARLES_SEAT_CHAIR_ARROW_FLETCH");
    scenarios.seatChairGrooming = miscGetHashKey("PROP_HUMAN_SEAT_CHAIR_GROOMING_GROSS");
    scenarios.seatChairSmoking = miscGetHashKey("PROP_HUMAN_SEAT_CHAIR_SMOKING");
    scenarios.sitFallAsleep = miscGetHashKey("WORLD_HUMAN_SIT_FALL_ASLEEP");
    scenarios.campFireSitGround = miscGetHashKey("WORLD_CAMP_FIRE_SIT_GROUND");
    scenarios.sitGroundCoffee = miscGetHashKey("WORLD_HUMAN_SIT_GROUND_COFFEE_DRINK");
    scenarios.sitGround = miscGetHashKey("WORLD_HUMAN_SIT_GROUND");
    scenarios.sitGroundWhittle = miscGetHashKey("WORLD_HUMAN_SIT_GROUND_WHITTLE");
    scenarios.stewChore = miscGetHashKey(kStewChoreScenario);
    scenarios.benchHarmonica = miscGetHashKey("PROP_HUMAN_SEAT_BENCH_HARMONICA");
    scenarios.chairSmokeRoll = miscGetHashKey("PROP_HUMAN_SEAT_CHAIR_SMOKE_ROLL");
    scenarios.benchBanjo = miscGetHashKey("PROP_HUMAN_SEAT_BENCH_BANJO");

    for (std::size_t i = 0; i < kActivitySpotCount; ++i)
        activitySpotPoints[i].scenario = miscGetHashKey(kActivitySpots[i].scenarioName);

    for (std::size_t i = 0; i < kHorseScenarioCount; ++i) horseScenarios[i] = miscGetHashKey(kHorseScenarioNames[i]);
    horseScenarioCount = kHorseScenarioCount;

    for (std::size_t i = 0; i < kActivitySpotCount; ++i) {
        SpotPoint& spot = activitySpotPoints[i];
        spot.point = createScenarioPoint(spot.scenario, kActivitySpots[i].position, kActivitySpots[i].heading);
        if (spot.point != 0) scriptWait(50);
    }
}

}  // namespace tw
