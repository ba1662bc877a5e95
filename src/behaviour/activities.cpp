#include "behaviour/activities.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <optional>

#include "frame/host_ops.h"
#include "visit/world_tables.h"

namespace tw {

GameTime lastStewTime = 0;

namespace {

constexpr int32_t kChorePauseMs = 1800000;   // per visitor, between two chore starts
constexpr int32_t kStewPauseMs = 3600000;    // shared by both visitors
constexpr float kSearchRadius = 50.0f;       // m, chores and nearby scenarios
constexpr float kHorseSearchRadius = 30.0f;  // m
constexpr int32_t kMinActivityMs = 60000;
constexpr int32_t kMaxActivityMs = 120000;  // exclusive
constexpr int32_t kActivityGraceMs = 5000;  // added to the scenario's time before the next choice
constexpr float kWanderRadius = 20.0f;      // m, the fallback when nothing is free
constexpr int32_t kWanderMs = 60000;
constexpr float kHorseWanderRadius = 15.0f;  // m

constexpr std::size_t kNearbyTypeCount = 11;
constexpr std::size_t kFirstGroundType = 6;  // types from this index on are always used as found

// Each visitor's chore scenario types hashed, row for row with kVisitors; hashed once, on first use.
std::array<std::array<Hash, kMaxChoreCount>, kVisitors.size()> choreHashes{};
bool choreListsBuilt = false;

std::array<Hash, kNearbyTypeCount> nearbyScenarioTypes{};
std::array<Hash, 3> benchReplacementTypes{};  // smoke roll twice: drawn two times in three
bool scenarioListsBuilt = false;

void buildChoreLists() {
    if (choreListsBuilt) return;
    for (std::size_t row = 0; row < kVisitors.size(); ++row)
        for (std::size_t i = 0; i < kVisitors[row].chores.size(); ++i)
            choreHashes[row][i] = miscGetHashKey(kVisitors[row].chores[i]);
    choreListsBuilt = true;
}

void buildScenarioLists() {
    if (scenarioListsBuilt) return;
    nearbyScenarioTypes = {
        scenarios.seatChair,         scenarios.seatChairTable,
        scenarios.seatChairReading,  scenarios.seatChairArrowFletch,
        scenarios.seatChairGrooming, scenarios.seatChairSmoking,
        scenarios.sitFallAsleep,     scenarios.campFireSitGround,
        scenarios.sitGroundCoffee,   scenarios.sitGround,
        scenarios.sitGroundWhittle,
    };
    benchReplacementTypes = {scenarios.benchHarmonica, scenarios.chairSmokeRoll, scenarios.chairSmokeRoll};
    scenarioListsBuilt = true;
}

}  // namespace

void resetActivities() {
    lastStewTime = 0;
    choreHashes = {};
    choreListsBuilt = false;
    nearbyScenarioTypes = {};
    benchReplacementTypes = {};
    scenarioListsBuilt = false;
}

namespace {

GameTime& lastChoreTimeOf(bool isCharles) { return visitorOf(isCharles).lastChoreTime; }

// A point of the type within radius of pos that the host confirms, or 0.
Handle findExistingPoint(const Vec3& pos, Hash type, float radius) {
    const Handle p = scenarioPointFindNear(pos.x, pos.y, pos.z, type, radius);
    return (p != 0 && scenarioPointExists(p)) ? p : 0;
}

// The step every visitor activity shares: the ped plays the point's scenario for 60..120 s,
// and the next choice falls due 5 s after it, counted from the chore's own time or else from
// the timer read once the scenario is given.
void startActivity(VisitorState& v, Handle point, std::optional<GameTime> choreTime = std::nullopt) {
    taskClearPedTasks(v.ped);
    // The host's draw is held to the range asked for: an answer outside it would give a
    // scenario of days, or overflow the time of the next choice.
    const int32_t d = std::clamp(miscGetRandomInt(kMinActivityMs, kMaxActivityMs), kMinActivityMs, kMaxActivityMs - 1);
    taskUseScenarioPoint(v.ped, point, static_cast<float>(d));
    const GameTime t = choreTime ? *choreTime : gameGetTimer();
    v.activityEndTime = addTime(t, d + kActivityGraceMs);
}

bool spotIsFree(const VisitorState& v, Handle point) {
    if (point == 0 || !scenarioPointExists(point)) return false;
    if (!scenarioPointIsUsableBy(v.ped, point)) return false;
    const Handle user = scenarioPointGetUser(point);
    return !exists(user);
}

}  // namespace

bool tryChore(VisitorState& v, bool isCharles, GameTime now) {
    GameTime& last = lastChoreTimeOf(isCharles);
    if (elapsed(now, last) < kChorePauseMs) return false;
    const Vec3 pos = positionOf(v.ped);

    if (elapsed(now, lastStewTime) >= kStewPauseMs) {
        if (const Handle p = findExistingPoint(pos, scenarios.stewChore, kSearchRadius)) {
            startActivity(v, p, now);
            lastStewTime = now;
            last = now;
            return true;
        }
    }
    buildChoreLists();
    const std::size_t row = visitorRow(isCharles);
    for (std::size_t i = 0; i < kVisitors[row].chores.size(); ++i) {
        if (const Handle p = findExistingPoint(pos, choreHashes[row][i], kSearchRadius)) {
            startActivity(v, p, now);
            last = now;
            return true;
        }
    }
    return false;
}

bool useNearbyScenario(VisitorState& v) {
    buildScenarioLists();
    const Vec3 pos = positionOf(v.ped);
    for (std::size_t i = 0; i < nearbyScenarioTypes.size(); ++i) {
        const Handle found = findExistingPoint(pos, nearbyScenarioTypes[i], kSearchRadius);
        if (found == 0) continue;
        const int32_t r = miscGetRandomInt(0, 2);
        if (r == 0 || i >= kFirstGroundType) {
            startActivity(v, found);
            return true;
        }
        // A chair drawn for replacement: a bench or smoking seat of our own in its place.
        const Vec3 at = scenarioPointGetCoords(found);
        const float heading = scenarioPointGetHeading(found);
        int32_t pick = miscGetRandomInt(0, static_cast<int32_t>(benchReplacementTypes.size()));
        if (pick < 0 || pick >= static_cast<int32_t>(benchReplacementTypes.size())) pick = 0;
        deleteCreatedPoint(v);
        v.createdScenarioPoint =
            createScenarioPoint(benchReplacementTypes[static_cast<std::size_t>(pick)], at, heading);
        if (v.createdScenarioPoint != 0 && scenarioPointExists(v.createdScenarioPoint)) {
            startActivity(v, v.createdScenarioPoint);
            return true;
        }
    }
    return false;
}

void useNextSpot(VisitorState& v, bool isCharles) {
    const auto n = static_cast<int32_t>(kActivitySpots.size());
    if (n > 0) v.spotCursor = ((v.spotCursor % n) + n) % n;  // a cursor from elsewhere may be out of range
    for (int32_t tries = 0; tries < n; ++tries) {
        const auto i = static_cast<std::size_t>(v.spotCursor);
        const Handle point = activitySpotPoints[i].point;
        const bool usable = !(kActivitySpots[i].charlesOnly && !isCharles) && spotIsFree(v, point);
        if (usable) startActivity(v, point);
        v.spotCursor = (v.spotCursor + 1) % n;
        if (usable) return;
    }
    if (useNearbyScenario(v)) return;

    const Vec3 pos = positionOf(v.ped);
    taskWanderInArea(v.ped, pos.x, pos.y, pos.z, kWanderRadius, 1);
    v.activityEndTime = addTime(gameGetTimer(), kWanderMs);
}

void updateHorse(VisitorState& v) {
    if (!exists(v.horse) || v.isDeparting) return;
    const GameTime now = gameGetTimer();
    // Measured as elapsed time, so the wait holds across the wrap of the game timer.
    if (v.nextHorseScenarioTime != 0 && elapsed(now, v.nextHorseScenarioTime) < 0) return;

    const Vec3 pos = positionOf(v.horse);
    const auto count = static_cast<int32_t>(horseScenarioCount);
    if (count <= 0) return;
    // Every entry takes part: the upper bound is exclusive.
    const int32_t i = miscGetRandomInt(0, count);
    if (i < 0 || i >= count) return;
    const Handle p = findExistingPoint(pos, horseScenarios[static_cast<std::size_t>(i)], kHorseSearchRadius);
    if (p == 0) return;  // drawn again next pass

    if (scenarioPointIsUsableBy(v.horse, p)) {
        taskClearPedTasks(v.horse);
        taskUseScenarioPoint(v.horse, p, -1.0f);  // until given another task
    } else {
        taskWanderInArea(v.horse, pos.x, pos.y, pos.z, kHorseWanderRadius, 0);
    }
    v.nextHorseScenarioTime = addTime(now, v.horseScenarioInterval);
}

}  // namespace tw
