// The one vocabulary of faults: what the host can do wrong, as the soak's injector draws it at
// random and as a scenario schedules it, and the one routine that applies a fault to the world.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>

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

// How the soak's injector draws a fault of a kind (FaultInjector::apply).
enum class FaultDraw : uint8_t {
    Deletion,     // something the host deletes; a household member or a ranch point comes back later
    Model,        // one of the plug-in's models, for the row's window
    Window,       // holds for the row's window, then ends by itself
    Obstacle,     // holds a visitor or horse, most times for the row's window
    PlayerAway,   // the player sets off away from the ranch
    PlayerHome,   // ... or to it
    ClockJump,    // 2 to 12 hours
    KeyPress,     // developer builds only
    Reload,       // the script's host restarts the script
    PasserBy,     // one comes or one goes
    ByPlayer,     // drawn as the player moves, not on a schedule
    ScenarioOnly  // the soak never draws it
};

// What applyFault does to the world.
enum class FaultEffect : uint8_t {
    RemoveEntity,  // the entity goes; off: a household member comes back as a new ped
    RemovePoint,   // the point stops existing; off: a ranch point comes back anew
    Model,         // the model loads late, never, nothing is created from it, or is not valid
    HostFlag,      // one of the host's answers (the row's flag) switched on or off
    Mission,       // a story mission runs
    Sight,         // the player sees everything (value 1) or nothing
    Obstacle,      // the entity is held where it stands
    ClockJump,     // the clock moves on value hours
    PasserBy,      // a passer-by of the world's own comes or goes
    Restart,       // none here: the script's host restarts it (host::restartScript)
    None           // the player's own doings, or the injector's: the world is left as it is
};

// Every fact of one fault kind, one row per kind, row for row with the enum.
struct FaultRow {
    FaultKind kind;
    const char* name;  // as the soak's report and the timeline print it
    FaultDraw draw;
    FaultEffect effect;
    double meanHours;  // soak: mean in-game hours between two draws; 0 = not on a schedule
    // soak: in-game hours the fault holds (a window's length, or until what it took comes back)
    double minHours, maxHours;
    bool host::Faults::*flag;  // HostFlag: the answer it switches
};

// clang-format off
inline constexpr FaultRow kFaultRows[] = {
    //  kind                            name                             draw                      effect                     mean   window (h)  flag
    {FaultKind::DeleteVisitor,       "visitor deleted by the host",   FaultDraw::Deletion,     FaultEffect::RemoveEntity, 14,    0, 0,       nullptr},
    {FaultKind::DeleteHorse,         "horse deleted by the host",     FaultDraw::Deletion,     FaultEffect::RemoveEntity, 14,    0, 0,       nullptr},
    {FaultKind::DeleteBedroll,       "bedroll deleted by the host",   FaultDraw::Deletion,     FaultEffect::RemoveEntity, 14,    0, 0,       nullptr},
    {FaultKind::DeleteHousehold,     "household member deleted",      FaultDraw::Deletion,     FaultEffect::RemoveEntity, 30,    1, 6,       nullptr},
    {FaultKind::PointVanishes,       "scenario point vanished",       FaultDraw::Deletion,     FaultEffect::RemovePoint,  8,     0.5, 4,     nullptr},
    {FaultKind::ModelLate,           "model loads late",              FaultDraw::Model,        FaultEffect::Model,        10,    0.5, 10,    nullptr},
    {FaultKind::ModelNeverLoads,     "model never loads",             FaultDraw::Model,        FaultEffect::Model,        20,    0.5, 10,    nullptr},
    {FaultKind::ModelNeverCreated,   "model loads, nothing created",  FaultDraw::Model,        FaultEffect::Model,        20,    0.5, 10,    nullptr},
    {FaultKind::RefusePeds,          "ped creation refused",          FaultDraw::Window,       FaultEffect::HostFlag,     24,    0.25, 6,    &host::Faults::refusePeds},
    {FaultKind::RefuseObjects,       "object creation refused",       FaultDraw::Window,       FaultEffect::HostFlag,     24,    0.25, 6,    &host::Faults::refuseObjects},
    {FaultKind::RefusePoints,        "point creation refused",        FaultDraw::Window,       FaultEffect::HostFlag,     24,    0.25, 6,    &host::Faults::refusePoints},
    {FaultKind::PointsNotExisting,   "created points do not exist",   FaultDraw::Window,       FaultEffect::HostFlag,     30,    0.25, 4,    &host::Faults::pointsNotExisting},
    {FaultKind::NoGround,            "no ground found",               FaultDraw::Window,       FaultEffect::HostFlag,     30,    0.25, 6,    &host::Faults::noGround},
    {FaultKind::Stuck,               "navigation stalls",             FaultDraw::Obstacle,     FaultEffect::Obstacle,     6,     0.05, 3,    nullptr},
    // The world stays as it is: FaultInjector::answer takes the orders while the window holds.
    {FaultKind::MountNeverCompletes, "mounting never completes",      FaultDraw::Window,       FaultEffect::None,         16,    1, 8,       nullptr},
    {FaultKind::PlayerLeaves,        "player leaves the ranch",       FaultDraw::PlayerAway,   FaultEffect::None,         12,    0, 0,       nullptr},
    {FaultKind::PlayerReturns,       "player heads to the ranch",     FaultDraw::PlayerHome,   FaultEffect::None,         1.5,   0, 0,       nullptr},
    {FaultKind::SightChange,         "player sight forced",           FaultDraw::Window,       FaultEffect::Sight,        8,     0.2, 4,     nullptr},
    {FaultKind::MissionStarts,       "story mission runs",            FaultDraw::Window,       FaultEffect::Mission,      16,    0.5, 8,     nullptr},
    {FaultKind::ClockJump,           "clock jumps (player sleeps)",   FaultDraw::ClockJump,    FaultEffect::ClockJump,    20,    0, 0,       nullptr},
    {FaultKind::KeyPress,            "developer key pressed",         FaultDraw::KeyPress,     FaultEffect::None,         6,     0, 0,       nullptr},
    {FaultKind::PlayerGreets,        "player greets a visitor",       FaultDraw::ByPlayer,     FaultEffect::None,         0,     0, 0,       nullptr},
    {FaultKind::Reload,              "saved game loaded (reload)",    FaultDraw::Reload,       FaultEffect::Restart,      24,    0, 0,       nullptr},
    {FaultKind::PasserBy,            "passer-by comes or goes",       FaultDraw::PasserBy,     FaultEffect::PasserBy,     0.5,   0, 0,       nullptr},
    {FaultKind::ModelInvalid,        "model not valid",               FaultDraw::ScenarioOnly, FaultEffect::Model,        0,     0, 0,       nullptr},
};
// clang-format on
static_assert(std::size(kFaultRows) == kFaultKindCount, "one row per fault kind");

constexpr const FaultRow& faultRow(FaultKind k) { return kFaultRows[static_cast<std::size_t>(k)]; }
inline const char* faultName(FaultKind k) { return faultRow(k).name; }
inline constexpr bool isModelFault(FaultKind k) { return faultRow(k).effect == FaultEffect::Model; }

// Rows sit at their kind's index; the soak draws exactly the kinds before ModelInvalid; a window
// fault holds for a window of some length; a host flag names its flag.
constexpr bool faultRowsAreConsistent() {
    for (std::size_t i = 0; i < kFaultKindCount; ++i) {
        const FaultRow& r = kFaultRows[i];
        if (static_cast<std::size_t>(r.kind) != i) return false;
        if ((r.draw == FaultDraw::ScenarioOnly) != (i >= kSoakFaultKindCount)) return false;
        const bool windowed = r.draw == FaultDraw::Window || r.draw == FaultDraw::Model;
        if (windowed && !(r.minHours > 0 && r.maxHours > r.minHours && r.meanHours > 0)) return false;
        if ((r.effect == FaultEffect::HostFlag) != (r.flag != nullptr)) return false;
    }
    return true;
}
static_assert(faultRowsAreConsistent(), "fault rows out of order, or a window fault without its window");

using FaultCounts = std::array<uint64_t, kSoakFaultKindCount>;

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
