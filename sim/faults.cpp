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

}  // namespace

const char* faultName(FaultKind k) {
    switch (k) {
        case FaultKind::DeleteVisitor:
            return "visitor deleted by the host";
        case FaultKind::DeleteHorse:
            return "horse deleted by the host";
        case FaultKind::DeleteBedroll:
            return "bedroll deleted by the host";
        case FaultKind::DeleteHousehold:
            return "household member deleted";
        case FaultKind::PointVanishes:
            return "scenario point vanished";
        case FaultKind::ModelLate:
            return "model loads late";
        case FaultKind::ModelNeverLoads:
            return "model never loads";
        case FaultKind::ModelNeverCreated:
            return "model loads, nothing created";
        case FaultKind::RefusePeds:
            return "ped creation refused";
        case FaultKind::RefuseObjects:
            return "object creation refused";
        case FaultKind::RefusePoints:
            return "point creation refused";
        case FaultKind::PointsNotExisting:
            return "created points do not exist";
        case FaultKind::NoGround:
            return "no ground found";
        case FaultKind::Stuck:
            return "navigation stalls";
        case FaultKind::MountNeverCompletes:
            return "mounting never completes";
        case FaultKind::PlayerLeaves:
            return "player leaves the ranch";
        case FaultKind::PlayerReturns:
            return "player heads to the ranch";
        case FaultKind::SightChange:
            return "player sight forced";
        case FaultKind::MissionStarts:
            return "story mission runs";
        case FaultKind::ClockJump:
            return "clock jumps (player sleeps)";
        case FaultKind::KeyPress:
            return "developer key pressed";
        case FaultKind::PlayerGreets:
            return "player greets a visitor";
        case FaultKind::ModelInvalid:
            return "model not valid";
        case FaultKind::Count:
            break;
    }
    return "?";
}

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
        case FaultKind::ClockJump:
            w.clockBaseTime = tw::addTime(w.clockBaseTime, -f.value * host::kMsPerGameHour);
            return true;
        default:
            return applyFlag(w, f);
    }
}

}  // namespace sim
