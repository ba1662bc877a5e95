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

namespace simtool {

namespace {

namespace fs = std::filesystem;
using sim::gHost;

constexpr int64_t kMsPerHour = 120000;

// Run time as in-game time since the load: 120000 ms of game timer are one in-game hour.
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

    {
        std::ofstream ini("tamberwick.ini", std::ios::binary | std::ios::trunc);
        ini << "[Settings]\r\nvisitCooldown=" << setup.cooldownHours << "\r\nvisitDuration=" << setup.durationHours
            << "\r\n";
        if (!ini) {
            r.failure = "cannot write tamberwick.ini in the working directory";
            return r;
        }
    }
    std::error_code ec;
    fs::remove("player_coords.txt", ec);

    sim::Session session;
    sim::sessionBegin(session);
    sim::World& w = gHost.world;
    w.frameStepMs = o.frameStepMs;
    w.gameTime = setup.startTime;
    w.clockBaseTime = setup.startTime;
    w.clockStartHour = setup.clockStartHour;
    w.rngState = seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull;
    gHost.traceEnabled = false;

    InvariantChecker checker({static_cast<int32_t>(setup.cooldownHours * kMsPerHour),
                              static_cast<int32_t>(setup.durationHours * kMsPerHour), o.frameStepMs});
    FaultInjector faults(seed, setup.devBuild, o.frameStepMs);
    for (auto& over : gHost.overrides)
        over = [&checker, &faults](sim::Call& c, sim::World& world) {
            checker.beforeCall(c, world);
            return faults.answer(c, world);
        };
    gHost.observer = [&checker](const sim::Call& c, const sim::World& world) { checker.afterCall(c, world); };

    const std::string& plugin = setup.devBuild ? o.pluginDevPath : o.pluginPath;
    if (!sim::sessionLoad(session, plugin)) {
        r.failure = "cannot load the plug-in " + plugin + ": " + session.error;
        sim::hostReset();
        return r;
    }

    int64_t t = 0;
    bool wrapped = false;
    int startedAtWrap = 0, endedAtWrap = 0;
    int32_t before = 0;
    auto more = [&](sim::World& world) {
        if (t >= totalMs) return false;
        if (faults.beforeFrame(world, t)) checker.keySent(faults.lastKey());
        t += world.frameStepMs;
        checker.setNow(t, gHost.frame + 1);
        before = world.gameTime;
        return true;
    };
    auto after = [&](sim::World& world) {
        // The script ran this frame when it asked to be woken on the next one.
        const bool ran = gHost.wakeFrame == gHost.frame + 1;
        checker.afterFrame(world, ran, ran ? tw::elapsed(gHost.wakeTime, world.gameTime) : 0);
        if (!wrapped && before > 0 && world.gameTime < 0) {
            wrapped = true;
            startedAtWrap = checker.visitsStarted();
            endedAtWrap = checker.visitsEnded();
        }
    };
    sim::sessionRun(session, more, after);
    r.frames = session.frames;
    r.hostCalls = gHost.totalCalls;
    sim::sessionEnd(session);
    checker.finish(w, gHost.errors);
    gHost.observer = nullptr;
    for (auto& over : gHost.overrides) over = nullptr;

    r.visitsStarted = checker.visitsStarted();
    r.visitsEnded = checker.visitsEnded();
    r.startsWithNobody = checker.startsWithNobody();
    if (wrapped) {
        r.visitsStartedAfterWrap = r.visitsStarted - startedAtWrap;
        r.visitsEndedAfterWrap = r.visitsEnded - endedAtWrap;
    }
    r.longestPassMs = checker.longestPassMs();
    r.longestPollMs = checker.longestPollMs();
    r.longestEligibleWait = checker.longestEligibleWait();
    r.deadHandleTests = checker.deadHandleTests();
    r.faults = faults.counts();
    r.violations = checker.violations();
    sim::hostReset();
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

int runSoak(const SoakOptions& o, std::FILE* out) {
    const auto wallStart = std::chrono::steady_clock::now();
    const int jobs = std::clamp(o.jobs, 1, std::max(1, o.seeds));
    const bool progress = isatty(STDERR_FILENO) != 0;
    std::vector<SeedResult> results;

    if (jobs == 1) {
        std::stringstream text;
        runShare(o, 0, 1, text, progress);
        results = readResults(text);
    } else {
        char tmpl[] = "/tmp/tamberwick-soak-jobs-XXXXXX";
        if (!mkdtemp(tmpl)) {
            fmt::print(stderr, "tamberwick-sim: cannot make a temporary directory for the jobs\n");
            return 1;
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
        if (jobFailed)
            fmt::print(stderr, "tamberwick-sim: a soak job ended abnormally; its remaining seeds are missing\n");
    }
    if (progress) std::fprintf(stderr, "\n");
    std::sort(results.begin(), results.end(), [](const SeedResult& a, const SeedResult& b) { return a.seed < b.seed; });
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

    // Violations first, each with what replays it.
    int badSeeds = 0;
    std::map<std::string, int> byKind;
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
    const int missing = o.seeds - static_cast<int>(results.size());

    uint64_t frames = 0, calls = 0;
    int started = 0, ended = 0, nobody = 0, dev = 0, wraps = 0, startedAfterWrap = 0, endedAfterWrap = 0,
        longestWait = 0;
    int32_t longestPass = 0, longestPoll = 0;
    uint64_t deadTests = 0;
    FaultCounts faults{};
    for (const SeedResult& r : results) {
        frames += r.frames;
        calls += r.hostCalls;
        started += r.visitsStarted;
        ended += r.visitsEnded;
        nobody += r.startsWithNobody;
        dev += r.devBuild ? 1 : 0;
        wraps += r.crossesWrap ? 1 : 0;
        startedAfterWrap += r.visitsStartedAfterWrap;
        endedAfterWrap += r.visitsEndedAfterWrap;
        longestPass = std::max(longestPass, r.longestPassMs);
        longestPoll = std::max(longestPoll, r.longestPollMs);
        longestWait = std::max(longestWait, r.longestEligibleWait);
        deadTests += r.deadHandleTests;
        for (std::size_t k = 0; k < kSoakFaultKindCount; ++k) faults[k] += r.faults[k];
    }

    fmt::print(out, "\nSoak: seeds {}..{}, {} in-game days each, frames of {} ms, {} job{}\n", o.firstSeed,
               o.firstSeed + static_cast<uint64_t>(o.seeds) - 1, o.days, o.frameStepMs, jobs, jobs == 1 ? "" : "s");
    fmt::print(out, "  seeds run         {} ({} with violations{})\n", results.size(), badSeeds,
               missing ? fmt::format(", {} missing", missing) : "");
    fmt::print(out, "  builds            {} release, {} developer (hotkeys)\n", static_cast<int>(results.size()) - dev,
               dev);
    fmt::print(out, "  frames            {} ({} host calls)\n", frames, calls);
    fmt::print(out, "  visits            {} started, {} ended; {} starts brought nobody and were tried again\n",
               started, ended, nobody);
    fmt::print(out, "  timer wrap        {} seeds cross it; after it {} visits started, {} ended\n", wraps,
               startedAfterWrap, endedAfterWrap);
    fmt::print(out, "  longest pass      {} ms; longest model poll {} ms; most eligible passes before a start {}\n",
               longestPass, longestPoll, longestWait);
    fmt::print(out, "  existence tests   {} found a handle gone\n", deadTests);
    fmt::print(out, "  faults injected\n");
    for (std::size_t k = 0; k < kSoakFaultKindCount; ++k)
        fmt::print(out, "    {:<34} {}\n", faultName(static_cast<FaultKind>(k)), faults[k]);
    fmt::print(out, "  violations        {}\n", byKind.empty() ? "none" : "");
    for (const auto& [kind, n] : byKind) fmt::print(out, "    {:<34} {}\n", kind, n);
    fmt::print(out, "  wall clock        {:.1f} s\n", wall);
    std::fflush(out);
    return (badSeeds == 0 && missing == 0) ? 0 : 1;
}

}  // namespace simtool
