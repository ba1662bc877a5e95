// The simulated host world: what the host's operations read and change.
// Plain data; the per-operation behaviour lives in world_ops.cpp, the per-frame
// simulation (movement, tasks) in world_tick.cpp.
#pragma once

#include <array>
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

// Script task kinds a ped can run (the status answers for a queried task are the catalogue's
// kTask* values).
enum class TaskKind : uint8_t { None, Scenario, Wander, FollowNavMesh, GoToEntity, MountAnimal };

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
    bool ambient = false;   // one of the world's own passers-by (spawnAmbient)
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
    bool ambient = false;
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

    std::vector<Entity> entities;  // index = handle slot; a dead entry's slot is free
    std::vector<ScenarioPoint> points;
    // What the plug-in made, kept apart from the pools, whose slots are given out again.
    std::array<int32_t, 4> pluginEntitiesMade{};  // by EntityKind
    int32_t pluginPointsMade = 0;
    // Passers-by: every ambientEveryMs of game time (0 = never) the world makes an ambient ped,
    // horse, object or scenario point near the ranch, or removes one, keeping at most
    // ambientMost; ambientTick draws from its own sequence.
    int32_t ambientEveryMs = 0;
    int32_t ambientMost = 0;
    int32_t ambientNext = 0;
    uint64_t ambientRng = 0x3C6EF372FE94F82Aull;
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
// is 0 to 23 (any other value leaves it). The game's own population is built again: the
// player, the household, the ranch's points and the passers-by stand where they stood under
// the same handles, and each handle the plug-in held for a live entity or point now names an
// ambient object or point of the world's own, as the real host's fresh pools give old values
// to new things.
void worldReload(World& w, int32_t clockHour);

// Handles as the game makes them: the pool slot in the high bits and a 7-bit reuse counter in
// the low byte, raised each time the slot is given out again. Entity slots count from 0x100 and
// point slots from 0x10000, so 0 is never a handle and an entity's never looks like a point's.
inline constexpr Handle kEntityBase = 0x100;
inline constexpr Handle kPointBase = 0x10000;
inline constexpr Handle kReuseMask = 0x7F;
inline constexpr std::size_t kEntityPoolSlots = 0xFF;  // the entity pool stops below the first point handle
inline constexpr std::size_t kPointPoolSlots = 0x7F00;

// The slot a handle value names in its pool, or -1 when the value is no handle of that pool.
// The lookups are inline: the world answers most calls through them.
inline int64_t slotOf(Handle h, Handle base, std::size_t slots) {
    if (h < base || (h & 0x80) != 0) return -1;
    const std::size_t s = (h - base) >> 8;
    return s < slots ? static_cast<int64_t>(s) : -1;
}
inline int64_t entitySlotOf(Handle h) { return slotOf(h, kEntityBase, kEntityPoolSlots); }
inline int64_t pointSlotOf(Handle h) { return slotOf(h, kPointBase, kPointPoolSlots); }

// The entity or point a handle value named when it was given out, alive or not; null when the
// value was never one of this world's or its slot has been given out again since.
inline Entity* entityRecord(World& w, Handle h) {
    const int64_t s = entitySlotOf(h);
    if (s < 0 || static_cast<std::size_t>(s) >= w.entities.size()) return nullptr;
    Entity& e = w.entities[static_cast<std::size_t>(s)];
    return e.handle == h ? &e : nullptr;
}
inline ScenarioPoint* pointRecord(World& w, Handle h) {
    const int64_t s = pointSlotOf(h);
    if (s < 0 || static_cast<std::size_t>(s) >= w.points.size()) return nullptr;
    ScenarioPoint& p = w.points[static_cast<std::size_t>(s)];
    return p.handle == h ? &p : nullptr;
}
inline const Entity* entityRecord(const World& w, Handle h) { return entityRecord(const_cast<World&>(w), h); }
inline const ScenarioPoint* pointRecord(const World& w, Handle h) { return pointRecord(const_cast<World&>(w), h); }

// null unless alive
inline Entity* findEntity(World& w, Handle h) {
    Entity* e = entityRecord(w, h);
    return e && e->alive ? e : nullptr;
}

// null unless alive
inline ScenarioPoint* findPoint(World& w, Handle h) {
    ScenarioPoint* p = pointRecord(w, h);
    return p && p->alive ? p : nullptr;
}
// Both take the lowest free slot, with its counter raised when it was used before; 0 when the
// pool is full.
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

// A passer-by of the world's own near the ranch, chosen by draw: a ped, a horse, an object or a
// scenario point of a type the visitors never look for. Returns its handle (0: pool full).
Handle spawnAmbient(World& w, uint64_t draw);
// Removes the ambient entity or point draw picks among those alive; false when there is none.
bool removeAmbient(World& w, uint64_t draw);
int32_t ambientCount(const World& w);
// Once a frame (worldTick): the passers-by of World::ambientEveryMs come and go.
void ambientTick(World& w);

}  // namespace host
