#include "world.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "random.h"

namespace host {

uint32_t nameHash(const char* name) {
    uint32_t h = 0;
    for (const char* c = name; *c; ++c) {
        h += static_cast<uint32_t>(std::tolower(static_cast<unsigned char>(*c)));
        h += h << 10;
        h ^= h >> 6;
    }
    h += h << 3;
    h ^= h >> 11;
    h += h << 15;
    return h;
}

// The player's models, registered beside the plug-in's own and the household's. Registering
// the plug-in's lets pedCreate tell a horse by its name.
constexpr const char* kPlayerModels[] = {"player_zero", "player_three"};

// The ranch's buildings as footprints (x/y in metres): the house by the ranch point, a barn
// east of it toward the horse point, a bunkhouse north-east, a shed by the bedrolls.
constexpr Obstacle kRanchBuildings[] = {
    {-1650.0f, -1402.0f, -1634.0f, -1389.0f},  // house
    {-1588.0f, -1392.0f, -1574.0f, -1358.0f},  // barn
    {-1624.0f, -1354.0f, -1610.0f, -1336.0f},  // bunkhouse
    {-1660.0f, -1345.0f, -1653.0f, -1337.0f},  // shed
};

namespace {
// The hashes of the visitors' models and their horses' (kPluginModels 0 to 3), worked out once.
const std::array<Hash, 4>& visitorModelHashes() {
    static const std::array<Hash, 4> hashes = {nameHash(kPluginModels[0]), nameHash(kPluginModels[1]),
                                               nameHash(kPluginModels[2]), nameHash(kPluginModels[3])};
    return hashes;
}
}  // namespace

bool isVisitorModel(Hash m) { return m == visitorModelHashes()[0] || m == visitorModelHashes()[1]; }
bool isVisitorHorseModel(Hash m) { return m == visitorModelHashes()[2] || m == visitorModelHashes()[3]; }

void worldReset(World& w) {
    w = World{};
    for (const char* name : kPluginModels) setModel(w, name, true, 200);
    for (const char* name : kHouseholdModels) setModel(w, name, true, 200);
    for (const char* name : kPlayerModels) setModel(w, name, true, 200);
    w.obstacles.assign(std::begin(kRanchBuildings), std::end(kRanchBuildings));
    w.completedMissions.push_back(nameHash("FIN2"));
    w.names.emplace(nameHash("FIN2"), "FIN2");
    w.playerPed = spawnEntity(w, EntityKind::Player, nameHash("player_zero"), {-1642.0f, -1380.0f, 83.0f}, false);
}

void worldReload(World& w, int32_t clockHour) {
    for (Entity& e : w.entities)
        if (e.alive && e.byPlugin) removeEntity(w, e.handle);
    for (ScenarioPoint& p : w.points)
        if (p.byPlugin) p.alive = false;
    for (auto& [hash, m] : w.models) m.requested = false, m.loaded = false, m.refCount = 0;
    if (clockHour >= 0 && clockHour < 24) {
        w.clockStartHour = clockHour;
        w.clockBaseTime = w.gameTime;
    }
}

namespace {

bool inside(const Obstacle& o, Vec3 p) { return p.x >= o.minX && p.x <= o.maxX && p.y >= o.minY && p.y <= o.maxY; }

// Slab test of the segment a-b against the footprint.
bool crosses(const Obstacle& o, Vec3 a, Vec3 b) {
    float t0 = 0.0f, t1 = 1.0f;
    const float from[2] = {a.x, a.y}, delta[2] = {b.x - a.x, b.y - a.y};
    const float lo[2] = {o.minX, o.minY}, hi[2] = {o.maxX, o.maxY};
    for (int i = 0; i < 2; ++i) {
        if (std::fabs(delta[i]) < 1e-6f) {
            if (from[i] < lo[i] || from[i] > hi[i]) return false;
            continue;
        }
        float ta = (lo[i] - from[i]) / delta[i], tb = (hi[i] - from[i]) / delta[i];
        if (ta > tb) std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1) return false;
    }
    return true;
}

}  // namespace

bool lineOfSight(const World& w, Vec3 a, Vec3 b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    if (dx * dx + dy * dy + dz * dz > w.sightRange * w.sightRange) return false;
    for (const Obstacle& o : w.obstacles) {
        // Someone inside a building sees its inside; only walls between two outside points hide.
        if (inside(o, a) || inside(o, b)) continue;
        if (crosses(o, a, b)) return false;
    }
    return true;
}

Handle spawnEntity(World& w, EntityKind kind, Hash model, Vec3 pos, bool byPlugin) {
    Entity e;
    e.handle = kEntityBase + static_cast<Handle>(w.entities.size());
    e.kind = kind;
    e.model = model;
    e.pos = pos;
    e.byPlugin = byPlugin;
    w.entities.push_back(std::move(e));
    return w.entities.back().handle;
}

Handle spawnPoint(World& w, Hash type, Vec3 pos, float heading, bool byPlugin) {
    ScenarioPoint p;
    p.handle = kPointBase + static_cast<Handle>(w.points.size());
    p.type = type;
    p.pos = pos;
    p.heading = heading;
    p.byPlugin = byPlugin;
    w.points.push_back(p);
    return p.handle;
}

void setModel(World& w, const char* name, bool valid, int32_t loadDelayMs) {
    const Hash h = nameHash(name);
    w.names.emplace(h, name);
    Model& m = w.models[h];
    m.valid = valid;
    m.loadDelayMs = loadDelayMs;
}

void releasePoint(World& w, const Entity& e) {
    if (e.task.kind != TaskKind::Scenario) return;
    if (ScenarioPoint* p = findPoint(w, e.task.point); p && p->user == e.handle) p->user = 0;
}

void removeEntity(World& w, Handle h) {
    Entity* e = findEntity(w, h);
    if (!e) return;
    e->alive = false;
    releasePoint(w, *e);
}

int32_t clockHour(const World& w) {
    const int64_t ms = static_cast<int64_t>(tw::elapsed(w.gameTime, w.clockBaseTime));
    int64_t hours = w.clockStartHour + (ms >= 0 ? ms / kMsPerGameHour : -((-ms + kMsPerGameHour - 1) / kMsPerGameHour));
    hours %= 24;
    if (hours < 0) hours += 24;
    return static_cast<int32_t>(hours);
}

void seedWorld(World& w, uint64_t seed) {
    // The state advances by a fixed step per draw, so seeds are scrambled first: otherwise
    // seed n + 1 would replay seed n's sequence one draw later.
    w.rngState = splitmix64(seed);
}

uint32_t nextRandom(World& w) { return static_cast<uint32_t>(splitmix64(w.rngState) >> 32); }

}  // namespace host
