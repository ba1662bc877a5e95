#include "soak.h"

#include <fmt/format.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "scratch_dir.h"
#include "session.h"

namespace sim {

namespace {

namespace fs = std::filesystem;
using host::gHost;

constexpr int64_t kMsPerHour = host::kMsPerGameHour;

// Run time as in-game time since the load: 100 ms of game timer are 3 in-game seconds.
std::string runClock(int64_t ms) {
    const int64_t s = ms * 3 / 100;
    return fmt::format("day {} +{:02}:{:02}:{:02}", s / 86400 + 1, s / 3600 % 24, s / 60 % 60, s % 60);
}

// ---- one seed -------------------------------------------------------------------------

struct SeedSetup {
    int32_t cooldownHours, durationHours, clockStartHour, startTime;
    bool devBuild, crossesWrap;
};

SeedSetup drawSetup(uint64_t seed, int64_t totalMs) {
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

void prepareWorld(host::World& w, uint64_t seed, const SeedSetup& setup, int32_t frameStepMs) {
    w.frameStepMs = frameStepMs;
    w.gameTime = setup.startTime;
    w.clockBaseTime = setup.startTime;
    w.clockStartHour = setup.clockStartHour;
    w.rngState = seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull;
    gHost.traceEnabled = false;
}

// What the checker and the injector saw of the seed.
void collect(SeedResult& r, const InvariantChecker& checker, const FaultInjector& faults) {
    r.visitsStarted = checker.visitsStarted();
    r.visitsEnded = checker.visitsEnded();
    r.startsWithNobody = checker.startsWithNobody();
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
    const SeedSetup setup = drawSetup(seed, totalMs);
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
    prepareWorld(gHost.world, seed, setup, o.frameStepMs);

    InvariantChecker checker({static_cast<int32_t>(setup.cooldownHours * kMsPerHour),
                              static_cast<int32_t>(setup.durationHours * kMsPerHour), o.frameStepMs});
    FaultInjector faults(seed, setup.devBuild, o.frameStepMs);
    for (auto& over : gHost.overrides)
        over = [&checker, &faults](host::Call& c, host::World& world) {
            checker.beforeCall(c, world);
            return faults.answer(c, world);
        };
    gHost.observer = [&checker](const host::Call& c, const host::World& world) { checker.afterCall(c, world); };

    const std::string& plugin = setup.devBuild ? o.pluginDevPath : o.pluginPath;
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
    for (auto& over : gHost.overrides) over = nullptr;

    collect(r, checker, faults);
    if (wrapped) {
        r.visitsStartedAfterWrap = r.visitsStarted - startedAtWrap;
        r.visitsEndedAfterWrap = r.visitsEnded - endedAtWrap;
    }
    host::hostReset();
    return r;
}

// ---- many seeds ---------------------------------------------------------------------------

namespace {

// One seed's result as text lines, so a child process can hand it to the parent.
void writeResult(std::ostream& out, const SeedResult& r) {
    out << "S " << r.seed << ' ' << r.cooldownHours << ' ' << r.durationHours << ' ' << r.devBuild << ' '
        << r.crossesWrap << ' ' << r.startTime << ' ' << r.frames << ' ' << r.hostCalls << ' ' << r.visitsStarted << ' '
        << r.visitsEnded << ' ' << r.visitsStartedAfterWrap << ' ' << r.visitsEndedAfterWrap << ' ' << r.longestPassMs
        << ' ' << r.longestPollMs << ' ' << r.longestEligibleWait << ' ' << r.deadHandleTests << ' '
        << r.startsWithNobody;
    for (uint64_t n : r.faults) out << ' ' << n;
    out << '\n';
    auto clean = [](std::string s) {
        std::replace(s.begin(), s.end(), '\n', ' ');
        std::replace(s.begin(), s.end(), '\t', ' ');
        return s;
    };
    for (const Violation& v : r.violations)
        out << "V " << v.frame << ' ' << v.gameTime << ' ' << v.runMs << '\t' << clean(v.kind) << '\t' << clean(v.text)
            << '\n';
    if (!r.failure.empty()) out << "F\t" << clean(r.failure) << '\n';
}

std::vector<SeedResult> readResults(std::istream& in) {
    std::vector<SeedResult> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] == 'S') {
            SeedResult r;
            std::istringstream s(line.substr(2));
            s >> r.seed >> r.cooldownHours >> r.durationHours >> r.devBuild >> r.crossesWrap >> r.startTime >>
                r.frames >> r.hostCalls >> r.visitsStarted >> r.visitsEnded >> r.visitsStartedAfterWrap >>
                r.visitsEndedAfterWrap >> r.longestPassMs >> r.longestPollMs >> r.longestEligibleWait >>
                r.deadHandleTests >> r.startsWithNobody;
            for (uint64_t& n : r.faults) s >> n;
            out.push_back(std::move(r));
        } else if (line[0] == 'V' && !out.empty()) {
            Violation v;
            const auto tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
            std::istringstream s(line.substr(2, tab1 - 2));
            s >> v.frame >> v.gameTime >> v.runMs;
            v.kind = line.substr(tab1 + 1, tab2 - tab1 - 1);
            v.text = line.substr(tab2 + 1);
            out.back().violations.push_back(std::move(v));
        } else if (line[0] == 'F' && !out.empty()) {
            out.back().failure = line.substr(2);
        }
    }
    return out;
}

// Runs the seeds first + k * stride (k = 0, 1, ...) in this process, writing results to out.
void runShare(const SoakOptions& o, int share, int stride, std::ostream& out, bool progress) {
    ScratchDir dir("tamberwick-soak");
    for (int i = share; i < o.seeds; i += stride) {
        SeedResult r;
        if (!dir.ok) {
            r.seed = o.firstSeed + static_cast<uint64_t>(i);
            r.failure = "cannot make a temporary working directory";
        } else {
            r = runSoakSeed(o.firstSeed + static_cast<uint64_t>(i), o);
        }
        writeResult(out, r);
        out.flush();
        if (progress) {
            std::fprintf(stderr, ".");
            std::fflush(stderr);
        }
    }
}

}  // namespace

namespace {

// Runs the seeds in `jobs` child processes, each writing its results to a file; false when the
// jobs could not be started at all.
bool runJobs(const SoakOptions& o, int jobs, bool progress, std::vector<SeedResult>& results) {
    char tmpl[] = "/tmp/tamberwick-soak-jobs-XXXXXX";
    if (!mkdtemp(tmpl)) {
        fmt::print(stderr, "tamberwick-sim: cannot make a temporary directory for the jobs\n");
        return false;
    }
    const fs::path jobDir = tmpl;
    std::fflush(nullptr);
    std::vector<pid_t> children;
    for (int j = 0; j < jobs; ++j) {
        const pid_t pid = fork();
        if (pid == 0) {
            std::ofstream file(jobDir / fmt::format("job{}.txt", j), std::ios::binary);
            runShare(o, j, jobs, file, progress);
            file.close();
            std::_Exit(file ? 0 : 3);
        }
        if (pid < 0) {
            fmt::print(stderr, "tamberwick-sim: cannot start job {}\n", j);
            break;
        }
        children.push_back(pid);
    }
    bool jobFailed = children.size() != static_cast<std::size_t>(jobs);
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) jobFailed = true;
    }
    for (int j = 0; j < jobs; ++j) {
        std::ifstream file(jobDir / fmt::format("job{}.txt", j), std::ios::binary);
        auto part = readResults(file);
        results.insert(results.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    }
    std::error_code ec;
    fs::remove_all(jobDir, ec);
    if (jobFailed) fmt::print(stderr, "tamberwick-sim: a soak job ended abnormally; its remaining seeds are missing\n");
    return true;
}

// Violations first, each with what replays it; returns the seeds that had any.
int printViolations(const SoakOptions& o, const std::vector<SeedResult>& results, std::map<std::string, int>& byKind,
                    std::FILE* out) {
    int badSeeds = 0;
    for (const SeedResult& r : results) {
        if (o.verbose)
            fmt::print(out,
                       "seed {}: cooldown {} h, duration {} h, {} build, timer from {}{}: {} visits ({} ended), {} "
                       "violations\n",
                       r.seed, r.cooldownHours, r.durationHours, r.devBuild ? "developer" : "release", r.startTime,
                       r.crossesWrap ? " across the wrap" : "", r.visitsStarted, r.visitsEnded, r.violations.size());
        if (r.violations.empty() && r.failure.empty()) continue;
        ++badSeeds;
        if (!r.failure.empty()) fmt::print(out, "seed {}: could not run: {}\n", r.seed, r.failure);
        for (const Violation& v : r.violations) {
            ++byKind[v.kind];
            fmt::print(out, "seed {} frame {} ({} of the run, game timer {}): {}: {}\n", r.seed, v.frame,
                       runClock(v.runMs), v.gameTime, v.kind, v.text);
        }
        fmt::print(out, "  replay: tamberwick-sim soak --seeds 1 --first-seed {} --days {} --frame-ms {}\n", r.seed,
                   o.days, o.frameStepMs);
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
    fmt::print(out, "\nSoak: seeds {}..{}, {} in-game days each, frames of {} ms, {} job{}\n", o.firstSeed,
               o.firstSeed + static_cast<uint64_t>(o.seeds) - 1, o.days, o.frameStepMs, jobs, jobs == 1 ? "" : "s");
    fmt::print(out, "  seeds run         {} ({} with violations{})\n", results.size(), badSeeds,
               missing ? fmt::format(", {} missing", missing) : "");
    fmt::print(out, "  builds            {} release, {} developer (hotkeys)\n", static_cast<int>(results.size()) - dev,
               dev);
    fmt::print(out, "  frames            {} ({} host calls)\n", t.frames, t.hostCalls);
    fmt::print(out, "  visits            {} started, {} ended; {} starts brought nobody and were tried again\n",
               t.visitsStarted, t.visitsEnded, t.startsWithNobody);
    fmt::print(out, "  timer wrap        {} seeds cross it; after it {} visits started, {} ended\n", wraps,
               t.visitsStartedAfterWrap, t.visitsEndedAfterWrap);
    fmt::print(out, "  longest pass      {} ms; longest model poll {} ms; most eligible passes before a start {}\n",
               t.longestPassMs, t.longestPollMs, t.longestEligibleWait);
    fmt::print(out, "  existence tests   {} found a handle gone\n", t.deadHandleTests);
    fmt::print(out, "  faults injected\n");
    for (std::size_t k = 0; k < kSoakFaultKindCount; ++k)
        fmt::print(out, "    {:<34} {}\n", faultName(static_cast<FaultKind>(k)), t.faults[k]);
    fmt::print(out, "  violations        {}\n", byKind.empty() ? "none" : "");
    for (const auto& [kind, n] : byKind) fmt::print(out, "    {:<34} {}\n", kind, n);
}

}  // namespace

int runSoak(const SoakOptions& o, std::FILE* out) {
    const auto wallStart = std::chrono::steady_clock::now();
    const int jobs = std::clamp(o.jobs, 1, std::max(1, o.seeds));
    const bool progress = isatty(STDERR_FILENO) != 0;
    std::vector<SeedResult> results;
    if (jobs == 1) {
        std::stringstream text;
        runShare(o, 0, 1, text, progress);
        results = readResults(text);
    } else if (!runJobs(o, jobs, progress, results)) {
        return 1;
    }
    if (progress) std::fprintf(stderr, "\n");
    std::sort(results.begin(), results.end(), [](const SeedResult& a, const SeedResult& b) { return a.seed < b.seed; });
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

    std::map<std::string, int> byKind;
    const int badSeeds = printViolations(o, results, byKind, out);
    printSummary(o, results, jobs, badSeeds, byKind, out);
    fmt::print(out, "  wall clock        {:.1f} s\n", wall);
    std::fflush(out);
    const int missing = o.seeds - static_cast<int>(results.size());
    return (badSeeds == 0 && missing == 0) ? 0 : 1;
}

}  // namespace sim
