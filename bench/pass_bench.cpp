// The plug-in's cost per main-loop pass in the states that matter, measured in the host
// substitute with tracing off. Each state is reached by playing the world forward, then
// the benchmark times single frames; counters give, per pass (a frame in which the script
// ran): host calls, heap allocations (all, and the plug-in's own) and the whole pass in ns,
// host work included. bench/plugin_share.sh splits a state's instructions between the
// plug-in and the host.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>

#include "alloc_counter.h"
#include "frame/settings.h"
#include "script_host.h"
#include "session.h"

// Under callgrind (bench/plugin_share.sh) only the timed frames are counted.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define TW_COUNT_ON() CALLGRIND_TOGGLE_COLLECT
#define TW_COUNT_OFF() CALLGRIND_TOGGLE_COLLECT
#else
#define TW_COUNT_ON()
#define TW_COUNT_OFF()
#endif

namespace {

using host::gHost;

struct Setup {
    bool dev = false;
    bool log = false;  // log=1: tamberwick.log written
    int cooldownHours = 72;
    int durationHours = 48;
    int startHour = 8;
    host::Vec3 player{-1642.0f, -1380.0f, 83.0f};
    // Plays the world forward into the state to measure; false when the state was not reached.
    std::function<bool()> reach = [] { return true; };
};

bool anyPluginPed(bool wantAlive) {
    for (const host::Entity& e : gHost.world.entities)
        if (e.byPlugin && e.alive == wantAlive && e.kind == host::EntityKind::Ped) return true;
    return false;
}

bool prepare(const Setup& s) {
    static host::Session session;
    host::sessionBegin(session);
    static std::string dir = [] {
        char tmpl[] = "/tmp/tamberwick-bench-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    if (chdir(dir.c_str()) != 0) return false;
    std::ofstream(dir + "/tamberwick.ini") << "[Settings]\nvisitCooldown=" << s.cooldownHours
                                           << "\nvisitDuration=" << s.durationHours << "\nlog=" << s.log << "\n";
    gHost.world.clockStartHour = s.startHour;
    gHost.traceEnabled = false;
    if (host::Entity* p = host::findEntity(gHost.world, gHost.world.playerPed)) p->pos = s.player;
    if (!host::sessionLoad(session, s.dev ? TAMBERWICK_PLUGIN_DEV : TAMBERWICK_PLUGIN)) return false;
    host::runFor(20000);  // start-up and the first passes
    return s.reach();
}

// A script that only waits for the next frame: what a pass costs the host when the plug-in
// does nothing (the world's frame and the two fiber switches).
void idleScript() {
    for (;;) scriptWait(0);
}

// CPU time of this thread, so other work on the machine does not count.
double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void measure(benchmark::State& state, const Setup& s) {
    if (!prepare(s)) {
        state.SkipWithError("state not reached");
        host::unloadPlugin();
        return;
    }
    for (int i = 0; i < 200; ++i) host::runFrame();  // settle into steady state
    const uint64_t calls0 = gHost.totalCalls;
    const uint64_t resumes0 = gHost.resumes;
    const uint64_t allocs0 = bench::allocations.load();
    const uint64_t pluginAllocs0 = bench::pluginAllocations.load();
    const double t0 = threadCpuSeconds();
    TW_COUNT_ON();
    for (auto _ : state) host::runFrame();
    TW_COUNT_OFF();
    const double seconds = threadCpuSeconds() - t0;
    const auto passes = static_cast<double>(std::max<uint64_t>(1, gHost.resumes - resumes0));
    state.counters["passes_per_frame"] = passes / static_cast<double>(state.iterations());
    state.counters["host_calls_per_pass"] = static_cast<double>(gHost.totalCalls - calls0) / passes;
    state.counters["allocs_per_pass"] = static_cast<double>(bench::allocations.load() - allocs0) / passes;
    state.counters["plugin_allocs_per_pass"] =
        static_cast<double>(bench::pluginAllocations.load() - pluginAllocs0) / passes;
    state.counters["host_errors"] = static_cast<double>(gHost.errors.size());
    state.counters["pass_cpu_ns"] = seconds * 1e9 / passes;  // CPU time: honest on a shared machine
    host::unloadPlugin();
}

void waitingAwayFromRanch(benchmark::State& state, bool log) {
    Setup s;
    s.log = log;
    s.player = {-1200.0f, -1200.0f, 80.0f};
    measure(state, s);
}

void waitingAtRanchDuringCooldown(benchmark::State& state, bool log) {
    Setup s;
    s.log = log;
    s.durationHours = 0;  // the first visit leaves at once; its end starts a 72-hour cooldown
    s.reach = [] {
        if (!host::runUntil([] { return anyPluginPed(true); }, 600000)) return false;
        return host::runUntil([] { return !anyPluginPed(true); }, 900000);
    };
    measure(state, s);
}

void visitBusyAtActivities(benchmark::State& state) {
    Setup s;
    s.cooldownHours = 0;
    s.reach = [] {
        if (!host::runUntil([] { return anyPluginPed(true); }, 600000)) return false;
        host::runFor(tw::kMsPerGameHour);  // settled, first activities under way
        return anyPluginPed(true);
    };
    measure(state, s);
}

void visitBothAsleep(benchmark::State& state) {
    Setup s;
    s.cooldownHours = 0;
    s.startHour = 21;
    s.reach = [] {
        if (!host::runUntil([] { return anyPluginPed(true); }, 600000)) return false;
        host::runFor(3 * tw::kMsPerGameHour);  // past 22:00, walked to the bedrolls
        return anyPluginPed(true);
    };
    measure(state, s);
}

void visitBothDeparting(benchmark::State& state) {
    Setup s;
    s.cooldownHours = 0;
    s.durationHours = 0;
    s.reach = [] {
        if (!host::runUntil([] { return anyPluginPed(true); }, 600000)) return false;
        host::runFor(5000);
        return anyPluginPed(true);
    };
    measure(state, s);
}

void overlayOnDuringVisit(benchmark::State& state) {
    Setup s;
    s.dev = true;
    s.cooldownHours = 0;
    s.reach = [] {
        if (!host::runUntil([] { return anyPluginPed(true); }, 600000)) return false;
        host::runFor(tw::kMsPerGameHour);
        return anyPluginPed(true);
    };
    measure(state, s);
}

// The same frames with no plug-in loaded: the host substitute's own share of a pass.
void hostFrameAlone(benchmark::State& state) {
    host::hostReset();
    gHost.traceEnabled = false;
    for (auto _ : state) host::runFrame();
}

// A frame whose script only waits for the next one: the world's frame plus a fiber switch
// into the script and back.
void hostFrameIdleScript(benchmark::State& state) {
    host::hostReset();
    gHost.traceEnabled = false;
    gHost.script = &idleScript;
    for (auto _ : state) host::runFrame();
    host::destroyScriptFiber();
    gHost.script = nullptr;
}

}  // namespace

BENCHMARK(hostFrameAlone);
BENCHMARK(hostFrameIdleScript);
BENCHMARK_CAPTURE(waitingAwayFromRanch, logOff, false);
BENCHMARK_CAPTURE(waitingAwayFromRanch, logOn, true);
BENCHMARK_CAPTURE(waitingAtRanchDuringCooldown, logOff, false);
BENCHMARK_CAPTURE(waitingAtRanchDuringCooldown, logOn, true);
BENCHMARK(visitBusyAtActivities);
BENCHMARK(visitBothAsleep);
BENCHMARK(visitBothDeparting);
BENCHMARK(overlayOnDuringVisit);

BENCHMARK_MAIN();
