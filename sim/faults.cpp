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
    if (f.kind == FaultKind::PointVanishes)
        f.handle = host::spawnPoint(w, f.type, f.pos, f.heading, false);
    else
        f.handle = host::spawnEntity(w, host::EntityKind::Ped, f.type, f.pos, false);
    return true;
}

// The faults that are one of the host's answers switched on or off.
struct FlagFault {
    FaultKind kind;
    bool host::Faults::*flag;
};
constexpr FlagFault kFlagFaults[] = {
    {FaultKind::RefusePeds, &host::Faults::refusePeds},
    {FaultKind::RefuseObjects, &host::Faults::refuseObjects},
    {FaultKind::RefusePoints, &host::Faults::refusePoints},
    {FaultKind::PointsNotExisting, &host::Faults::pointsNotExisting},
    {FaultKind::NoGround, &host::Faults::noGround},
};

bool applyFlag(World& w, const Fault& f) {
    for (const FlagFault& row : kFlagFaults)
        if (row.kind == f.kind) w.faults.*row.flag = f.on;
    if (f.kind == FaultKind::MissionStarts) w.missionActive = f.on;
    if (f.kind == FaultKind::SightChange) {
        w.playerSeesEverything = f.on && f.value == 1;
        w.playerSeesNothing = f.on && f.value != 1;
    }
    return true;
}

// Row for row with the enum's order.
constexpr const char* kFaultNames[] = {
    "visitor deleted by the host",   // DeleteVisitor
    "horse deleted by the host",     // DeleteHorse
    "bedroll deleted by the host",   // DeleteBedroll
    "household member deleted",      // DeleteHousehold
    "scenario point vanished",       // PointVanishes
    "model loads late",              // ModelLate
    "model never loads",             // ModelNeverLoads
    "model loads, nothing created",  // ModelNeverCreated
    "ped creation refused",          // RefusePeds
    "object creation refused",       // RefuseObjects
    "point creation refused",        // RefusePoints
    "created points do not exist",   // PointsNotExisting
    "no ground found",               // NoGround
    "navigation stalls",             // Stuck
    "mounting never completes",      // MountNeverCompletes
    "player leaves the ranch",       // PlayerLeaves
    "player heads to the ranch",     // PlayerReturns
    "player sight forced",           // SightChange
    "story mission runs",            // MissionStarts
    "clock jumps (player sleeps)",   // ClockJump
    "developer key pressed",         // KeyPress
    "player greets a visitor",       // PlayerGreets
    "saved game loaded (reload)",    // Reload
    "passer-by comes or goes",       // PasserBy
    "model not valid",               // ModelInvalid
};
static_assert(std::size(kFaultNames) == kFaultKindCount);
}  // namespace

const char* faultName(FaultKind k) { return kFaultNames[static_cast<std::size_t>(k)]; }

bool applyFault(World& w, Fault& f) {
    if (isModelFault(f.kind)) return applyModelFault(w, f);
    switch (f.kind) {
        case FaultKind::DeleteVisitor:
        case FaultKind::DeleteHorse:
        case FaultKind::DeleteBedroll:
        case FaultKind::DeleteHousehold:
            if (!f.on) return bringBack(w, f);
            if (!host::findEntity(w, f.handle)) return false;
            host::removeEntity(w, f.handle);
            return true;
        case FaultKind::PointVanishes: {
            if (!f.on) return bringBack(w, f);
            host::ScenarioPoint* p = host::findPoint(w, f.handle);
            if (!p) return false;
            p->alive = false;
            return true;
        }
        case FaultKind::Stuck: {
            host::Entity* e = host::findEntity(w, f.handle);
            if (!e) return false;
            e->stuck = f.on;
            return true;
        }
        case FaultKind::Reload:
            return false;  // the script's host restarts it: host::restartScript
        case FaultKind::PasserBy:
            return f.on ? host::spawnAmbient(w, f.draw) != 0 : host::removeAmbient(w, f.draw);
        case FaultKind::ClockJump:
            w.clockBaseTime = tw::addTime(w.clockBaseTime, -f.value * host::kMsPerGameHour);
            return true;
        default:
            return applyFlag(w, f);
    }
}

}  // namespace sim
