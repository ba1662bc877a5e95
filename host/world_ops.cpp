#include "world_ops.h"

#include <cmath>
#include <cstring>

#include "script_host.h"

namespace host {

namespace {

using tw::Op;

void setBool(Call& c, bool v) { c.result[0] = v ? 1u : 0u; }
void setInt(Call& c, int32_t v) { c.result[0] = static_cast<uint32_t>(v); }
void setHandle(Call& c, Handle v) { c.result[0] = v; }
void setFloat(Call& c, float v) {
    uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    c.result[0] = bits;
}
void setVec3(Call& c, Vec3 v) {
    for (int i = 0; i < 3; ++i) {
        const float f = i == 0 ? v.x : i == 1 ? v.y : v.z;
        uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        c.result[i] = bits;
    }
}

float dist(Vec3 a, Vec3 b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

bool isHorseModel(const World& w, Hash model) {
    auto it = w.names.find(model);
    return it != w.names.end() && it->second.rfind("a_c_horse", 0) == 0;
}

// Interned copy of a line the plug-in handed over, so the world can keep it after the call.
const char* intern(World& w, const char* s) {
    if (!s) return nullptr;
    const Hash h = nameHash(s);
    auto [it, _] = w.names.try_emplace(h ^ 0x5a5a5a5au, s);
    return it->second.c_str();
}

constexpr int32_t kGetUpMs = 1000;  // getting up from a scenario before a new task can start

bool sameOrder(const Task& a, const Task& b) {
    if (a.kind != b.kind) return false;
    if (a.kind == TaskKind::GoToEntity || a.kind == TaskKind::MountAnimal) return a.targetEntity == b.targetEntity;
    return a.kind == TaskKind::FollowNavMesh;
}

void giveTask(World& w, Entity& e, Task t) {
    if (e.task.started && sameOrder(e.task, t)) {
        // The same order again while it runs only moves its target; the walk goes on.
        t.started = true;
        t.startTime = e.task.startTime;
        e.task = t;
        return;
    }
    t.startTime = tw::addTime(w.gameTime, w.frameStepMs);  // a new task starts on a later frame
    if (e.task.kind == TaskKind::Scenario && e.task.started) {
        releasePoint(w, e);
        e.busyUntil = tw::addTime(w.gameTime, kGetUpMs);
    }
    if (tw::elapsed(e.busyUntil, t.startTime) > 0) t.startTime = e.busyUntil;
    e.task = t;
}

Model& model(World& w, Hash h) {
    auto [it, inserted] = w.models.try_emplace(h);
    return it->second;
}

bool modelLoaded(World& w, Hash h) {
    Model& m = model(w, h);
    if (!m.valid || !m.requested || m.loadDelayMs < 0) return m.loaded;
    if (!m.loaded && tw::elapsed(w.gameTime, m.requestTime) >= m.loadDelayMs) m.loaded = true;
    return m.loaded;
}

void deleteEntityAt(Call& c, World& w) {
    auto* slot = static_cast<uint32_t*>(c.p(0));
    if (!slot) return;
    removeEntity(w, *slot);
    *slot = 0;
}

// Table of handlers, one per operation, filled by index so a missing one is caught below.
std::array<OpHandler, tw::kOpCount> makeHandlers() {
    std::array<OpHandler, tw::kOpCount> h{};
    auto at = [&h](Op op) -> OpHandler& { return h[static_cast<std::size_t>(op)]; };

    // ---- entities and the player ----
    at(Op::entityExists) = [](Call& c, World& w) { setBool(c, findEntity(w, c.u(0)) != nullptr); };
    at(Op::entityGetCoords) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) setVec3(c, e->pos);
    };
    at(Op::entityGetHeading) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) setFloat(c, e->heading);
    };
    at(Op::entitySetHeading) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) e->heading = c.f(1);
    };
    at(Op::entitySetCoords) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) e->pos = {c.f(1), c.f(2), c.f(3)};
    };
    at(Op::entityGetModel) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) setHandle(c, e->model);
    };
    at(Op::entitySetScriptOwned) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) e->scriptOwned = true;
    };
    at(Op::entityDelete) = [](Call& c, World& w) { deleteEntityAt(c, w); };
    at(Op::playerGetPed) = [](Call& c, World& w) { setHandle(c, w.playerPed); };
    at(Op::playerGetId) = [](Call& c, World& w) { setHandle(c, w.playerId); };
    at(Op::playerSetGreetingLine) = [](Call& c, World& w) { w.playerGreetingLine = intern(w, c.s(1)); };
    at(Op::pedIsGreetedByPlayer) = [](Call& c, World& w) {
        Entity* e = findEntity(w, c.u(0));
        setBool(c, e && e->greetedByPlayer);
    };
    at(Op::pedCanSeeEntity) = [](Call& c, World& w) {
        Entity* t = findEntity(w, c.u(1));
        setBool(c, t && canSee(w, c.u(0), t->pos));
    };
    at(Op::pedCanSeeCoord) = [](Call& c, World& w) { setBool(c, canSee(w, c.u(0), {c.f(1), c.f(2), c.f(3)})); };

    // ---- peds ----
    at(Op::pedCreate) = [](Call& c, World& w) {
        const Hash m = c.u(0);
        if (w.faults.refusePeds || !modelLoaded(w, m) || model(w, m).neverCreated) return;
        const EntityKind kind = isHorseModel(w, m) ? EntityKind::Horse : EntityKind::Ped;
        setHandle(c, spawnEntity(w, kind, m, {c.f(1), c.f(2), c.f(3)}, true));
    };
    at(Op::pedDelete) = [](Call& c, World& w) { deleteEntityAt(c, w); };
    for (Op op :
         {Op::pedSpawnOptionD, Op::pedSpawnOptionA, Op::pedSpawnOptionB, Op::pedSpawnOptionC, Op::pedRefreshAppearance})
        at(op) = [](Call&, World&) {};
    at(Op::pedSetConfigFlag) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) e->configFlags.emplace_back(c.i(1), c.u(2) != 0);
    };
    at(Op::pedSetRelationshipGroup) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) e->relationshipGroup = c.u(1);
    };
    at(Op::pedSetOutfitPreset) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) e->outfit = c.i(1);
    };
    at(Op::pedApplyEquipmentItem) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) e->equipment = c.u(1);
    };
    at(Op::pedSetVoice) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0)); e && c.s(1)) e->voice = c.s(1);
    };
    at(Op::pedSetName) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0)); e && c.s(1)) e->name = c.s(1);
    };
    at(Op::pedSetGreetingResponse) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) e->greetingResponse = intern(w, c.s(1));
    };
    at(Op::pedIsOnMount) = [](Call& c, World& w) {
        Entity* e = findEntity(w, c.u(0));
        setBool(c, e && e->mount && findEntity(w, e->mount));
    };
    at(Op::pedSetOnMount) = [](Call& c, World& w) {
        Entity* e = findEntity(w, c.u(0));
        Entity* m = findEntity(w, c.u(1));
        if (!e || !m) return;
        e->mount = m->handle;
        e->pos = m->pos;
        e->task = {};
    };
    at(Op::pedGetScenarioPointInUse) = [](Call& c, World& w) {
        Entity* e = findEntity(w, c.u(0));
        if (e && e->task.kind == TaskKind::Scenario && e->task.started) setHandle(c, e->task.point);
    };
    at(Op::weaponRemoveFromPed) = [](Call&, World&) {};

    // ---- tasks ----
    at(Op::taskClearPedTasks) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, c.u(0))) {
            if (e->task.kind == TaskKind::Scenario && e->task.started) {
                releasePoint(w, *e);
                e->busyUntil = tw::addTime(w.gameTime, kGetUpMs);  // still getting up when the next order comes
            }
            e->task = {};
        }
    };
    at(Op::taskUseScenarioPoint) = [](Call& c, World& w) {
        Entity* e = findEntity(w, c.u(0));
        if (!e) return;
        Task t;
        t.kind = TaskKind::Scenario;
        t.point = c.u(1);
        t.speed = 1.4f;
        const float d = c.f(8);
        t.endTime = d < 0 ? 0 : static_cast<int32_t>(d);  // relative until the scenario starts
        giveTask(w, *e, t);
    };
    at(Op::taskWanderInArea) = [](Call& c, World& w) {
        Entity* e = findEntity(w, c.u(0));
        if (!e) return;
        Task t;
        t.kind = TaskKind::Wander;
        t.target = {c.f(1), c.f(2), c.f(3)};
        t.radius = c.f(4);
        t.speed = 1.0f;
        giveTask(w, *e, t);
    };
    at(Op::taskFollowNavMeshToCoord) = [](Call& c, World& w) {
        Entity* e = findEntity(w, c.u(0));
        if (!e) return;
        Task t;
        t.kind = TaskKind::FollowNavMesh;
        t.target = {c.f(1), c.f(2), c.f(3)};
        t.speed = e->mount ? 6.0f * c.f(4) : 1.4f * c.f(4);
        giveTask(w, *e, t);
    };
    at(Op::taskGoToEntity) = [](Call& c, World& w) {
        Entity* e = findEntity(w, c.u(0));
        if (!e) return;
        Task t;
        t.kind = TaskKind::GoToEntity;
        t.targetEntity = c.u(1);
        t.speed = 2.0f;
        giveTask(w, *e, t);
    };
    at(Op::taskMountAnimal) = [](Call& c, World& w) {
        Entity* e = findEntity(w, c.u(0));
        if (!e) return;
        Task t;
        t.kind = TaskKind::MountAnimal;
        t.targetEntity = c.u(1);
        t.speed = 1.4f;
        giveTask(w, *e, t);
    };
    at(Op::taskLookAtEntity) = [](Call&, World&) {};
    at(Op::taskGetScriptTaskStatus) = [](Call& c, World& w) {
        Entity* e = findEntity(w, c.u(0));
        if (!e) return setInt(c, kTaskAbsent);
        const Hash task = c.u(1);
        const TaskKind asked = task == nameHash("SCRIPT_TASK_GO_TO_ENTITY")               ? TaskKind::GoToEntity
                               : task == nameHash("SCRIPT_TASK_FOLLOW_NAV_MESH_TO_COORD") ? TaskKind::FollowNavMesh
                                                                                          : TaskKind::None;
        if (asked != TaskKind::None && e->task.kind == asked)
            return setInt(c, e->task.started ? kTaskRunning : kTaskWaiting);
        if (asked != TaskKind::None && e->lastTask.kind == asked && e->lastTask.finished)
            return setInt(c, kTaskFinished);
        setInt(c, kTaskAbsent);
    };

    // ---- scenario points ----
    at(Op::scenarioPointCreate) = [](Call& c, World& w) {
        if (w.faults.refusePoints) return;
        const Handle h = spawnPoint(w, c.u(0), {c.f(1), c.f(2), c.f(3)}, c.f(4), true);
        ScenarioPoint* p = findPoint(w, h);
        p->createA = static_cast<int64_t>(c.args[6]);
        p->createB = c.i(7);
        if (w.faults.pointsNotExisting) p->alive = false;
        setHandle(c, h);
    };
    at(Op::scenarioPointExists) = [](Call& c, World& w) { setBool(c, findPoint(w, c.u(0)) != nullptr); };
    at(Op::scenarioPointDelete) = [](Call& c, World& w) {
        if (ScenarioPoint* p = findPoint(w, c.u(0))) p->alive = false;
    };
    at(Op::scenarioPointFindNear) = [](Call& c, World& w) {
        const Vec3 at{c.f(0), c.f(1), c.f(2)};
        const Hash type = c.u(3);
        const float radius = c.f(4);
        Handle best = 0;
        float bestDist = radius;
        for (const ScenarioPoint& p : w.points) {
            if (!p.alive || p.type != type) continue;
            const float d = dist(p.pos, at);
            if (d <= bestDist) best = p.handle, bestDist = d;
        }
        setHandle(c, best);
    };
    at(Op::scenarioPointIsUsableBy) = [](Call& c, World& w) {
        ScenarioPoint* p = findPoint(w, c.u(1));
        setBool(c, p && findEntity(w, c.u(0)) && (p->user == 0 || p->user == c.u(0) || !findEntity(w, p->user)));
    };
    at(Op::scenarioPointGetUser) = [](Call& c, World& w) {
        if (ScenarioPoint* p = findPoint(w, c.u(0))) setHandle(c, p->user);
    };
    at(Op::scenarioPointGetType) = [](Call& c, World& w) {
        if (ScenarioPoint* p = findPoint(w, c.u(0))) setHandle(c, p->type);
    };
    at(Op::scenarioPointGetCoords) = [](Call& c, World& w) {
        if (ScenarioPoint* p = findPoint(w, c.u(0))) setVec3(c, p->pos);
    };
    at(Op::scenarioPointGetHeading) = [](Call& c, World& w) {
        if (ScenarioPoint* p = findPoint(w, c.u(0))) setFloat(c, p->heading);
    };

    // ---- models and objects ----
    at(Op::streamingIsModelValid) = [](Call& c, World& w) { setBool(c, model(w, c.u(0)).valid); };
    at(Op::streamingRequestModel) = [](Call& c, World& w) {
        Model& m = model(w, c.u(0));
        if (!m.valid) return;
        if (!m.requested) m.requestTime = w.gameTime;
        m.requested = true;
        ++m.refCount;
    };
    at(Op::streamingHasModelLoaded) = [](Call& c, World& w) { setBool(c, modelLoaded(w, c.u(0))); };
    at(Op::streamingReleaseModel) = [](Call& c, World& w) {
        Model& m = model(w, c.u(0));
        if (m.refCount > 0) --m.refCount;
        if (m.refCount == 0) m.requested = false, m.loaded = false;
    };
    at(Op::objectCreate) = [](Call& c, World& w) {
        const Hash m = c.u(0);
        if (w.faults.refuseObjects || !modelLoaded(w, m) || model(w, m).neverCreated) return;
        setHandle(c, spawnEntity(w, EntityKind::Object, m, {c.f(1), c.f(2), c.f(3)}, true));
    };

    // ---- time, chance, geometry and story state ----
    at(Op::gameGetTimer) = [](Call& c, World& w) { setInt(c, w.gameTime); };
    at(Op::clockGetHours) = [](Call& c, World& w) { setInt(c, clockHour(w)); };
    at(Op::miscGetRandomInt) = [](Call& c, World& w) {
        const int64_t lo = c.i(0), hi = c.i(1);
        setInt(c, hi > lo ? static_cast<int32_t>(lo + nextRandom(w) % static_cast<uint64_t>(hi - lo)) : c.i(0));
    };
    at(Op::miscGetRandomFloat) = [](Call& c, World& w) {
        const float u = static_cast<float>(nextRandom(w) >> 8) / 16777216.0f;
        setFloat(c, c.f(0) + u * (c.f(1) - c.f(0)));
    };
    at(Op::miscGetDistanceBetweenCoords) = [](Call& c, World&) {
        setFloat(c, dist({c.f(0), c.f(1), c.f(2)}, {c.f(3), c.f(4), c.f(5)}));
    };
    at(Op::miscGetGroundZ) = [](Call& c, World& w) {
        if (w.faults.noGround) return setBool(c, false);
        if (auto* out = static_cast<float*>(c.p(3))) *out = w.groundZ;
        setBool(c, true);
    };
    at(Op::miscGetHashKey) = [](Call& c, World& w) {
        const char* name = c.s(0);
        if (!name) return;
        const Hash h = nameHash(name);
        w.names.try_emplace(h, name);
        setHandle(c, h);
    };
    at(Op::missionIsActive) = [](Call& c, World& w) { setBool(c, w.missionActive); };
    at(Op::missionIsCompleted) = [](Call& c, World& w) {
        bool done = false;
        for (Hash m : w.completedMissions) done = done || m == c.u(0);
        setBool(c, done);
    };

    // ---- screen and sound ----
    at(Op::miscCreateVarString) = [](Call& c, World& w) {
        w.varStrings.emplace_back(c.s(2) ? c.s(2) : "");
        c.result[0] = w.varStrings.size();
    };
    at(Op::uiSetTextScale) = [](Call& c, World& w) { w.textScale = c.f(0); };
    at(Op::uiSetTextColour) = [](Call& c, World& w) {
        w.textR = c.i(0), w.textG = c.i(1), w.textB = c.i(2), w.textA = c.i(3);
    };
    at(Op::uiDrawText) = [](Call& c, World& w) {
        const uint64_t ref = c.args[0];
        if (ref == 0 || ref > w.varStrings.size()) return;
        w.drawnThisFrame.push_back(
            {w.varStrings[ref - 1], c.f(1), c.f(2), w.textScale, w.textR, w.textG, w.textB, w.textA});
    };
    at(Op::graphicsPlayScreenEffect) = [](Call& c, World& w) {
        if (c.s(0)) w.screenEffects.emplace_back(c.s(0));
    };
    at(Op::audioPlayPedSpeech) = [](Call& c, World& w) {
        const auto* rec = static_cast<const uint64_t*>(c.p(1));
        if (!rec) return;
        const uint64_t expected[8] = {rec[0], 0, 0, nameHash("SPEECH_PARAMS_BEAT_SPOKEN_CLEAR"), 0, 1, 1, 1};
        if (rec[0] == 0 || std::memcmp(rec, expected, sizeof expected) != 0) {
            gHost.errors.push_back("audioPlayPedSpeech: speech record laid out wrongly");
            return;
        }
        if (findEntity(w, c.u(0)))
            w.spoken.push_back({w.gameTime, c.u(0), reinterpret_cast<const char*>(static_cast<uintptr_t>(rec[0]))});
    };
    return h;
}

}  // namespace

const std::array<OpHandler, tw::kOpCount> kOpHandlers = [] {
    auto h = makeHandlers();
    for (OpHandler f : h)
        if (!f) std::abort();  // every catalogue operation needs an answer
    return h;
}();

int32_t allPeds(World& w, int32_t* peds, int32_t capacity) {
    int32_t n = 0;
    for (const Entity& e : w.entities) {
        if (n >= capacity) break;
        if (e.alive && e.kind != EntityKind::Object) peds[n++] = static_cast<int32_t>(e.handle);
    }
    return w.allPedsClaimSet ? w.allPedsClaim : n;
}

bool canSee(World& w, Handle from, Vec3 to) {
    Entity* e = findEntity(w, from);
    if (!e) return false;
    if (w.playerSeesEverything) return true;
    if (w.playerSeesNothing) return false;
    return lineOfSight(w, e->pos, to);
}

}  // namespace host
