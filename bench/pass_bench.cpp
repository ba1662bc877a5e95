// The plug-in's cost per main-loop pass in the states that matter, measured in the host
// substitute with tracing off. Each state is reached by playing the world forward, then
// the benchmark times single frames; counters give host calls and heap allocations per pass.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "alloc_counter.h"
#include "script_host.h"

namespace {

using sim::gHost;

struct Setup {
    bool dev = false;
    int cooldownHours = 72;
    int durationHours = 48;
    int startHour = 8;
    sim::Vec3 player{-1642.0f, -1380.0f, 83.0f};
    // Plays the world forward into the state to measure; false when the state was not reached.
    std::function<bool()> reach = [] { return true; };
};

bool anyPluginPed(bool wantAlive) {
    for (const sim::Entity& e : gHost.world.entities)
        if (e.byPlugin && e.alive == wantAlive && e.kind == sim::EntityKind::Ped) return true;
    return false;
}

bool prepare(const Setup& s) {
    sim::hostReset();
    static std::string dir = [] {
        char tmpl[] = "/tmp/tamberwick-bench-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    if (chdir(dir.c_str()) != 0) return false;
    std::ofstream(dir + "/tamberwick.ini") << "[Settings]\nvisitCooldown=" << s.cooldownHours
                                           << "\nvisitDuration=" << s.durationHours << "\n";
    gHost.world.clockStartHour = s.startHour;
    gHost.traceEnabled = false;
    if (sim::Entity* p = sim::findEntity(gHost.world, gHost.world.playerPed)) p->pos = s.player;
    if (!sim::loadPlugin(s.dev ? TAMBERWICK_PLUGIN_DEV : TAMBERWICK_PLUGIN)) return false;
    sim::runFor(20000);  // start-up and the first passes
    return s.reach();
}

void measure(benchmark::State& state, const Setup& s) {
    if (!prepare(s)) {
        state.SkipWithError("state not reached");
        sim::unloadPlugin();
        return;
    }
    for (int i = 0; i < 200; ++i) sim::runFrame();  // settle into steady state
    const uint64_t calls0 = gHost.totalCalls;
    const uint64_t allocs0 = bench::allocations.load();
    for (auto _ : state) sim::runFrame();
    const auto n = static_cast<double>(state.iterations());
    state.counters["host_calls_per_pass"] = static_cast<double>(gHost.totalCalls - calls0) / n;
    state.counters["allocs_per_pass"] = static_cast<double>(bench::allocations.load() - allocs0) / n;
    state.counters["host_errors"] = static_cast<double>(gHost.errors.size());
    sim::unloadPlugin();
}

void waitingAwayFromRanch(benchmark::State& state) {
    Setup s;
    s.player = {-1200.0f, -1200.0f, 80.0f};
    measure(state, s);
}

void waitingAtRanchDuringCooldown(benchmark::State& state) {
    Setup s;
    s.durationHours = 0;  // the first visit leaves at once; its end starts a 72-hour cooldown
    s.reach = [] {
        if (!sim::runUntil([] { return anyPluginPed(true); }, 600000)) return false;
        return sim::runUntil([] { return !anyPluginPed(true); }, 900000);
    };
    measure(state, s);
}

void visitBusyAtActivities(benchmark::State& state) {
    Setup s;
    s.cooldownHours = 0;
    s.reach = [] {
        if (!sim::runUntil([] { return anyPluginPed(true); }, 600000)) return false;
        sim::runFor(120000);  // settled, first activities under way
        return anyPluginPed(true);
    };
    measure(state, s);
}

void visitBothAsleep(benchmark::State& state) {
    Setup s;
    s.cooldownHours = 0;
    s.startHour = 21;
    s.reach = [] {
        if (!sim::runUntil([] { return anyPluginPed(true); }, 600000)) return false;
        sim::runFor(3 * 120000);  // past 22:00, walked to the bedrolls
        return anyPluginPed(true);
    };
    measure(state, s);
}

void visitBothDeparting(benchmark::State& state) {
    Setup s;
    s.cooldownHours = 0;
    s.durationHours = 0;
    s.reach = [] {
        if (!sim::runUntil([] { return anyPluginPed(true); }, 600000)) return false;
        sim::runFor(5000);
        return anyPluginPed(true);
    };
    measure(state, s);
}

void overlayOnDuringVisit(benchmark::State& state) {
    Setup s;
    s.dev = true;
    s.cooldownHours = 0;
    s.reach = [] {
        if (!sim::runUntil([] { return anyPluginPed(true); }, 600000)) return false;
        sim::runFor(120000);
        return anyPluginPed(true);
    };
    measure(state, s);
}

// The same frames with no plug-in loaded: the host substitute's own share of a pass.
void hostFrameAlone(benchmark::State& state) {
    sim::hostReset();
    gHost.traceEnabled = false;
    for (auto _ : state) sim::runFrame();
}

}  // namespace

BENCHMARK(hostFrameAlone);
BENCHMARK(waitingAwayFromRanch);
BENCHMARK(waitingAtRanchDuringCooldown);
BENCHMARK(visitBusyAtActivities);
BENCHMARK(visitBothAsleep);
BENCHMARK(visitBothDeparting);
BENCHMARK(overlayOnDuringVisit);

BENCHMARK_MAIN();
