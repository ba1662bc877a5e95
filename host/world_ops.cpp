#include "world_ops.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "behaviour/speech_record.h"
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

// Any horse, the world's or the plug-in's, by the name the model was hashed from.
bool hasHorseModelName(const World& w, Hash model) {
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

// The entity in the caller's variable goes, and the variable is zeroed.
template <Op op>
void deleteEntityAt(Call& c, World& w) {
    auto* slot = static_cast<uint32_t*>(Args<op>{c}.template p<"handleAddress">());
    if (!slot) return;
    removeEntity(w, *slot);
    *slot = 0;
}

// Table of handlers, one per operation, filled by index so a missing one is caught below.
std::array<OpHandler, tw::kOpCount> makeHandlers() {
    std::array<OpHandler, tw::kOpCount> h{};
    auto at = [&h](Op op) -> OpHandler& { return h[static_cast<std::size_t>(op)]; };

    // ---- entities and the player ----
    at(Op::entityExists) = [](Call& c, World& w) {
        setBool(c, findEntity(w, Args<Op::entityExists>{c}.u<"entity">()) != nullptr);
    };
    at(Op::entityGetCoords) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, Args<Op::entityGetCoords>{c}.u<"entity">())) setVec3(c, e->pos);
    };
    at(Op::entityGetHeading) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, Args<Op::entityGetHeading>{c}.u<"entity">())) setFloat(c, e->heading);
    };
    at(Op::entitySetHeading) = [](Call& c, World& w) {
        const Args<Op::entitySetHeading> a{c};
        if (Entity* e = findEntity(w, a.u<"entity">())) e->heading = a.f<"heading">();
    };
    at(Op::entitySetCoords) = [](Call& c, World& w) {
        const Args<Op::entitySetCoords> a{c};
        if (Entity* e = findEntity(w, a.u<"entity">())) e->pos = a.xyz();
    };
    at(Op::entityGetModel) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, Args<Op::entityGetModel>{c}.u<"entity">())) setHandle(c, e->model);
    };
    at(Op::entitySetScriptOwned) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, Args<Op::entitySetScriptOwned>{c}.u<"entity">())) e->scriptOwned = true;
    };
    at(Op::entityDelete) = deleteEntityAt<Op::entityDelete>;
    at(Op::playerGetPed) = [](Call& c, World& w) { setHandle(c, w.playerPed); };
    at(Op::playerGetId) = [](Call& c, World& w) { setHandle(c, w.playerId); };
    at(Op::playerSetGreetingLine) = [](Call& c, World& w) {
        w.playerGreetingLine = intern(w, Args<Op::playerSetGreetingLine>{c}.s<"line">());
    };
    at(Op::pedIsGreetedByPlayer) = [](Call& c, World& w) {
        Entity* e = findEntity(w, Args<Op::pedIsGreetedByPlayer>{c}.u<"ped">());
        setBool(c, e && e->greetedByPlayer);
    };
    at(Op::pedCanSeeEntity) = [](Call& c, World& w) {
        const Args<Op::pedCanSeeEntity> a{c};
        Entity* t = findEntity(w, a.u<"target">());
        setBool(c, t && canSee(w, a.u<"ped">(), t->pos));
    };
    at(Op::pedCanSeeCoord) = [](Call& c, World& w) {
        const Args<Op::pedCanSeeCoord> a{c};
        setBool(c, canSee(w, a.u<"ped">(), a.xyz()));
    };

    // ---- peds ----
    at(Op::pedCreate) = [](Call& c, World& w) {
        const Args<Op::pedCreate> a{c};
        const Hash m = a.u<"model">();
        if (w.faults.refusePeds || !modelLoaded(w, m) || model(w, m).neverCreated) return;
        const EntityKind kind = hasHorseModelName(w, m) ? EntityKind::Horse : EntityKind::Ped;
        setHandle(c, spawnEntity(w, kind, m, a.xyz(), true));
    };
    at(Op::pedDelete) = deleteEntityAt<Op::pedDelete>;
    for (Op op :
         {Op::pedSpawnOptionD, Op::pedSpawnOptionA, Op::pedSpawnOptionB, Op::pedSpawnOptionC, Op::pedRefreshAppearance})
        at(op) = [](Call&, World&) {};
    at(Op::pedSetConfigFlag) = [](Call& c, World& w) {
        const Args<Op::pedSetConfigFlag> a{c};
        if (Entity* e = findEntity(w, a.u<"ped">())) e->configFlags.emplace_back(a.i<"flag">(), a.u<"value">() != 0);
    };
    at(Op::pedSetRelationshipGroup) = [](Call& c, World& w) {
        const Args<Op::pedSetRelationshipGroup> a{c};
        if (Entity* e = findEntity(w, a.u<"ped">())) e->relationshipGroup = a.u<"group">();
    };
    at(Op::pedSetOutfitPreset) = [](Call& c, World& w) {
        const Args<Op::pedSetOutfitPreset> a{c};
        if (Entity* e = findEntity(w, a.u<"ped">())) e->outfit = a.i<"preset">();
    };
    at(Op::pedApplyEquipmentItem) = [](Call& c, World& w) {
        const Args<Op::pedApplyEquipmentItem> a{c};
        if (Entity* e = findEntity(w, a.u<"ped">())) e->equipment = a.u<"item">();
    };
    at(Op::pedSetVoice) = [](Call& c, World& w) {
        const Args<Op::pedSetVoice> a{c};
        if (Entity* e = findEntity(w, a.u<"ped">()); e && a.s<"voice">()) e->voice = a.s<"voice">();
    };
    at(Op::pedSetName) = [](Call& c, World& w) {
        const Args<Op::pedSetName> a{c};
        if (Entity* e = findEntity(w, a.u<"ped">()); e && a.s<"name">()) e->name = a.s<"name">();
    };
    at(Op::pedSetGreetingResponse) = [](Call& c, World& w) {
        const Args<Op::pedSetGreetingResponse> a{c};
        if (Entity* e = findEntity(w, a.u<"ped">())) e->greetingResponse = intern(w, a.s<"line">());
    };
    at(Op::pedIsOnMount) = [](Call& c, World& w) {
        Entity* e = findEntity(w, Args<Op::pedIsOnMount>{c}.u<"ped">());
        setBool(c, e && e->mount && findEntity(w, e->mount));
    };
    at(Op::pedSetOnMount) = [](Call& c, World& w) {
        const Args<Op::pedSetOnMount> a{c};
        Entity* e = findEntity(w, a.u<"ped">());
        Entity* m = findEntity(w, a.u<"mount">());
        if (!e || !m) return;
        e->mount = m->handle;
        e->pos = m->pos;
        e->task = {};
    };
    at(Op::pedGetScenarioPointInUse) = [](Call& c, World& w) {
        Entity* e = findEntity(w, Args<Op::pedGetScenarioPointInUse>{c}.u<"ped">());
        if (e && e->task.kind == TaskKind::Scenario && e->task.started) setHandle(c, e->task.point);
    };
    at(Op::weaponRemoveFromPed) = [](Call&, World&) {};

    // ---- tasks ----
    at(Op::taskClearPedTasks) = [](Call& c, World& w) {
        if (Entity* e = findEntity(w, Args<Op::taskClearPedTasks>{c}.u<"ped">())) {
            if (e->task.kind == TaskKind::Scenario && e->task.started) {
                releasePoint(w, *e);
                e->busyUntil = tw::addTime(w.gameTime, kGetUpMs);  // still getting up when the next order comes
            }
            e->task = {};
        }
    };
    at(Op::taskUseScenarioPoint) = [](Call& c, World& w) {
        const Args<Op::taskUseScenarioPoint> a{c};
        Entity* e = findEntity(w, a.u<"ped">());
        if (!e) return;
        Task t;
        t.kind = TaskKind::Scenario;
        t.point = a.u<"point">();
        t.speed = 1.4f;
        const float d = a.f<"duration">();
        t.endTime = d < 0 ? 0 : static_cast<int32_t>(d);  // relative until the scenario starts
        giveTask(w, *e, t);
    };
    at(Op::taskWanderInArea) = [](Call& c, World& w) {
        const Args<Op::taskWanderInArea> a{c};
        Entity* e = findEntity(w, a.u<"ped">());
        if (!e) return;
        Task t;
        t.kind = TaskKind::Wander;
        t.target = a.xyz();
        t.radius = a.f<"radius">();
        t.speed = 1.0f;
        giveTask(w, *e, t);
    };
    at(Op::taskFollowNavMeshToCoord) = [](Call& c, World& w) {
        const Args<Op::taskFollowNavMeshToCoord> a{c};
        Entity* e = findEntity(w, a.u<"ped">());
        if (!e) return;
        Task t;
        t.kind = TaskKind::FollowNavMesh;
        t.target = a.xyz();
        t.speed = e->mount ? 6.0f * a.f<"a">() : 1.4f * a.f<"a">();  // "a" scales the pace
        giveTask(w, *e, t);
    };
    at(Op::taskGoToEntity) = [](Call& c, World& w) {
        const Args<Op::taskGoToEntity> a{c};
        Entity* e = findEntity(w, a.u<"ped">());
        if (!e) return;
        Task t;
        t.kind = TaskKind::GoToEntity;
        t.targetEntity = a.u<"target">();
        t.speed = 2.0f;
        giveTask(w, *e, t);
    };
    at(Op::taskMountAnimal) = [](Call& c, World& w) {
        const Args<Op::taskMountAnimal> a{c};
        Entity* e = findEntity(w, a.u<"ped">());
        if (!e) return;
        Task t;
        t.kind = TaskKind::MountAnimal;
        t.targetEntity = a.u<"mount">();
        t.speed = 1.4f;
        giveTask(w, *e, t);
    };
    at(Op::taskLookAtEntity) = [](Call&, World&) {};
    at(Op::taskGetScriptTaskStatus) = [](Call& c, World& w) {
        const Args<Op::taskGetScriptTaskStatus> a{c};
        Entity* e = findEntity(w, a.u<"ped">());
        if (!e) return setInt(c, tw::kTaskNotFound);
        const Hash task = a.u<"task">();
        const TaskKind asked = task == nameHash("SCRIPT_TASK_GO_TO_ENTITY")               ? TaskKind::GoToEntity
                               : task == nameHash("SCRIPT_TASK_FOLLOW_NAV_MESH_TO_COORD") ? TaskKind::FollowNavMesh
                                                                                          : TaskKind::None;
        if (asked != TaskKind::None && e->task.kind == asked)
            return setInt(c, e->task.started ? tw::kTaskRunning : tw::kTaskWaitingToStart);
        if (asked != TaskKind::None && e->lastTask.kind == asked && e->lastTask.finished)
            return setInt(c, tw::kTaskFinished);
        setInt(c, tw::kTaskNotFound);
    };

    // ---- scenario points ----
    at(Op::scenarioPointCreate) = [](Call& c, World& w) {
        if (w.faults.refusePoints) return;
        const Args<Op::scenarioPointCreate> a{c};
        const Handle h = spawnPoint(w, a.u<"type">(), a.xyz(), a.f<"heading">(), true);
        ScenarioPoint* p = findPoint(w, h);
        p->createA = static_cast<int64_t>(a.whole<"a">());
        p->createB = a.i<"b">();
        if (w.faults.pointsNotExisting) p->alive = false;
        setHandle(c, h);
    };
    at(Op::scenarioPointExists) = [](Call& c, World& w) {
        setBool(c, findPoint(w, Args<Op::scenarioPointExists>{c}.u<"point">()) != nullptr);
    };
    at(Op::scenarioPointDelete) = [](Call& c, World& w) {
        if (ScenarioPoint* p = findPoint(w, Args<Op::scenarioPointDelete>{c}.u<"point">())) p->alive = false;
    };
    at(Op::scenarioPointFindNear) = [](Call& c, World& w) {
        const Args<Op::scenarioPointFindNear> a{c};
        const Vec3 at = a.xyz();
        const Hash type = a.u<"type">();
        const float radius = a.f<"radius">();
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
        const Args<Op::scenarioPointIsUsableBy> a{c};
        const Handle ped = a.u<"ped">();
        ScenarioPoint* p = findPoint(w, a.u<"point">());
        setBool(c, p && findEntity(w, ped) && (p->user == 0 || p->user == ped || !findEntity(w, p->user)));
    };
    at(Op::scenarioPointGetUser) = [](Call& c, World& w) {
        if (ScenarioPoint* p = findPoint(w, Args<Op::scenarioPointGetUser>{c}.u<"point">())) setHandle(c, p->user);
    };
    at(Op::scenarioPointGetType) = [](Call& c, World& w) {
        if (ScenarioPoint* p = findPoint(w, Args<Op::scenarioPointGetType>{c}.u<"point">())) setHandle(c, p->type);
    };
    at(Op::scenarioPointGetCoords) = [](Call& c, World& w) {
        if (ScenarioPoint* p = findPoint(w, Args<Op::scenarioPointGetCoords>{c}.u<"point">())) setVec3(c, p->pos);
    };
    at(Op::scenarioPointGetHeading) = [](Call& c, World& w) {
        if (ScenarioPoint* p = findPoint(w, Args<Op::scenarioPointGetHeading>{c}.u<"point">())) setFloat(c, p->heading);
    };

    // ---- models and objects ----
    at(Op::streamingIsModelValid) = [](Call& c, World& w) {
        setBool(c, model(w, Args<Op::streamingIsModelValid>{c}.u<"model">()).valid);
    };
    at(Op::streamingRequestModel) = [](Call& c, World& w) {
        Model& m = model(w, Args<Op::streamingRequestModel>{c}.u<"model">());
        if (!m.valid) return;
        if (!m.requested) m.requestTime = w.gameTime;
        m.requested = true;
        ++m.refCount;
    };
    at(Op::streamingHasModelLoaded) = [](Call& c, World& w) {
        setBool(c, modelLoaded(w, Args<Op::streamingHasModelLoaded>{c}.u<"model">()));
    };
    at(Op::streamingReleaseModel) = [](Call& c, World& w) {
        Model& m = model(w, Args<Op::streamingReleaseModel>{c}.u<"model">());
        if (m.refCount > 0) --m.refCount;
        if (m.refCount == 0) m.requested = false, m.loaded = false;
    };
    at(Op::objectCreate) = [](Call& c, World& w) {
        const Args<Op::objectCreate> a{c};
        const Hash m = a.u<"model">();
        if (w.faults.refuseObjects || !modelLoaded(w, m) || model(w, m).neverCreated) return;
        setHandle(c, spawnEntity(w, EntityKind::Object, m, a.xyz(), true));
    };

    // ---- time, chance, geometry and story state ----
    at(Op::gameGetTimer) = [](Call& c, World& w) { setInt(c, w.gameTime); };
    at(Op::clockGetHours) = [](Call& c, World& w) { setInt(c, clockHour(w)); };
    at(Op::miscGetRandomInt) = [](Call& c, World& w) {
        const Args<Op::miscGetRandomInt> a{c};
        const int64_t lo = a.i<"min">(), hi = a.i<"max">();
        setInt(c, hi > lo ? static_cast<int32_t>(lo + nextRandom(w) % static_cast<uint64_t>(hi - lo)) : a.i<"min">());
    };
    at(Op::miscGetRandomFloat) = [](Call& c, World& w) {
        const Args<Op::miscGetRandomFloat> a{c};
        const float u = static_cast<float>(nextRandom(w) >> 8) / 16777216.0f;
        setFloat(c, a.f<"min">() + u * (a.f<"max">() - a.f<"min">()));
    };
    at(Op::miscGetDistanceBetweenCoords) = [](Call& c, World&) {
        const Args<Op::miscGetDistanceBetweenCoords> a{c};
        setFloat(c, dist({a.f<"x1">(), a.f<"y1">(), a.f<"z1">()}, {a.f<"x2">(), a.f<"y2">(), a.f<"z2">()}));
    };
    at(Op::miscGetGroundZ) = [](Call& c, World& w) {
        if (w.faults.noGround) return setBool(c, false);
        if (auto* out = static_cast<float*>(Args<Op::miscGetGroundZ>{c}.p<"outZ">())) *out = w.groundZ;
        setBool(c, true);
    };
    at(Op::miscGetHashKey) = [](Call& c, World& w) {
        const char* name = Args<Op::miscGetHashKey>{c}.s<"name">();
        if (!name) return;
        const Hash h = nameHash(name);
        w.names.try_emplace(h, name);
        setHandle(c, h);
    };
    at(Op::missionIsActive) = [](Call& c, World& w) { setBool(c, w.missionActive); };
    at(Op::missionIsCompleted) = [](Call& c, World& w) {
        const Hash mission = Args<Op::missionIsCompleted>{c}.u<"mission">();
        bool done = false;
        for (Hash m : w.completedMissions) done = done || m == mission;
        setBool(c, done);
    };

    // ---- screen and sound ----
    at(Op::miscCreateVarString) = [](Call& c, World& w) {
        const char* text = Args<Op::miscCreateVarString>{c}.s<"text">();
        w.varStrings.emplace_back(text ? text : "");
        c.result[0] = w.varStrings.size();
    };
    at(Op::uiSetTextScale) = [](Call& c, World& w) { w.textScale = Args<Op::uiSetTextScale>{c}.f<"scaleX">(); };
    at(Op::uiSetTextColour) = [](Call& c, World& w) {
        const Args<Op::uiSetTextColour> a{c};
        w.textR = a.i<"r">(), w.textG = a.i<"g">(), w.textB = a.i<"b">(), w.textA = a.i<"alpha">();
    };
    at(Op::uiDrawText) = [](Call& c, World& w) {
        const Args<Op::uiDrawText> a{c};
        const uint64_t ref = a.whole<"text">();
        if (ref == 0 || ref > w.varStrings.size()) return;
        w.drawnThisFrame.push_back(
            {w.varStrings[ref - 1], a.f<"x">(), a.f<"y">(), w.textScale, w.textR, w.textG, w.textB, w.textA});
    };
    at(Op::graphicsPlayScreenEffect) = [](Call& c, World& w) {
        if (const char* name = Args<Op::graphicsPlayScreenEffect>{c}.s<"name">()) w.screenEffects.emplace_back(name);
    };
    at(Op::audioPlayPedSpeech) = [](Call& c, World& w) {
        const Args<Op::audioPlayPedSpeech> a{c};
        const auto* rec = static_cast<const tw::SpeechRecord*>(a.p<"speechRecord">());
        if (!rec) return;
        if (rec->line == 0 || !tw::hasFixedSlots(*rec) || rec->params != nameHash(tw::kSpeechParamsName)) {
            recordError("audioPlayPedSpeech: speech record laid out wrongly");
            return;
        }
        if (findEntity(w, a.u<"ped">())) w.spoken.push_back({w.gameTime, a.u<"ped">(), tw::lineOf(*rec)});
    };
    return h;
}

}  // namespace

const std::array<OpHandler, tw::kOpCount> kOpHandlers = [] {
    auto h = makeHandlers();
    for (std::size_t op = 0; op < h.size(); ++op) {
        if (h[op]) continue;
        // Every catalogue operation needs an answer: a host without one cannot start.
        std::fprintf(stderr, "host: no handler for the catalogue operation %s (host/world_ops.cpp, makeHandlers)\n",
                     tw::kCatalogue[op].name);
        std::abort();
    }
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
