// Helpers the visit tests share: finding what the plug-in created in the simulated world.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "script_host.h"
#include "session.h"
#include "visit/world_tables.h"

namespace twtest {

// Living entities the plug-in created with the named model.
inline std::vector<host::Entity*> pluginEntities(const char* model) {
    std::vector<host::Entity*> out;
    for (host::Entity& e : host::gHost.world.entities)
        if (e.alive && e.byPlugin && e.model == host::nameHash(model)) out.push_back(&e);
    return out;
}

inline host::Entity* onlyEntity(const char* model) {
    auto all = pluginEntities(model);
    return all.size() == 1 ? all.front() : nullptr;
}

// The activity-spot points are the first points the plug-in creates at start, one per spot.
inline bool isSpotPoint(const host::ScenarioPoint& p) {
    int seen = 0;
    for (const host::ScenarioPoint& q : host::gHost.world.points) {
        if (!q.byPlugin) continue;
        if (&q == &p) return seen < static_cast<int>(tw::kActivitySpotCount);
        ++seen;
    }
    return false;
}

// Everything the plug-in created that is still in the world, apart from the activity-spot
// points, described one per line; empty once a visit has cleaned up after itself.
inline std::string leftovers() {
    std::string out;
    const host::World& w = host::gHost.world;
    for (const host::Entity& e : w.entities)
        if (e.alive && e.byPlugin) {
            auto it = w.names.find(e.model);
            out += "entity " + std::to_string(e.handle) + " " + (it != w.names.end() ? it->second : "?") + "\n";
        }
    for (const host::ScenarioPoint& p : w.points)
        if (p.alive && p.byPlugin && !isSpotPoint(p)) out += "point " + std::to_string(p.handle) + "\n";
    return out;
}

// Makes the visit-type draw (0, 3) answer `type` once: 0 both, 1 Sadie, 2 Charles.
inline void forceVisitType(int32_t type) {
    auto used = std::make_shared<bool>(false);
    host::overrideOf(tw::Op::miscGetRandomInt) = [type, used](host::Call& c, host::World&) {
        if (*used || c.i(0) != 0 || c.i(1) != 3) return false;
        *used = true;
        c.result[0] = static_cast<uint32_t>(type);
        return true;
    };
}

// Runs frames so that one falls on game time t exactly, and stops after it: a test of a
// threshold in time can look at the pass on each side of it.
inline void runTo(int32_t t) {
    host::Session s;
    const int32_t step = host::gHost.world.frameStepMs;
    bool last = false;  // the frame that ends on t, shortened to fall on it
    host::sessionRun(
        s,
        [&](host::World& w) {
            if (last) return false;
            if (tw::elapsed(t, w.gameTime) > step) return true;
            w.frameStepMs = tw::elapsed(t, w.gameTime);
            last = true;
            return true;
        },
        [&](host::World& w) {
            if (last) w.frameStepMs = step;
        });
}

// Presses the key until what it does shows, as a player presses again a key the game did not
// take: the script sees a key only within 100 ms of the press, and may be in a longer wait.
inline bool pressUntil(uint32_t key, const std::function<bool()>& done, int32_t limitMs = 10000) {
    for (int32_t t = 0; t < limitMs; t += 300) {
        host::sendKey(key);
        if (host::runUntil(done, 300)) return true;
    }
    return done();
}

inline bool anyVisitorPresent() {
    return !pluginEntities("cs_mrsadler").empty() || !pluginEntities("cs_charlessmith").empty();
}

}  // namespace twtest
