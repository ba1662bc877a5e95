// The soak's world between frames: the player comes and goes, missions start and end, the
// clock jumps, and the host deletes, refuses, stalls and forgets things at random moments.
// Every draw comes from the soak's own seeded sequence, never from the machine, so a seed
// replays exactly.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "script_host.h"

namespace simtool {

// splitmix64: the soak's own sequence, apart from the world's (which answers the plug-in).
struct SoakRandom {
    uint64_t state = 0;
    explicit SoakRandom(uint64_t seed) : state(seed * 0xD1B54A32D192ED03ull + 0x8CB92BA72F3D8DD7ull) {}
    uint64_t next();
    int32_t in(int32_t lo, int32_t hi);  // lo <= r < hi
    int64_t in64(int64_t lo, int64_t hi);
    bool chance(double p);
};

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
    Count
};
inline constexpr std::size_t kFaultKindCount = static_cast<std::size_t>(FaultKind::Count);
const char* faultName(FaultKind k);

using FaultCounts = std::array<uint64_t, kFaultKindCount>;

// The model faults act on the models the plug-in creates from.
inline constexpr const auto& kSoakModels = sim::kPluginModels;
inline constexpr std::size_t kSoakModelCount = std::size(kSoakModels);

class FaultInjector {
  public:
    // devKeys: the developer build is loaded and hotkeys are pressed.
    FaultInjector(uint64_t seed, bool devKeys, int32_t frameStepMs);

    // Applies whatever falls due before the frame at run time t (ms since the seed began) and
    // sets the frame step of that frame. Returns true when a key was sent before this frame.
    bool beforeFrame(sim::World& w, int64_t t);
    // Pre-call answer for the operations the faults take over; true when it answered.
    bool answer(sim::Call& c, sim::World& w);

    const FaultCounts& counts() const { return counts_; }
    uint32_t lastKey() const { return lastKey_; }

  private:
    struct Window {
        int64_t until = -1;  // run time the fault ends; -1 = not active
    };
    struct Pending {
        int64_t at = 0;
        sim::Handle handle = 0;  // entity to free, or 0
        sim::Hash model = 0;     // household ped or point to bring back
        sim::Vec3 pos{};
        float heading = 0;
        bool point = false;
    };

    int64_t draw(double meanHours);
    void schedule(FaultKind k, int64_t t) {
        next_[static_cast<std::size_t>(k)] = t + draw(meanHours_[static_cast<std::size_t>(k)]);
    }
    void apply(FaultKind k, sim::World& w, int64_t t);
    void endWindows(sim::World& w, int64_t t);
    void movePlayer(sim::World& w, int64_t t);
    void pickTarget(sim::World& w, bool home);
    sim::Handle randomEntity(sim::World& w, bool (*pick)(const sim::World&, const sim::Entity&));
    void count(FaultKind k) { ++counts_[static_cast<std::size_t>(k)]; }

    SoakRandom rng_;
    bool devKeys_;
    int32_t frameStepMs_;
    std::array<int64_t, kFaultKindCount> next_{};
    std::array<double, kFaultKindCount> meanHours_{};
    FaultCounts counts_{};

    std::array<Window, kSoakModelCount> modelWindow_{};
    Window refusePeds_, refuseObjects_, refusePoints_, pointsNotExisting_, noGround_, mountBlocked_, sight_, mission_;
    std::vector<Pending> pending_;  // unsticking, household and ranch points coming back
    std::array<sim::Handle, 3> household_{};

    sim::Vec3 target_{};
    float speed_ = 1.5f;      // m/s toward target_
    int64_t idleUntil_ = 0;   // run time the player sets off again
    sim::Handle follow_ = 0;  // visitor the player walks up to, 0 = none
    int64_t lastGreetTry_ = 0;
    uint32_t lastKey_ = 0;
};

}  // namespace simtool
