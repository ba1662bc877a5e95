#include "faults.h"

namespace sim {

namespace {

using host::World;

constexpr int32_t kModelLoadMs = 200;  // a model's load time when nothing is wrong

bool applyModelFault(World& w, const Fault& f) {
    if (!f.model) return false;
    const bool valid = !(f.on && f.kind == FaultKind::ModelInvalid);
    int32_t delay = kModelLoadMs;
    if (f.on && f.kind == FaultKind::ModelLate) delay = f.value;
    if (f.on && f.kind == FaultKind::ModelNeverLoads) delay = -1;
    host::setModel(w, f.model, valid, delay);
    if (f.kind == FaultKind::ModelNeverCreated) w.models[host::nameHash(f.model)].neverCreated = f.on;
    return true;
}

// What a deletion took comes back: a household member as a new ped, a ranch point anew.
bool bringBack(World& w, Fault& f) {
    if (faultRow(f.kind).effect == FaultEffect::RemovePoint)
        f.handle = host::spawnPoint(w, f.type, f.pos, f.heading, false);
    else
        f.handle = host::spawnEntity(w, host::EntityKind::Ped, f.type, f.pos, false);
    return true;
}

}  // namespace

bool applyFault(World& w, Fault& f) {
    if (f.kind >= FaultKind::Count) return true;
    const FaultRow& row = faultRow(f.kind);
    switch (row.effect) {
        case FaultEffect::Model:
            return applyModelFault(w, f);
        case FaultEffect::RemoveEntity:
            if (!f.on) return bringBack(w, f);
            if (!host::findEntity(w, f.handle)) return false;
            host::removeEntity(w, f.handle);
            return true;
        case FaultEffect::RemovePoint: {
            if (!f.on) return bringBack(w, f);
            host::ScenarioPoint* p = host::findPoint(w, f.handle);
            if (!p) return false;
            p->alive = false;
            return true;
        }
        case FaultEffect::Obstacle: {
            host::Entity* e = host::findEntity(w, f.handle);
            if (!e) return false;
            e->stuck = f.on;
            return true;
        }
        case FaultEffect::Restart:
            return false;  // the script's host restarts it: host::restartScript
        case FaultEffect::PasserBy:
            return f.on ? host::spawnAmbient(w, f.draw) != 0 : host::removeAmbient(w, f.draw);
        case FaultEffect::ClockJump:
            w.clockBaseTime = tw::addTime(w.clockBaseTime, -f.value * host::kMsPerGameHour);
            return true;
        case FaultEffect::HostFlag:
            w.faults.*row.flag = f.on;
            return true;
        case FaultEffect::Mission:
            w.missionActive = f.on;
            return true;
        case FaultEffect::Sight:
            w.playerSeesEverything = f.on && f.value == 1;
            w.playerSeesNothing = f.on && f.value != 1;
            return true;
        case FaultEffect::None:
            return true;
    }
    return true;
}

}  // namespace sim
