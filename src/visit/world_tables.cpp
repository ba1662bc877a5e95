#include "visit/world_tables.h"

#include "frame/host_ops.h"
#include "visit/visitor_state.h"

namespace tw {

const std::array<ArrivalPoint, kArrivalPointCount> arrivalPoints{{
    {{-1602.1526f, -1332.7418f, 81.48565f}, 185.135f},  // 0: also the fallback base
    {{-1673.1562f, -1404.8003f, 84.8335f}, 345.371f},
    {{-1677.4907f, -1357.5924f, 84.30352f}, 285.516f},
    {{-1600.2762f, -1319.1763f, 80.57463f}, 236.624f},
    {{-1561.1117f, -1372.5747f, 80.7109f}, 127.996f},
}};

// Rows 1/2 and 6/7 share a place and facing; each gets its own point of its own type.
std::array<ActivitySpot, kActivitySpotCount> activitySpots{{
    {{-1609.4298f, -1417.5165f, 81.93605f}, 246.236f, "WORLD_HUMAN_LEAN_FENCE_FWD_CHECK_OUT_LIVESTOCK", true},
    {{-1626.4727f, -1339.9885f, 82.99756f}, 156.175f, "WORLD_HUMAN_SIT_GROUND_READING_BOOK", false},
    {{-1626.4727f, -1339.9885f, 82.99756f}, 156.175f, "WORLD_HUMAN_SIT_SMOKE", false},
    {{-1653.4949f, -1331.4783f, 84.03623f}, 241.649f, "WORLD_HUMAN_LEAN_BACK_WHITTLE", true},
    {{-1611.2892f, -1383.3373f, 82.40239f}, 282.515f, "WORLD_HUMAN_SIT_GROUND_READING_BOOK", false},
    {{-1646.1825f, -1346.3553f, 84.063576f}, 147.714f, "WORLD_HUMAN_DRINK", false},
    {{-1634.5212f, -1363.1328f, 84.461815f}, 238.066f, "WORLD_HUMAN_DRINK_FLASK", true},
    {{-1634.5212f, -1363.1328f, 84.461815f}, 238.066f, "WORLD_HUMAN_SIT_DRINK", false},
}};

ModelHashes models;
ScenarioHashes scenarios;
std::array<Hash, kHorseScenarioCount> horseScenarios{};
std::size_t horseScenarioCount = 0;

namespace {

constexpr std::array<const char*, kHorseScenarioCount> kHorseScenarioNames{
    "WORLD_ANIMAL_HORSE_RESTING",          "WORLD_ANIMAL_HORSE_RESTING_DOMESTIC",  "WORLD_ANIMAL_HORSE_GRAZING",
    "WORLD_ANIMAL_HORSE_GRAZING_DOMESTIC", "WORLD_ANIMAL_HORSE_GRAZING_CAMP",      "PROP_ANIMAL_HORSE_DRINK_TROUGH",
    "WORLD_ANIMAL_HORSE_SLEEPING",         "WORLD_ANIMAL_HORSE_SLEEPING_DOMESTIC",
};

}  // namespace

Handle createScenarioPoint(Hash type, Vec3 position, float heading) {
    return scenarioPointCreate(type, position.x, position.y, position.z, heading, 0, 0);
}

void deleteCreatedPoint(VisitorState& v) {
    if (v.createdScenarioPoint == 0) return;
    if (scenarioPointExists(v.createdScenarioPoint)) scenarioPointDelete(v.createdScenarioPoint);
    v.createdScenarioPoint = 0;
}

void prepareWorld() {
    models.sadie = miscGetHashKey("cs_mrsadler");
    models.charles = miscGetHashKey("cs_charlessmith");
    models.charlesHorse = miscGetHashKey("a_c_horse_gang_charles_endlesssummer");
    models.sadieHorse = miscGetHashKey("a_c_horse_gang_sadie_endlesssummer");
    models.bedrollFurLined = miscGetHashKey("s_bedrollfurlined01x");
    models.bedrollOpen = miscGetHashKey("p_bedrollopen03x");
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
    scenarios.stewChore = miscGetHashKey("PROP_CAMP_SEAT_CHAIR_TABLE_STEW_QUENTLYS");
    scenarios.benchHarmonica = miscGetHashKey("PROP_HUMAN_SEAT_BENCH_HARMONICA");
    scenarios.chairSmokeRoll = miscGetHashKey("PROP_HUMAN_SEAT_CHAIR_SMOKE_ROLL");
    scenarios.benchBanjo = miscGetHashKey("PROP_HUMAN_SEAT_BENCH_BANJO");

    for (ActivitySpot& spot : activitySpots) spot.scenario = miscGetHashKey(spot.scenarioName);

    for (std::size_t i = 0; i < kHorseScenarioCount; ++i) horseScenarios[i] = miscGetHashKey(kHorseScenarioNames[i]);
    horseScenarioCount = kHorseScenarioCount;

    for (ActivitySpot& spot : activitySpots) {
        spot.point = createScenarioPoint(spot.scenario, spot.position, spot.heading);
        if (spot.point != 0) scriptWait(50);
    }
}

}  // namespace tw
