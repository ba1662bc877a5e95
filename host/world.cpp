#include "world.h"

#include <cctype>

namespace sim {

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

namespace {
// Handles are slot index + a base, so 0 is never a handle and entity and point
// handles do not look alike in traces.
constexpr Handle kEntityBase = 0x100;
constexpr Handle kPointBase = 0x10000;
}  // namespace

void worldReset(World& w) {
    w = World{};
    w.playerPed = spawnEntity(w, EntityKind::Player, nameHash("player_zero"), {-1642.0f, -1380.0f, 83.0f}, false);
}

Entity* findEntity(World& w, Handle h) {
    if (h < kEntityBase || h - kEntityBase >= w.entities.size()) return nullptr;
    Entity& e = w.entities[h - kEntityBase];
    return e.alive ? &e : nullptr;
}

ScenarioPoint* findPoint(World& w, Handle h) {
    if (h < kPointBase || h - kPointBase >= w.points.size()) return nullptr;
    ScenarioPoint& p = w.points[h - kPointBase];
    return p.alive ? &p : nullptr;
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

int32_t clockHour(const World& w) {
    const int64_t ms = static_cast<int64_t>(tw::elapsed(w.gameTime, w.clockBaseTime));
    int64_t hours = w.clockStartHour + (ms >= 0 ? ms / 120000 : -((-ms + 119999) / 120000));
    hours %= 24;
    if (hours < 0) hours += 24;
    return static_cast<int32_t>(hours);
}

uint32_t nextRandom(World& w) {
    // splitmix64: small, fast and the same on every platform
    uint64_t z = (w.rngState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

}  // namespace sim
