#include "actor_tracker.h"

#include <cmath>
#include <iterator>

namespace sim {

namespace {

constexpr int32_t kPathSampleMs = 1000;  // game time between path samples
constexpr float kPathMinStep = 0.5f;     // m; smaller moves add no path point

void extend(std::vector<PathPoint>& path, tw::Vec3 pos, int32_t now, int32_t lastSample) {
    if (path.empty() || std::hypot(path.back().x - pos.x, path.back().y - pos.y) >= kPathMinStep)
        path.push_back({pos.x, pos.y, now, lastSample});
}

// Row for row with the enum's order.
constexpr const char* kActorNames[] = {
    "Sadie",            // Sadie
    "Charles",          // Charles
    "Sadie's horse",    // SadieHorse
    "Charles's horse",  // CharlesHorse
};
static_assert(std::size(kActorNames) == kActorCount);
}  // namespace

const char* actorName(Actor a) { return kActorNames[static_cast<std::size_t>(a)]; }

ActorTracker makeActorTracker() {
    ActorTracker t;
    for (std::size_t a = 0; a < kActorCount; ++a) t.models[a] = host::nameHash(kActorModels[a]);
    return t;
}

int actorOfHandle(const ActorTracker& t, host::Handle h) {
    if (h == 0) return -1;
    for (std::size_t a = 0; a < kActorCount; ++a)
        if (t.handles[a] == h && t.present[a]) return static_cast<int>(a);
    return -1;
}

int actorOfModel(const ActorTracker& t, host::Hash m) {
    for (std::size_t a = 0; a < kActorCount; ++a)
        if (t.models[a] == m) return static_cast<int>(a);
    return -1;
}

void actorArrives(ActorTracker& t, std::size_t a, host::Handle h, tw::Vec3 pos, int32_t now) {
    t.handles[a] = h;
    t.present[a] = true;
    t.departing[a] = t.ridingAway[a] = t.toHorse[a] = t.dressed[a] = false;
    t.lastPoint[a] = 0;
    t.lastWalkTarget[a] = {};
    t.paths[a].push_back({pos.x, pos.y, now, now});
}

void samplePaths(ActorTracker& t, host::World& w) {
    if (tw::elapsed(w.gameTime, t.nextSample) < 0) return;
    t.nextSample = tw::addTime(w.gameTime, kPathSampleMs);
    for (std::size_t a = 0; a < kActorCount; ++a) {
        if (!t.present[a]) continue;
        if (const host::Entity* e = host::findEntity(w, t.handles[a]))
            extend(t.paths[a], e->pos, w.gameTime, t.lastSample);
    }
    if (const host::Entity* p = host::findEntity(w, w.playerPed))
        extend(t.playerPath, p->pos, w.gameTime, t.lastSample);
    t.lastSample = w.gameTime;
}

}  // namespace sim
