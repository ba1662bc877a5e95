// Everything the plug-in knows about the ranch: fixed positions, arrival points, activity
// spots, outfit lists, and the hashes of every model and scenario type it uses.
#pragma once

#include <array>
#include <cstdint>

#include "frame/types.h"

namespace tw {

struct VisitorState;

struct ArrivalPoint {
    Vec3 position;
    float heading;  // degrees; kept as data, nothing consults it
};

struct ActivitySpot {
    Vec3 position;
    float heading;  // facing of the point created there, degrees
    const char* scenarioName;
    bool charlesOnly;   // Sadie's spot search passes over it
    Hash scenario = 0;  // hash of scenarioName, filled by prepareWorld
    Handle point = 0;   // point prepareWorld created at the spot; 0 = none
};

inline constexpr Vec3 ranchPoint{-1642.0513f, -1395.5107f, 82.90598f};
inline constexpr Vec3 horseSpawnCentre{-1581.0247f, -1422.3856f, 81.46747f};
inline constexpr Vec3 bedroll1Position{-1647.19f, -1346.21f, 83.09f};
inline constexpr Vec3 bedroll2Position{-1648.66f, -1348.88f, 83.09f};

inline constexpr std::size_t kArrivalPointCount = 5;
inline constexpr std::size_t kActivitySpotCount = 8;
inline constexpr std::size_t kHorseScenarioCount = 8;

extern const std::array<ArrivalPoint, kArrivalPointCount> arrivalPoints;
extern std::array<ActivitySpot, kActivitySpotCount> activitySpots;

inline constexpr std::array<int32_t, 6> sadieOutfits{3, 4, 5, 6, 8, 10};
inline constexpr std::array<int32_t, 6> charlesOutfits{6, 7, 8, 9, 13, 14};

// Model hashes, filled once by prepareWorld.
struct ModelHashes {
    Hash sadie = 0;            // "cs_mrsadler"
    Hash charles = 0;          // "cs_charlessmith"
    Hash sadieHorse = 0;       // "a_c_horse_gang_sadie_endlesssummer"
    Hash charlesHorse = 0;     // "a_c_horse_gang_charles_endlesssummer"
    Hash bedrollFurLined = 0;  // "s_bedrollfurlined01x", bedroll 1
    Hash bedrollOpen = 0;      // "p_bedrollopen03x", bedroll 2
    Hash uncle = 0;            // "cs_uncle"
    Hash abigail = 0;          // "cs_abigailroberts"
    Hash jack = 0;             // "cs_jackmarston_teen"
    Hash playerThree = 0;      // "player_three"
};
extern ModelHashes models;

// Scenario type hashes, filled once by prepareWorld.
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
extern std::size_t horseScenarioCount;  // 0 until prepareWorld fills the list

// Hashes every identifier and creates one scenario point at every activity spot. Yields.
void prepareWorld();

// scenarioPointCreate with the activity-point tail (0, 0, 0); 0 on failure.
Handle createScenarioPoint(Hash type, Vec3 position, float heading);
// Deletes the scenario point the visitor made for itself, if any, and forgets it.
void deleteCreatedPoint(VisitorState& v);

}  // namespace tw
