// The soak's world between frames: the player comes and goes, missions start and end, the
// clock jumps, and the host deletes, refuses, stalls and forgets things at random moments.
// Every draw comes from the soak's own seeded sequence, never from the machine, so a seed
// replays exactly.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "faults.h"
#include "script_host.h"

namespace sim {

// The soak's own sequence (random.h), apart from the world's, which answers the plug-in.
struct SoakRandom {
    uint64_t state = 0;
    explicit SoakRandom(uint64_t seed) : state(seed * 0xD1B54A32D192ED03ull + 0x8CB92BA72F3D8DD7ull) {}
    uint64_t next();
    int32_t in(int32_t lo, int32_t hi);  // lo <= r < hi
    int64_t in64(int64_t lo, int64_t hi);
    bool chance(double p);
};

// The model faults act on the models the plug-in creates from.
inline constexpr const auto& kSoakModels = host::kPluginModels;
inline constexpr std::size_t kSoakModelCount = std::size(kSoakModels);

class FaultInjector {
  public:
    // devKeys: the developer build is loaded and hotkeys are pressed.
    FaultInjector(uint64_t seed, bool devKeys, int32_t frameStepMs);

    // Applies whatever falls due before the frame at run time t (ms since the seed began) and
    // sets the frame step of that frame. Returns true when a key was sent before this frame.
    bool beforeFrame(host::World& w, int64_t t);
    // Pre-call answer for the operations the faults take over; true when it answered.
    bool answer(host::Call& c, host::World& w);

    const FaultCounts& counts() const { return counts_; }
    uint32_t lastKey() const { return lastKey_; }
    // The script was restarted (a saved game loaded) before this frame.
    bool reloaded() const { return reloaded_; }

  private:
    struct Window {
        int64_t until = -1;                 // run time the fault ends; -1 = not active
        FaultKind kind = FaultKind::Count;  // the fault that opened it
    };
    struct Pending {
        int64_t at = 0;
        Fault end;  // what ends then: an entity freed, a household ped or a point back
    };

    int64_t draw(double meanHours);
    void schedule(FaultKind k, int64_t t) {
        next_[static_cast<std::size_t>(k)] = t + draw(meanHours_[static_cast<std::size_t>(k)]);
    }
    void apply(FaultKind k, host::World& w, int64_t t);
    bool open(Window& win, FaultKind k, int64_t t, double minHours, double maxHours);
    void deleteSomething(FaultKind k, host::World& w, int64_t t);
    void modelFault(FaultKind k, host::World& w, int64_t t);
    void windowFault(FaultKind k, host::World& w, int64_t t);
    void stick(FaultKind k, host::World& w, int64_t t);
    void pressKey(FaultKind k);
    void reload(FaultKind k);
    void passerBy(FaultKind k, host::World& w);
    Window& window(FaultKind k) { return windows_[static_cast<std::size_t>(k)]; }
    void endWindows(host::World& w, int64_t t);
    void movePlayer(host::World& w, int64_t t);
    void pickTarget(host::World& w, bool home);
    host::Handle randomEntity(host::World& w, bool (*pick)(const host::World&, const host::Entity&));
    void count(FaultKind k) { ++counts_[static_cast<std::size_t>(k)]; }

    SoakRandom rng_;
    bool devKeys_;
    int32_t frameStepMs_;
    std::array<int64_t, kSoakFaultKindCount> next_{};
    std::array<double, kSoakFaultKindCount> meanHours_{};
    FaultCounts counts_{};

    std::array<Window, kSoakModelCount> modelWindow_{};
    std::array<Window, kSoakFaultKindCount> windows_{};  // the faults that hold for a while, by kind
    std::vector<Pending> pending_;                       // unsticking, household and ranch points coming back
    std::array<host::Handle, 3> household_{};

    host::Vec3 target_{};
    float speed_ = 1.5f;       // m/s toward target_
    int64_t idleUntil_ = 0;    // run time the player sets off again
    host::Handle follow_ = 0;  // visitor the player walks up to, 0 = none
    int64_t lastGreetTry_ = 0;
    uint32_t lastKey_ = 0;
    bool reloaded_ = false;
};

}  // namespace sim
