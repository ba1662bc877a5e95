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

namespace {

// The passers-by: models and scenario types the plug-in never creates or looks for, placed
// 20 to 90 m from the ranch house.
constexpr const char* kAmbientPeds[] = {"a_m_m_drifter_01", "a_f_m_traveller_01", "a_m_y_farmhand_01"};
constexpr const char* kAmbientHorses[] = {"a_c_horse_packhorse_01", "a_c_horse_drafthorse_01"};
constexpr const char* kAmbientObjects[] = {"p_crate01x", "p_haybale01x", "p_barrel01x"};
constexpr const char* kAmbientPointTypes[] = {"WORLD_HUMAN_STAND_WAITING", "WORLD_HUMAN_SMOKE_CIGAR",
                                              "WORLD_HUMAN_BUCKET_CARRY"};
constexpr Vec3 kRanchHouse{-1642.05f, -1395.51f, 82.9f};

template <std::size_t N>
const char* pick(const char* const (&names)[N], uint64_t draw) {
    return names[draw % N];
}

Hash named(World& w, const char* name) {
    const Hash h = nameHash(name);
    w.names.emplace(h, name);
    return h;
}

// The world's own entity under a handle the plug-in held, where the old one stood: an object,
// so that the list of peds (worldGetAllPeds) never hands the value back to the plug-in, and
// any use of it is the use of a value held from before.
Entity ambientIn(World& w, const Entity& was) {
    Entity e;
    e.handle = was.handle;
    e.kind = EntityKind::Object;
    e.pos = was.pos;
    e.heading = was.heading;
    e.ambient = true;
    e.model = named(w, pick(kAmbientObjects, was.handle >> 8));
    return e;
}

// A reuse counter one up from the slot's last, within its seven bits.
Handle reused(Handle base, std::size_t slot, Handle last) {
    return base + static_cast<Handle>(slot << 8) + (((last & kReuseMask) + 1) & kReuseMask);
}

}  // namespace

void worldReload(World& w, int32_t clockHour) {
    for (Entity& e : w.entities) {
        if (!e.alive) continue;
        if (e.byPlugin) {
            e = ambientIn(w, e);
            continue;
        }
        // The game's own, built again where it stood: no task, no greeting, nothing held.
        Entity fresh;
        fresh.handle = e.handle;
        fresh.kind = e.kind;
        fresh.model = e.model;
        fresh.pos = e.pos;
        fresh.heading = e.heading;
        fresh.ambient = e.ambient;
        e = std::move(fresh);
    }
    for (ScenarioPoint& p : w.points) {
        if (!p.alive) continue;
        p.user = 0;
        if (!p.byPlugin) continue;
        p.byPlugin = false;
        p.ambient = true;
        p.type = named(w, pick(kAmbientPointTypes, p.handle >> 8));
        p.createA = 0;
        p.createB = 0;
    }
    w.playerGreetingLine = nullptr;
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
    e.kind = kind;
    e.model = model;
    e.pos = pos;
    e.byPlugin = byPlugin;
    std::size_t slot = 0;
    while (slot < w.entities.size() && w.entities[slot].alive) ++slot;
    if (slot == w.entities.size()) {
        if (slot >= kEntityPoolSlots) return 0;
        e.handle = kEntityBase + static_cast<Handle>(slot << 8);
        w.entities.push_back(std::move(e));
    } else {
        e.handle = reused(kEntityBase, slot, w.entities[slot].handle);
        w.entities[slot] = std::move(e);
    }
    if (byPlugin) ++w.pluginEntitiesMade[static_cast<std::size_t>(kind)];
    return w.entities[slot].handle;
}

Handle spawnPoint(World& w, Hash type, Vec3 pos, float heading, bool byPlugin) {
    ScenarioPoint p;
    p.type = type;
    p.pos = pos;
    p.heading = heading;
    p.byPlugin = byPlugin;
    std::size_t slot = 0;
    while (slot < w.points.size() && w.points[slot].alive) ++slot;
    if (slot == w.points.size()) {
        if (slot >= kPointPoolSlots) return 0;
        p.handle = kPointBase + static_cast<Handle>(slot << 8);
        w.points.push_back(p);
    } else {
        p.handle = reused(kPointBase, slot, w.points[slot].handle);
        w.points[slot] = p;
    }
    if (byPlugin) ++w.pluginPointsMade;
    return p.handle;
}

Handle spawnAmbient(World& w, uint64_t draw) {
    const double angle = static_cast<double>(draw >> 40 & 0xFFFF) / 65536.0 * 6.283185307179586;
    const auto radius = static_cast<float>(20 + (draw >> 24 & 0xFFFF) % 71);
    const Vec3 at{kRanchHouse.x + radius * static_cast<float>(std::cos(angle)),
                  kRanchHouse.y + radius * static_cast<float>(std::sin(angle)), w.groundZ};
    const uint64_t what = draw >> 8 & 0xFFFF;
    Handle h = 0;
    switch (draw % 4) {
        case 0:
            h = spawnEntity(w, EntityKind::Ped, named(w, pick(kAmbientPeds, what)), at, false);
            break;
        case 1:
            h = spawnEntity(w, EntityKind::Horse, named(w, pick(kAmbientHorses, what)), at, false);
            break;
        case 2:
            h = spawnEntity(w, EntityKind::Object, named(w, pick(kAmbientObjects, what)), at, false);
            break;
        default:
            h = spawnPoint(w, named(w, pick(kAmbientPointTypes, what)), at, static_cast<float>(what % 360), false);
            if (ScenarioPoint* p = findPoint(w, h)) p->ambient = true;
            return h;
    }
    if (Entity* e = findEntity(w, h)) e->ambient = true;
    return h;
}

int32_t ambientCount(const World& w) {
    int32_t n = 0;
    for (const Entity& e : w.entities) n += e.alive && e.ambient;
    for (const ScenarioPoint& p : w.points) n += p.alive && p.ambient;
    return n;
}

bool removeAmbient(World& w, uint64_t draw) {
    const int32_t n = ambientCount(w);
    if (n == 0) return false;
    auto k = static_cast<int32_t>(draw % static_cast<uint64_t>(n));
    for (const Entity& e : w.entities)
        if (e.alive && e.ambient && k-- == 0) {
            removeEntity(w, e.handle);
            return true;
        }
    for (ScenarioPoint& p : w.points)
        if (p.alive && p.ambient && k-- == 0) {
            p.alive = false;
            return true;
        }
    return false;
}

void ambientTick(World& w) {
    if (w.ambientEveryMs <= 0 || tw::elapsed(w.gameTime, w.ambientNext) < 0) return;
    w.ambientNext = tw::addTime(w.gameTime, w.ambientEveryMs);
    const uint64_t draw = splitmix64(w.ambientRng);
    // Mostly arrivals until the most are about; then as many leave as come.
    if (ambientCount(w) >= w.ambientMost || (draw >> 60) < 5)
        removeAmbient(w, draw >> 4);
    else
        spawnAmbient(w, draw >> 4);
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
