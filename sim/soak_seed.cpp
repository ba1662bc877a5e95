// One seed of the soak: the seed's settings, world and faults drawn, the plug-in loaded afresh and
// run through its days with the checker watching, and what the seed saw collected. Builds for
// Linux and for Windows (inside the Wine stand-in of the host library) alike.
#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>

#include "session.h"
#include "soak.h"
#include "world_ops.h"

namespace sim {

namespace {

namespace fs = std::filesystem;
using host::gHost;

constexpr int64_t kMsPerHour = host::kMsPerGameHour;

struct SeedSetup {
    int32_t cooldownHours, durationHours, clockStartHour, startTime;
    bool devBuild, crossesWrap;
};

SeedSetup drawSetup(uint64_t seed, int64_t totalMs, SoakBuild build) {
    SoakRandom rng(seed ^ 0x536F616B5365747Full);
    SeedSetup s{};
    s.cooldownHours = rng.in(6, 25);
    s.durationHours = rng.in(2, 13);
    s.clockStartHour = rng.in(0, 24);
    s.devBuild = rng.chance(0.25);
    const int32_t mode = rng.in(0, 10);
    if (mode < 3) {
        // The timer passes 2^31 within the first three quarters of the run.
        const int64_t before = rng.in64(1, std::max<int64_t>(2, totalMs * 3 / 4));
        s.startTime = static_cast<int32_t>(static_cast<uint32_t>(int64_t{1} << 31) - static_cast<uint32_t>(before));
    } else if (mode < 6) {
        s.startTime = rng.in(0, 20000);  // a game just started
    } else {
        s.startTime = static_cast<int32_t>(static_cast<uint32_t>(rng.next()));
    }
    s.crossesWrap = s.startTime > 0 && int64_t{s.startTime} + totalMs > INT32_MAX;
    // A build given for every seed leaves the rest of the seed as it draws it.
    if (build != SoakBuild::Drawn) s.devBuild = build == SoakBuild::Developer;
    return s;
}

// The seed's settings file in the working directory, and no coordinates file left from before.
bool writeSettings(const SeedSetup& setup) {
    std::ofstream ini("tamberwick.ini", std::ios::binary | std::ios::trunc);
    ini << "[Settings]\r\nvisitCooldown=" << setup.cooldownHours << "\r\nvisitDuration=" << setup.durationHours
        << "\r\n";
    std::error_code ec;
    fs::remove("player_coords.txt", ec);
    return static_cast<bool>(ini);
}

void setUpSeedWorld(host::World& w, uint64_t seed, const SeedSetup& setup, int32_t frameStepMs) {
    w.frameStepMs = frameStepMs;
    w.gameTime = setup.startTime;
    w.clockBaseTime = setup.startTime;
    w.clockStartHour = setup.clockStartHour;
    host::seedWorld(w, seed);  // scrambled: neighbouring seeds draw unrelated answers
    gHost.traceEnabled = false;
    gHost.tickFromHost = true;  // a seed replays exactly on Windows too
}

// What the checker and the injector saw of the seed.
void collect(SeedResult& r, const InvariantChecker& checker, const FaultInjector& faults) {
    r.visitsStarted = checker.visitsStarted();
    r.visitsEnded = checker.visitsEnded();
    r.startsWithNobody = checker.startsWithNobody();
    r.visitsCutByReload = checker.visitsCutByReload();
    r.longestPassMs = checker.longestPassMs();
    r.longestPollMs = checker.longestPollMs();
    r.longestEligibleWait = checker.longestEligibleWait();
    r.deadHandleTests = checker.deadHandleTests();
    r.faults = faults.counts();
    r.violations = checker.violations();
}

}  // namespace

SeedResult runSoakSeed(uint64_t seed, const SoakOptions& o) {
    SeedResult r;
    r.seed = seed;
    const int64_t totalMs = int64_t{o.days} * 24 * kMsPerHour;
    const SeedSetup setup = drawSetup(seed, totalMs, o.build);
    r.cooldownHours = setup.cooldownHours;
    r.durationHours = setup.durationHours;
    r.devBuild = setup.devBuild;
    r.crossesWrap = setup.crossesWrap;
    r.startTime = setup.startTime;

    if (!writeSettings(setup)) {
        r.failure = "cannot write tamberwick.ini in the working directory";
        return r;
    }
    host::Session session;
    host::sessionBegin(session);
    setUpSeedWorld(gHost.world, seed, setup, o.frameStepMs);

    InvariantChecker checker({static_cast<int32_t>(setup.cooldownHours * kMsPerHour),
                              static_cast<int32_t>(setup.durationHours * kMsPerHour), o.frameStepMs, o.passLimitMs});
    FaultInjector faults(seed, setup.devBuild, o.frameStepMs);
    for (auto& over : gHost.overrides)
        over = [&checker, &faults](host::Call& c, host::World& world) {
            checker.beforeCall(c, world);
            return faults.answer(c, world);
        };
    gHost.observer = [&checker](const host::Call& c, const host::World& world) { checker.afterCall(c, world); };
    gHost.allPedsAnswer = [&checker](int32_t* peds, int32_t capacity) {
        const int32_t n = host::allPeds(gHost.world, peds, capacity);
        checker.handlesGiven(peds, std::clamp(n, 0, capacity));
        return n;
    };

    const std::string& plugin = setup.devBuild && o.build == SoakBuild::Drawn ? o.pluginDevPath : o.pluginPath;
    if (!host::sessionLoad(session, plugin)) {
        r.failure = "cannot load the plug-in " + plugin + ": " + session.error;
        host::hostReset();
        return r;
    }

    int64_t t = 0;
    bool wrapped = false;
    int startedAtWrap = 0, endedAtWrap = 0;
    int32_t before = 0;
    auto more = [&](host::World& world) {
        if (t >= totalMs) return false;
        if (faults.beforeFrame(world, t)) checker.keySent(faults.lastKey());
        if (faults.reloaded()) checker.scriptRestarted(world);
        t += world.frameStepMs;
        checker.setNow(t, gHost.frame + 1);
        before = world.gameTime;
        return true;
    };
    auto after = [&](host::World& world) {
        // The script ran this frame when it asked to be woken on the next one.
        const bool ran = gHost.wakeFrame == gHost.frame + 1;
        checker.afterFrame(world, ran, ran ? tw::elapsed(gHost.wakeTime, world.gameTime) : 0);
        if (!wrapped && before > 0 && world.gameTime < 0) {
            wrapped = true;
            startedAtWrap = checker.visitsStarted();
            endedAtWrap = checker.visitsEnded();
        }
    };
    host::sessionRun(session, more, after);
    r.frames = session.frames;
    r.hostCalls = gHost.totalCalls;
    host::sessionEnd(session);
    checker.finish(gHost.world, gHost.errors);
    gHost.observer = nullptr;
    gHost.allPedsAnswer = nullptr;
    for (auto& over : gHost.overrides) over = nullptr;

    collect(r, checker, faults);
    if (wrapped) {
        r.visitsStartedAfterWrap = r.visitsStarted - startedAtWrap;
        r.visitsEndedAfterWrap = r.visitsEnded - endedAtWrap;
    }
    host::hostReset();
    return r;
}

}  // namespace sim
