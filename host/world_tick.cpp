// One frame of the simulated world: tasks start, peds move toward their targets,
// riders move with their horses, scenarios take their users and run out.
#include <algorithm>
#include <cmath>

#include "ranch_layout.h"
#include "world.h"

namespace host {

namespace {

constexpr int32_t kMountMs = 1200;  // climbing into the saddle once beside the horse

float planarDistance(Vec3 a, Vec3 b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Moves pos toward target by at most step metres; true when it arrived.
bool stepToward(Vec3& pos, Vec3 target, float step, float arriveWithin) {
    const float d = planarDistance(pos, target);
    if (d <= arriveWithin) return true;
    const float t = std::min(1.0f, step / d);
    pos.x += (target.x - pos.x) * t;
    pos.y += (target.y - pos.y) * t;
    pos.z += (target.z - pos.z) * t;
    return planarDistance(pos, target) <= arriveWithin;
}

void finish(Entity& e) {
    e.task.finished = true;
    e.lastTask = e.task;
    e.task = {};
}

void tickTask(World& w, Entity& e, float dt) {
    Task& t = e.task;
    if (t.kind == TaskKind::None) return;
    if (!t.started) {
        if (tw::elapsed(w.gameTime, t.startTime) < 0) return;
        t.started = true;
    }
    // A held ped keeps its walk running but goes nowhere.
    const bool held = e.stuck && t.kind != TaskKind::Scenario && t.kind != TaskKind::Wander;
    const float step = held ? 0.0f : t.speed * dt;
    switch (t.kind) {
        case TaskKind::FollowNavMesh:
            if (stepToward(e.pos, t.target, step, 0.5f)) finish(e);
            break;
        case TaskKind::GoToEntity: {
            Entity* target = findEntity(w, t.targetEntity);
            if (!target) return finish(e);
            if (stepToward(e.pos, target->pos, step, 1.5f)) finish(e);
            break;
        }
        case TaskKind::MountAnimal: {
            Entity* horse = findEntity(w, t.targetEntity);
            if (!horse) return finish(e);
            if (t.mountAt == 0) {
                if (stepToward(e.pos, horse->pos, step, 1.0f)) t.mountAt = tw::addTime(w.gameTime, kMountMs);
            } else if (tw::elapsed(w.gameTime, t.mountAt) >= 0) {
                e.mount = horse->handle;
                e.pos = horse->pos;
                finish(e);
            }
            break;
        }
        case TaskKind::Scenario: {
            ScenarioPoint* p = findPoint(w, t.point);
            if (!p) return finish(e);
            if (p->user != e.handle) {
                if (!stepToward(e.pos, p->pos, step, 0.3f)) return;
                if (p->user && findEntity(w, p->user)) return;  // wait for the point to come free
                p->user = e.handle;
                // Game time wraps: the sum wraps with it, and once the timer has gone negative
                // the end time may be negative too, so 0 alone means no end.
                if (t.endTime != 0) t.endTime = tw::addTime(w.gameTime, t.endTime);
                return;
            }
            if (t.endTime != 0 && tw::elapsed(w.gameTime, t.endTime) >= 0) {
                p->user = 0;
                finish(e);
            }
            break;
        }
        case TaskKind::Wander:
            break;  // wandering peds stay about their centre
        case TaskKind::None:
            break;
    }
}

}  // namespace

void worldTick(World& w) {
    const float dt = static_cast<float>(w.frameStepMs) / 1000.0f;
    w.varStrings.clear();
    for (Entity& e : w.entities) {
        if (!e.alive || e.kind == EntityKind::Object || e.kind == EntityKind::Player) continue;
        if (e.mount) {
            Entity* horse = findEntity(w, e.mount);
            if (!horse) {
                e.mount = 0;
            } else {
                // A rider steers the horse: the task moves the horse and the rider with it.
                tickTask(w, e, dt);
                releasePoint(w, *horse);
                horse->task = {};  // a ridden horse goes where its rider steers
                horse->pos = e.pos;
                continue;
            }
        }
        tickTask(w, e, dt);
    }
    ranchTick(w);
    ambientTick(w);
}

}  // namespace host
