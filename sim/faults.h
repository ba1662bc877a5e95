// The one vocabulary of faults: what the host can do wrong, as the soak's injector draws it at
// random and as a scenario schedules it, and the one routine that applies a fault to the world.
#pragma once

#include <array>
#include <cstdint>

#include "world.h"

namespace sim {

enum class FaultKind : uint8_t {
    DeleteVisitor,        // the host deletes a visitor's ped
    DeleteHorse,          // ... a visitor's horse
    DeleteBedroll,        // ... one of the plug-in's bedroll objects
    DeleteHousehold,      // ... Abigail, Uncle or Jack (back as a new ped some hours later)
    PointVanishes,        // a scenario point disappears (a ranch point comes back later)
    ModelLate,            // a model takes 1 to 7 s to load for a while
    ModelNeverLoads,      // a model never reports loaded for a while
    ModelNeverCreated,    // a model loads but nothing is created from it for a while
    RefusePeds,           // pedCreate answers 0 for a while
    RefuseObjects,        // objectCreate answers 0 for a while
    RefusePoints,         // scenarioPointCreate answers 0 for a while
    PointsNotExisting,    // created points report as not existing for a while
    NoGround,             // miscGetGroundZ finds no ground for a while
    Stuck,                // an obstacle holds a visitor or horse
    MountNeverCompletes,  // mount orders and saddle placement take no effect for a while
    PlayerLeaves,         // the player heads away from the ranch
    PlayerReturns,        // the player heads to the ranch (or walks up to a visitor)
    SightChange,          // the player sees everything or nothing for a while
    MissionStarts,        // a story mission runs for a while
    ClockJump,            // the player sleeps: the clock moves on 2 to 12 hours
    KeyPress,             // a developer hotkey, from the keyboard thread
    PlayerGreets,         // the player greets a visitor whose answer is armed
    Reload,               // the player loads a saved game: the script starts again (host::restartScript)
    PasserBy,             // a passer-by of the world's own comes near the ranch, or one goes
    // Only scenarios schedule the kinds below; the soak neither draws nor counts them.
    ModelInvalid,  // a model is reported as not valid
    Count
};
inline constexpr std::size_t kFaultKindCount = static_cast<std::size_t>(FaultKind::Count);
inline constexpr std::size_t kSoakFaultKindCount = static_cast<std::size_t>(FaultKind::ModelInvalid);
const char* faultName(FaultKind k);

using FaultCounts = std::array<uint64_t, kSoakFaultKindCount>;

inline constexpr bool isModelFault(FaultKind k) {
    return k == FaultKind::ModelLate || k == FaultKind::ModelNeverLoads || k == FaultKind::ModelNeverCreated ||
           k == FaultKind::ModelInvalid;
}

// One fault as it reaches the world: its kind, whether its window opens or ends, and what it hits.
struct Fault {
    FaultKind kind = FaultKind::Count;
    bool on = true;               // false: the fault's window ends (or what it took comes back)
    host::Handle handle = 0;      // entity or point it hits; set to the new one when one comes back
    const char* model = nullptr;  // model faults: the model's name
    host::Hash type = 0;          // what comes back: the household ped's model, the point's type
    host::Vec3 pos{};             // ... and where
    float heading = 0;
    int32_t value = 0;  // ModelLate: load delay, ms; ClockJump: hours; SightChange: 1 sees everything
    uint64_t draw = 0;  // PasserBy: which one comes (on) or goes (off), and where
};

// Applies a fault to the world. Returns false when what it hits is not there; the player's
// own doings (leaving, returning, keys, greetings, loading a saved game) are not the world's
// and are left to the caller.
bool applyFault(host::World& w, Fault& f);

}  // namespace sim
