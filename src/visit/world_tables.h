// Everything the plug-in knows about the ranch and its visitors: fixed positions, arrival
// points, activity spots, bedrolls, what each visitor is (models, voice, outfits, chores),
// and the hashes of every model and scenario type it uses. The constant tables are read by
// the tools around the plug-in as well; the hashes are made at load.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "frame/types.h"

namespace tw {

inline constexpr Vec3 ranchPoint{-1642.0513f, -1395.5107f, 82.90598f};
inline constexpr Vec3 horseSpawnCentre{-1581.0247f, -1422.3856f, 81.46747f};
inline constexpr Vec3 bedroll1Position{-1647.19f, -1346.21f, 83.09f};
inline constexpr Vec3 bedroll2Position{-1648.66f, -1348.88f, 83.09f};

inline constexpr std::size_t kArrivalPointCount = 5;
inline constexpr std::size_t kActivitySpotCount = 8;
inline constexpr std::size_t kHorseScenarioCount = 8;

// ---- where visitors arrive -------------------------------------------------------------

struct ArrivalPoint {
    Vec3 position;
    float heading;  // degrees; kept as data, nothing consults it
};

// A visitor appears 10 to 20 m from one of these, out of the player's sight.
inline constexpr std::array<ArrivalPoint, kArrivalPointCount> kArrivalPoints{{
    {{-1602.1526f, -1332.7418f, 81.48565f}, 185.135f},  // 0: also the fallback base
    {{-1673.1562f, -1404.8003f, 84.8335f}, 345.371f},
    {{-1677.4907f, -1357.5924f, 84.30352f}, 285.516f},
    {{-1600.2762f, -1319.1763f, 80.57463f}, 236.624f},
    {{-1561.1117f, -1372.5747f, 80.7109f}, 127.996f},
}};

// ---- activity spots --------------------------------------------------------------------

struct ActivitySpot {
    Vec3 position;
    float heading;  // facing of the point created there, degrees
    const char* scenarioName;
    bool charlesOnly;  // Sadie's spot search passes over it
};

// Rows 1/2 and 6/7 share a place and facing; each gets its own point of its own type.
inline constexpr std::array<ActivitySpot, kActivitySpotCount> kActivitySpots{{
    {{-1609.4298f, -1417.5165f, 81.93605f}, 246.236f, "WORLD_HUMAN_LEAN_FENCE_FWD_CHECK_OUT_LIVESTOCK", true},
    {{-1626.4727f, -1339.9885f, 82.99756f}, 156.175f, "WORLD_HUMAN_SIT_GROUND_READING_BOOK", false},
    {{-1626.4727f, -1339.9885f, 82.99756f}, 156.175f, "WORLD_HUMAN_SIT_SMOKE", false},
    {{-1653.4949f, -1331.4783f, 84.03623f}, 241.649f, "WORLD_HUMAN_LEAN_BACK_WHITTLE", true},
    {{-1611.2892f, -1383.3373f, 82.40239f}, 282.515f, "WORLD_HUMAN_SIT_GROUND_READING_BOOK", false},
    {{-1646.1825f, -1346.3553f, 84.063576f}, 147.714f, "WORLD_HUMAN_DRINK", false},
    {{-1634.5212f, -1363.1328f, 84.461815f}, 238.066f, "WORLD_HUMAN_DRINK_FLASK", true},
    {{-1634.5212f, -1363.1328f, 84.461815f}, 238.066f, "WORLD_HUMAN_SIT_DRINK", false},
}};

// What prepareWorldTables made of each spot, row for row with kActivitySpots.
struct SpotPoint {
    Hash scenario = 0;  // hash of the spot's scenarioName
    Handle point = 0;   // the point created at the spot; 0 = none
};
extern std::array<SpotPoint, kActivitySpotCount> activitySpotPoints;

// ---- the bedrolls ----------------------------------------------------------------------

struct BedrollFacts {
    const char* model;
    Vec3 position;  // of the bedroll and of its sleep point
    float heading;  // degrees, the bedroll's and its sleep point's
};

inline constexpr std::array<BedrollFacts, 2> kBedrolls{{
    {"s_bedrollfurlined01x", bedroll1Position, 325.0f},  // bedroll 1, Charles's
    {"p_bedrollopen03x", bedroll2Position, 315.0f},      // bedroll 2, Sadie's
}};

// ---- the visitors ----------------------------------------------------------------------

// Chore scenario types, searched in this order within 50 m of the visitor.
inline constexpr std::array<const char*, 8> kSadieChoreScenarios{
    "WORLD_HUMAN_WASH_DISHES_TABLE_LEFT",
    "PROP_HUMAN_FOODPREP_STEW_ALWAYS",
    "PROP_HUMAN_SEAT_CHAIR_MORTAR_PESTLE",
    "WORLD_HUMAN_CLEAN_WINDOW",
    "WORLD_HUMAN_CLEAN_TABLE",
    "WORLD_HUMAN_FAN",
    "WORLD_HUMAN_TWNREC_SCRUB_BLOOD_FLOOR_BUCKET",
    "PROP_HUMAN_SEAT_CHAIR_SEWING_AND_KNITTING",
};
inline constexpr std::array<const char*, 2> kCharlesChoreScenarios{
    "PROP_HUMAN_WOOD_CHOP_AND_SHARPEN_AXE",
    "WORLD_HUMAN_FEED_CHICKEN",
};
inline constexpr std::size_t kMaxChoreCount = 8;
// The stew table: a chore of Sadie's, at most once an hour for both visitors together.
inline constexpr const char* kStewChoreScenario = "PROP_CAMP_SEAT_CHAIR_TABLE_STEW_QUENTLYS";

struct VisitorFacts {
    const char* name;  // the ped's name, as the player sees it
    const char* pedModel;
    const char* horseModel;
    const char* voice;
    const char* voiceWithPlayerThree;     // the voice while the player plays "player_three"
    const char* weaponToRemove;           // taken from the ped on arrival; null = none
    const char* householdAnswer;          // what a household member says back to the visitor
    std::array<int32_t, 6> dayOutfits;    // outfit presets; one is drawn at arrival
    int32_t sleepOutfit;                  // outfit preset worn in bed; none of the day outfits
    std::span<const char* const> chores;  // chore scenario types, in the order searched
    std::size_t bedroll;                  // row of kBedrolls, and so the sleep point, it sleeps at
};

// One row per visitor; Sadie's first, the order in which every pass handles them.
inline constexpr std::size_t kSadieRow = 0;
inline constexpr std::size_t kCharlesRow = 1;
inline constexpr std::array<VisitorFacts, 2> kVisitors{{
    {.name = "Sadie",
     .pedModel = "cs_mrsadler",
     .horseModel = "a_c_horse_gang_sadie_endlesssummer",
     .voice = "SADIE_ADLER_NORMAL",
     .voiceWithPlayerThree = "SADIE_ADLER_NORMAL",
     .weaponToRemove = "WEAPON_REPEATER_CARBINE_SADIE",
     .householdAnswer = "GREET_SADIE",
     .dayOutfits = {3, 4, 5, 6, 8, 10},
     .sleepOutfit = 15,
     .chores = kSadieChoreScenarios,
     .bedroll = 1},
    {.name = "Charles",
     .pedModel = "cs_charlessmith",
     .horseModel = "a_c_horse_gang_charles_endlesssummer",
     .voice = "CHARLES_SMITH",
     .voiceWithPlayerThree = "CHARLES_SMITH_ES",
     .weaponToRemove = nullptr,
     .householdAnswer = "GREET_CHARLES",
     .dayOutfits = {6, 7, 8, 9, 13, 14},
     .sleepOutfit = 5,
     .chores = kCharlesChoreScenarios,
     .bedroll = 0},
}};

// Each visitor has a bedroll of its own, chores that fit the hashed lists, and nightclothes
// that are none of its day outfits.
constexpr bool visitorTableIsConsistent() {
    if (kVisitors[kSadieRow].bedroll == kVisitors[kCharlesRow].bedroll) return false;
    for (const VisitorFacts& row : kVisitors) {
        if (row.bedroll >= kBedrolls.size() || row.chores.size() > kMaxChoreCount) return false;
        for (const int32_t outfit : row.dayOutfits)
            if (outfit == row.sleepOutfit) return false;
    }
    return true;
}
static_assert(visitorTableIsConsistent(), "visitor table: shared bedroll, too many chores, or a day outfit for bed");

constexpr std::size_t visitorRow(bool isCharles) { return isCharles ? kCharlesRow : kSadieRow; }
constexpr const VisitorFacts& visitorFacts(bool isCharles) { return kVisitors[visitorRow(isCharles)]; }

// The scenario type of the sleep point made at each bedroll.
inline constexpr const char* kSleepPointScenario = "WORLD_HUMAN_SLEEP_GROUND_ARM";

// Every model the plug-in creates something from: the visitors, their horses, the bedrolls.
inline constexpr std::array<const char*, 6> kCreatedModels{
    kVisitors[kSadieRow].pedModel,
    kVisitors[kCharlesRow].pedModel,
    kVisitors[kSadieRow].horseModel,
    kVisitors[kCharlesRow].horseModel,
    kBedrolls[0].model,
    kBedrolls[1].model,
};

// ---- the horses ------------------------------------------------------------------------

// Scenario types a visitor's horse rests, grazes, drinks or sleeps in, drawn at random.
inline constexpr std::array<const char*, kHorseScenarioCount> kHorseScenarioNames{
    "WORLD_ANIMAL_HORSE_RESTING",          "WORLD_ANIMAL_HORSE_RESTING_DOMESTIC",  "WORLD_ANIMAL_HORSE_GRAZING",
    "WORLD_ANIMAL_HORSE_GRAZING_DOMESTIC", "WORLD_ANIMAL_HORSE_GRAZING_CAMP",      "PROP_ANIMAL_HORSE_DRINK_TROUGH",
    "WORLD_ANIMAL_HORSE_SLEEPING",         "WORLD_ANIMAL_HORSE_SLEEPING_DOMESTIC",
};

// ---- hashes made at load ---------------------------------------------------------------

// Model hashes, filled once by prepareWorldTables.
struct ModelHashes {
    std::array<Hash, kVisitors.size()> visitor{};  // each row's pedModel, row for row with kVisitors
    std::array<Hash, kVisitors.size()> horse{};    // each row's horseModel
    Hash bedrollFurLined = 0;                      // "s_bedrollfurlined01x", bedroll 1
    Hash bedrollOpen = 0;                          // "p_bedrollopen03x", bedroll 2
    Hash uncle = 0;                                // "cs_uncle"
    Hash abigail = 0;                              // "cs_abigailroberts"
    Hash jack = 0;                                 // "cs_jackmarston_teen"
    Hash playerThree = 0;                          // "player_three"
};
extern ModelHashes models;

// Scenario type hashes, filled once by prepareWorldTables.
struct ScenarioHashes {
    Hash seatChair = 0;             // "PROP_HUMAN_SEAT_CHAIR"
    Hash seatChairTable = 0;        // "GENERIC_SEAT_CHAIR_TABLE_SCENARIO"
    Hash seatChairReading = 0;      // "PROP_HUMAN_SEAT_CHAIR_READING"
    Hash seatChairArrowFletch = 0;  // "PROP_CAMP_CHARLES_SEAT_CHAIR_ARROW_FLETCH"
    Hash seatChairGrooming = 0;     // "PROP_HUMAN_SEAT_CHAIR_GROOMING_GROSS"
    Hash seatChairSmoking = 0;      // "PROP_HUMAN_SEAT_CHAIR_SMOKING"
    Hash sitFallAsleep = 0;         // "WORLD_HUMAN_SIT_FALL_ASLEEP"
    Hash campFireSitGround = 0;     // "WORLD_CAMP_FIRE_SIT_GROUND"
    Hash sitGroundCoffee = 0;       // "WORLD_HUMAN_SIT_GROUND_COFFEE_DRINK"
    Hash sitGround = 0;             // "WORLD_HUMAN_SIT_GROUND"
    Hash sitGroundWhittle = 0;      // "WORLD_HUMAN_SIT_GROUND_WHITTLE"
    Hash stewChore = 0;             // "PROP_CAMP_SEAT_CHAIR_TABLE_STEW_QUENTLYS"
    Hash benchHarmonica = 0;        // "PROP_HUMAN_SEAT_BENCH_HARMONICA"
    Hash chairSmokeRoll = 0;        // "PROP_HUMAN_SEAT_CHAIR_SMOKE_ROLL"
    Hash benchBanjo = 0;            // "PROP_HUMAN_SEAT_BENCH_BANJO"
};
extern ScenarioHashes scenarios;

extern std::array<Hash, kHorseScenarioCount> horseScenarios;
extern std::size_t horseScenarioCount;  // 0 until prepareWorldTables fills the list

// Hashes every identifier and creates one scenario point at every activity spot. Yields.
void prepareWorldTables();
// Back to the load value, before prepareWorldTables: no hash made, no spot point held.
void resetWorldTables();

// scenarioPointCreate with the activity-point tail (0, 0, 0); 0 on failure.
Handle createScenarioPoint(Hash type, Vec3 position, float heading);

}  // namespace tw
