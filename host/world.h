// The simulated host world: what the host's operations read and change.
// Plain data; the per-operation behaviour lives in world_ops.cpp, the per-frame
// simulation (movement, tasks) in world_tick.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "frame/types.h"
#include "plugin_facts.h"

namespace host {

using tw::Handle;
using tw::Hash;
using tw::Vec3;

enum class EntityKind : uint8_t { Player, Ped, Horse, Object };

// Script task kinds a ped can run, and the host's status answers for a queried task.
enum class TaskKind : uint8_t { None, Scenario, Wander, FollowNavMesh, GoToEntity, MountAnimal };
enum TaskStatus : int32_t { kTaskWaiting = 0, kTaskRunning = 1, kTaskAbsent = 7, kTaskFinished = 8 };

struct Task {
    TaskKind kind = TaskKind::None;
    Vec3 target{};            // FollowNavMesh / Wander centre
    Handle targetEntity = 0;  // GoToEntity / MountAnimal
    Handle point = 0;         // Scenario
    float speed = 1.0f;       // m/s
    float radius = 0.0f;      // Wander
    int32_t startTime = 0;    // game time when the task leaves the waiting state
    int32_t endTime = 0;      // Scenario with a duration; 0 = no end
    bool started = false;
    bool finished = false;
    int32_t mountAt = 0;  // MountAnimal: game time the rider is in the saddle; 0 = not at the horse yet
};

struct Entity {
    Handle handle = 0;
    EntityKind kind = EntityKind::Ped;
    Hash model = 0;
    Vec3 pos{};
    float heading = 0.0f;
    bool alive = true;
    bool byPlugin = false;  // created through pedCreate / objectCreate
    bool scriptOwned = false;
    int32_t outfit = -1;
    std::string voice, name;
    Hash relationshipGroup = 0;
    Hash equipment = 0;
    std::vector<std::pair<int32_t, bool>> configFlags;
    Handle mount = 0;  // horse the ped rides
    Task task;
    Task lastTask;                           // the last finished task, for status 8
    const char* greetingResponse = nullptr;  // interned line, or null
    bool greetedByPlayer = false;
    int32_t busyUntil = 0;  // game time until which it is getting up from a scenario
    bool stuck = false;     // fault: an obstacle holds it, walks run but it does not move
};

struct ScenarioPoint {
    Handle handle = 0;
    Hash type = 0;
    Vec3 pos{};
    float heading = 0.0f;
    bool alive = true;
    bool byPlugin = false;
    Handle user = 0;
    int64_t createA = 0;
    int32_t createB = 0;
};

struct Model {
    bool valid = true;
    int32_t loadDelayMs = 200;  // game time from the request to loaded; < 0 = never loads
    bool requested = false;
    int32_t requestTime = 0;
    bool loaded = false;
    int32_t refCount = 0;       // requests minus releases
    bool neverCreated = false;  // fault: loads, but pedCreate / objectCreate answer 0
};

// A text drawn this frame by uiDrawText, with the scale and colour in force.
struct DrawnText {
    std::string text;
    float x = 0, y = 0, scale = 0;
    int32_t r = 0, g = 0, b = 0, a = 0;
};

struct SpokenLine {
    int32_t time = 0;
    Handle ped = 0;
    std::string line;
};

struct Faults {
    bool refusePeds = false;         // pedCreate answers 0
    bool refuseObjects = false;      // objectCreate answers 0
    bool refusePoints = false;       // scenarioPointCreate answers 0
    bool pointsNotExisting = false;  // created points report as not existing
    bool noGround = false;           // miscGetGroundZ finds no ground
};

// A building as the sight tests see it: a footprint that hides what lies behind it, at any height.
struct Obstacle {
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct World {
    int32_t gameTime = 0;  // ms, the value gameGetTimer answers
    int32_t frameStepMs = 33;
    int32_t clockStartHour = 8;  // in-game hour at gameTime 0 of the clock
    int32_t clockBaseTime = 0;   // game time at which the clock read clockStartHour:00
    uint64_t rngState = 0x9E3779B97F4A7C15ull;

    std::vector<Entity> entities;  // index = handle slot
    std::vector<ScenarioPoint> points;
    std::unordered_map<Hash, Model> models;
    std::unordered_map<Hash, std::string> names;  // hashes the plug-in asked for, for traces

    Handle playerPed = 0;
    Handle playerId = 1;
    bool missionActive = false;
    std::vector<Hash> completedMissions;
    float groundZ = 82.0f;
    // Sight: clear when within sightRange and no obstacle footprint lies between the two points.
    float sightRange = 150.0f;  // m; terrain hides what is farther
    std::vector<Obstacle> obstacles;
    bool playerSeesEverything = false;  // test override: sight tests answer true for any target
    bool playerSeesNothing = false;     // test override: sight tests answer false

    const char* playerGreetingLine = nullptr;
    Faults faults;

    // The ranch's scenery and household (ranch_layout.cpp), put in place on the first frame.
    bool ranchPopulate = true;  // false: an empty ranch, for tests that place their own
    bool ranchPopulated = false;
    // Test override of worldGetAllPeds: when set, it answers allPedsClaim whatever it wrote.
    bool allPedsClaimSet = false;
    int32_t allPedsClaim = 0;

    // Per-frame records the simulator and tests read.
    std::vector<DrawnText> drawnThisFrame;
    float textScale = 0;
    int32_t textR = 0, textG = 0, textB = 0, textA = 0;
    std::vector<SpokenLine> spoken;
    std::vector<std::string> screenEffects;
    std::vector<std::string> varStrings;  // texts behind miscCreateVarString references
};

// Name hash the host uses for models, scenario types and every other identifier:
// Jenkins one-at-a-time over the lower-cased name.
uint32_t nameHash(const char* name);

// Whether a model is one of the plug-in's visitors (kPluginModels 0, 1) or their horses (2, 3).
bool isVisitorModel(Hash m);
bool isVisitorHorseModel(Hash m);

void worldReset(World& w);
// The world as the game rebuilds it when a saved game is loaded: whatever the plug-in made is
// gone, no model is requested any more, and the clock reads clockHour:00 now when clockHour
// is 0 to 23 (any other value leaves it).
void worldReload(World& w, int32_t clockHour);
// Handles are slot index + a base, so 0 is never a handle and entity and point handles do not
// look alike in traces. The lookups are inline: the world answers most calls through them.
inline constexpr Handle kEntityBase = 0x100;
inline constexpr Handle kPointBase = 0x10000;

// null unless alive
inline Entity* findEntity(World& w, Handle h) {
    if (h < kEntityBase || h - kEntityBase >= w.entities.size()) return nullptr;
    Entity& e = w.entities[h - kEntityBase];
    return e.alive ? &e : nullptr;
}

// null unless alive
inline ScenarioPoint* findPoint(World& w, Handle h) {
    if (h < kPointBase || h - kPointBase >= w.points.size()) return nullptr;
    ScenarioPoint& p = w.points[h - kPointBase];
    return p.alive ? &p : nullptr;
}
Handle spawnEntity(World& w, EntityKind kind, Hash model, Vec3 pos, bool byPlugin);
Handle spawnPoint(World& w, Hash type, Vec3 pos, float heading, bool byPlugin);
void setModel(World& w, const char* name, bool valid, int32_t loadDelayMs);
int32_t clockHour(const World& w);
// Whether a straight sight line from a to b is clear of obstacles and within sightRange.
bool lineOfSight(const World& w, Vec3 a, Vec3 b);
uint32_t nextRandom(World& w);
// Starts the world's random sequence for a seed; nearby seeds give unrelated sequences.
void seedWorld(World& w, uint64_t seed);
void worldTick(World& w);  // one frame of the world after the clock advanced
// Frees the scenario point the entity is using, if it holds one.
void releasePoint(World& w, const Entity& e);
// Removes an entity as the game does when something else deletes it: gone, its point free.
void removeEntity(World& w, Handle h);

}  // namespace host
