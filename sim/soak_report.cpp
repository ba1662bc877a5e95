// What a soak prints once its seeds have run: each violation with what replays its seed, then
// the figures of all seeds. Builds for Linux and for Windows (inside the Wine stand-in of the
// host library) alike, so both print the same report.
#include <algorithm>
#include <cinttypes>
#include <map>

#include "frame/settings.h"
#include "soak.h"

namespace sim {

namespace {

// Run time as in-game time since the load.
std::string runClock(int64_t ms) {
    const int64_t s = tw::gameSecondsIn(ms);
    char text[64];
    std::snprintf(text, sizeof text, "day %" PRId64 " +%02" PRId64 ":%02" PRId64 ":%02" PRId64, s / 86400 + 1,
                  s / 3600 % 24, s / 60 % 60, s % 60);
    return text;
}

// Violations first, each with what replays it; returns the seeds that had any.
int printViolations(const SoakOptions& o, const std::vector<SeedResult>& results, std::map<std::string, int>& byKind,
                    std::FILE* out) {
    int badSeeds = 0;
    for (const SeedResult& r : results) {
        if (o.verbose)
            std::fprintf(out,
                         "seed %" PRIu64
                         ": cooldown %d h, duration %d h, %s build, timer from %d%s: %d visits (%d "
                         "ended), %zu violations\n",
                         r.seed, r.cooldownHours, r.durationHours, r.devBuild ? "developer" : "release", r.startTime,
                         r.crossesWrap ? " across the wrap" : "", r.visitsStarted, r.visitsEnded, r.violations.size());
        if (r.violations.empty() && r.failure.empty()) continue;
        ++badSeeds;
        if (!r.failure.empty()) std::fprintf(out, "seed %" PRIu64 ": could not run: %s\n", r.seed, r.failure.c_str());
        for (const Violation& v : r.violations) {
            ++byKind[v.kind];
            std::fprintf(out, "seed %" PRIu64 " frame %" PRIu64 " (%s of the run, game timer %d): %s: %s\n", r.seed,
                         v.frame, runClock(v.runMs).c_str(), v.gameTime, v.kind.c_str(), v.text.c_str());
            if (!v.calls.empty()) std::fprintf(out, "  last calls: %s\n", v.calls.c_str());
        }
        std::fprintf(out, "  replay: %s --seeds 1 --first-seed %" PRIu64 " --days %d --frame-ms %d\n",
                     o.command.c_str(), r.seed, o.days, o.frameStepMs);
    }
    return badSeeds;
}

// Every seed's figures added up.
SeedResult totalOf(const std::vector<SeedResult>& results, int& dev, int& wraps) {
    SeedResult t;
    dev = wraps = 0;
    for (const SeedResult& r : results) {
        t.frames += r.frames;
        t.hostCalls += r.hostCalls;
        t.visitsStarted += r.visitsStarted;
        t.visitsEnded += r.visitsEnded;
        t.startsWithNobody += r.startsWithNobody;
        t.visitsCutByReload += r.visitsCutByReload;
        dev += r.devBuild ? 1 : 0;
        wraps += r.crossesWrap ? 1 : 0;
        t.visitsStartedAfterWrap += r.visitsStartedAfterWrap;
        t.visitsEndedAfterWrap += r.visitsEndedAfterWrap;
        t.longestPassMs = std::max(t.longestPassMs, r.longestPassMs);
        t.longestPollMs = std::max(t.longestPollMs, r.longestPollMs);
        t.longestEligibleWait = std::max(t.longestEligibleWait, r.longestEligibleWait);
        t.deadHandleTests += r.deadHandleTests;
        for (std::size_t k = 0; k < kSoakFaultKindCount; ++k) t.faults[k] += r.faults[k];
    }
    return t;
}

void printSummary(const SoakOptions& o, const std::vector<SeedResult>& results, int jobs, int badSeeds,
                  const std::map<std::string, int>& byKind, std::FILE* out) {
    const int missing = o.seeds - static_cast<int>(results.size());
    int dev = 0, wraps = 0;
    const SeedResult t = totalOf(results, dev, wraps);
    std::fprintf(out, "\n%s: seeds %" PRIu64 "..%" PRIu64 ", %d in-game days each, frames of %d ms, %d job%s\n",
                 o.title.c_str(), o.firstSeed, o.firstSeed + static_cast<uint64_t>(o.seeds) - 1, o.days, o.frameStepMs,
                 jobs, jobs == 1 ? "" : "s");
    std::fprintf(out, "  seeds run         %zu (%d with violations", results.size(), badSeeds);
    if (missing) std::fprintf(out, ", %d missing", missing);
    std::fprintf(out, ")\n");
    std::fprintf(out, "  builds            %d release, %d developer (hotkeys)\n",
                 static_cast<int>(results.size()) - dev, dev);
    std::fprintf(out, "  frames            %" PRIu64 " (%" PRIu64 " host calls)\n", t.frames, t.hostCalls);
    std::fprintf(out,
                 "  visits            %d started, %d ended, %d cut short by a reload; %d starts brought nobody and "
                 "were tried again\n",
                 t.visitsStarted, t.visitsEnded, t.visitsCutByReload, t.startsWithNobody);
    std::fprintf(out, "  timer wrap        %d seeds cross it; after it %d visits started, %d ended\n", wraps,
                 t.visitsStartedAfterWrap, t.visitsEndedAfterWrap);
    std::fprintf(out, "  longest pass      %d ms; longest model poll %d ms; most eligible passes before a start %d\n",
                 t.longestPassMs, t.longestPollMs, t.longestEligibleWait);
    std::fprintf(out, "  existence tests   %" PRIu64 " found a handle gone\n", t.deadHandleTests);
    std::fprintf(out, "  faults injected\n");
    for (std::size_t k = 0; k < kSoakFaultKindCount; ++k)
        std::fprintf(out, "    %-34s %" PRIu64 "\n", faultName(static_cast<FaultKind>(k)), t.faults[k]);
    std::fprintf(out, "  violations        %s\n", byKind.empty() ? "none" : "");
    for (const auto& [kind, n] : byKind) std::fprintf(out, "    %-34s %d\n", kind.c_str(), n);
}

}  // namespace

int printSoakReport(const SoakOptions& o, const std::vector<SeedResult>& results, int jobs, double wallSeconds,
                    std::FILE* out) {
    std::map<std::string, int> byKind;
    const int badSeeds = printViolations(o, results, byKind, out);
    printSummary(o, results, jobs, badSeeds, byKind, out);
    std::fprintf(out, "  wall clock        %.1f s\n", wallSeconds);
    std::fflush(out);
    const int missing = o.seeds - static_cast<int>(results.size());
    return (badSeeds == 0 && missing == 0) ? 0 : 1;
}

}  // namespace sim
