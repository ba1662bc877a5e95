// tamberwick-sim: runs the plug-in module in the host substitute for a span of in-game time
// and reports what happened, as a timeline, a summary, a call trace and two pictures.
#include <fmt/format.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "report_replay.h"
#include "report_svg.h"
#include "runner.h"
#include "scenario.h"
#include "soak.h"
#include "soak_options.h"
#include "tamberwick_version.h"

namespace {

namespace fs = std::filesystem;
using namespace sim;

constexpr int kExitOk = 0;
constexpr int kExitProblems = 1;  // the run found host errors or leaks, or could not run
constexpr int kExitUsage = 2;     // bad options, scenario or settings file; nothing was run

#ifndef TAMBERWICK_SIM_PLUGIN
#define TAMBERWICK_SIM_PLUGIN "libtamberwick.so"
#define TAMBERWICK_SIM_PLUGIN_DEV "libtamberwick_dev.so"
#endif

std::string absolute(const std::string& p) {
    if (p.empty()) return p;
    std::error_code ec;
    const fs::path a = fs::absolute(p, ec);
    return ec ? p : a.string();
}

void printSummary(const RunResult& r, const Scenario& s, double hours, bool timing, std::FILE* out) {
    const Recorder& rec = *r.recorder;
    const Counts& c = rec.counts();
    int ended = 0;
    for (const Visit& v : rec.visits()) ended += v.ended && !v.nobody ? 1 : 0;
    fmt::print(
        out, "\nSummary: scenario {}, seed {}, {:g} in-game hours, {} frames of {} ms, cooldown {} h, duration {} h\n",
        s.name, s.seed, hours, r.frames, s.frameStepMs, r.cooldownHours, r.durationHours);
    fmt::print(out, "  visits            {} ({} ended){}\n", c.visits, ended,
               c.startsWithNobody ? fmt::format("; {} starts brought nobody", c.startsWithNobody) : "");
    fmt::print(out, "  arrivals          {}{}\n", c.arrivals,
               c.failedArrivals ? fmt::format(" ({} not created)", c.failedArrivals) : "");
    int total = 0;
    for (const auto& [k, n] : c.activities) total += n;
    std::string kinds;
    for (const auto& [k, n] : c.activityKinds) kinds += fmt::format("{}{} {}", kinds.empty() ? "" : ", ", k, n);
    fmt::print(out, "  activities        {}{}\n", total, kinds.empty() ? "" : " (" + kinds + ")");
    for (const auto& [k, n] : c.activities) fmt::print(out, "    {:<48} {}\n", k, n);
    fmt::print(out, "  greetings         {}\n", c.greetings);
    fmt::print(out, "  nights slept      {}\n", c.nightsSlept);
    fmt::print(out, "  departures        {} ({} rode away)\n", c.departures, c.ridesAway);
    fmt::print(out, "  created           {} peds, {} horses, {} objects, {} scenario points\n", r.pedsCreated,
               r.horsesCreated, r.objectsCreated, r.pointsCreated);
    fmt::print(out, "  removed           {} peds, {} horses, {} objects, {} scenario points\n", r.pedsRemoved,
               r.horsesRemoved, r.objectsRemoved, r.pointsRemoved);
    if (r.leakChecked) {
        fmt::print(out, "  leaks             {}\n", r.leaks.size());
        for (const Leak& l : r.leaks) fmt::print(out, "    {}\n", l.what);
    } else {
        fmt::print(out, "  leaks             not checked: the run ended during a visit\n");
    }
    fmt::print(out, "  host errors       {}\n", r.hostErrors.size());
    for (const auto& e : r.hostErrors) fmt::print(out, "    {}\n", e);
    fmt::print(out, "  host calls        {}\n", r.hostCalls);
    if (timing) {
        const double speed = r.wallSeconds > 0 ? hours / r.wallSeconds : 0.0;
        fmt::print(out, "  speed             {:.0f} in-game hours per second ({:.2f} s wall clock)\n", speed,
                   r.wallSeconds);
    }
}

bool writeFile(const fs::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary);
    f << text;
    return static_cast<bool>(f);
}

// The command line of a scenario run.
struct RunArgs {
    std::string scenarioPath, iniPath, tracePath, foldedTracePath, reportDir, pluginPath, logPath;
    double hours = 60.0;
    bool dev = false, overlay = false, noTiming = false, quiet = false;
    std::optional<uint64_t> seed;
    CLI::Option* hoursOption = nullptr;
};

void addRunOptions(CLI::App& app, RunArgs& a) {
    app.add_option(
        "scenario", a.scenarioPath,
        "Scenario file (JSON). Default: the embedded scenario: the player at the ranch house, FIN2 complete, no "
        "mission running, the household at home, 08:00, the plug-in's own settings (72 h cooldown, 48 h visits)");
    a.hoursOption = app.add_option("--hours", a.hours, "In-game hours to run; enough for one whole visit by default")
                        ->check(CLI::Range(0.001, 17000.0))
                        ->capture_default_str();
    app.add_option("--ini", a.iniPath,
                   "Settings file (tamberwick.ini) the plug-in reads; default: the scenario's \"settings\", else none")
        ->check(CLI::ExistingFile);
    app.add_option("--seed", a.seed, "Seed of the host's random sequence; default: the scenario's \"seed\", else 9");
    app.add_flag(
        "--dev", a.dev,
        "Load the developer build (debugMode on: overlay and hotkeys); also set by the scenario's \"debugMode\"");
    app.add_option("--plugin", a.pluginPath, "Plug-in module to load; default: the one built beside this program")
        ->default_str(TAMBERWICK_SIM_PLUGIN);
    app.add_option("--trace", a.tracePath,
                   "Write every host call as JSON lines (game time, operation, arguments, result) to FILE; with "
                   "--report, the replay page lists the calls of the pass each activity began in as well");
    app.add_option("--folded-trace", a.foldedTracePath,
                   "Write the run's calls to FILE in the folded form of the golden traces: each call that acts on the "
                   "world on a line, the reads between them counted and digested");
    app.add_option("--report", a.reportDir,
                   "Write map.svg (the ranch and the paths walked), timeline.svg, replay.html (the run played back "
                   "in a browser) and the plug-in's tamberwick.log into DIR");
    app.add_option("--log", a.logPath, "Run with log=1 and copy the plug-in's tamberwick.log to FILE");
    app.add_flag("--overlay", a.overlay,
                 "Print the developer overlay's texts of the last frame (when debugMode is on)");
    app.add_flag("--no-timing", a.noTiming, "Leave the wall-clock speed out of the summary");
    app.add_flag("-q,--quiet", a.quiet, "Print the summary only, not the timeline");
    app.set_version_flag("--version", std::string("tamberwick-sim ") + tw::kVersion,
                         "Print \"tamberwick-sim <version>\", the plug-in's version, and exit");
}

// The soak's options are the soak table's (soak_options.h), which tamberwick-host soak under
// Wine parses too: CLI11 hands every word after "soak" over to it.
CLI::App* addSoakCommand(CLI::App& app) {
    CLI::App* soakCmd = app.add_subcommand(
        "soak",
        "Fault-injection soak: each seed loads the plug-in afresh and runs it for in-game days while "
        "the host deletes, refuses and stalls things at random, the player comes and goes and the "
        "clock jumps; invariants are checked after every call and frame. Violations are printed "
        "with the seed and frame and the command that replays them. Exit status 1 when any seed "
        "found a violation. `tamberwick-sim soak --help` lists its options.");
    soakCmd->prefix_command();
    soakCmd->set_help_flag();
    return soakCmd;
}

int soak(const std::vector<std::string>& words, const RunArgs& args) {
    const SoakArgs parsed = parseSoakArgs(words, SoakProgram::Sim);
    if (parsed.help) {
        printSoakUsage(stdout, SoakProgram::Sim, "tamberwick-sim");
        return kExitOk;
    }
    if (!parsed.error.empty()) {
        fmt::print(stderr, "tamberwick-sim soak: {}\n", parsed.error);
        printSoakUsage(stderr, SoakProgram::Sim, "tamberwick-sim");
        return kExitUsage;
    }
    SoakOptions o = parsed.options;
    o.pluginPath = absolute(!args.pluginPath.empty() ? args.pluginPath : TAMBERWICK_SIM_PLUGIN);
    o.pluginDevPath = absolute(!args.pluginPath.empty() ? args.pluginPath : TAMBERWICK_SIM_PLUGIN_DEV);
    o.command = soakCommand("tamberwick-sim", o, SoakProgram::Sim);
    return runSoak(o, stdout) == 0 ? kExitOk : kExitProblems;
}

// The scenario named on the command line (or the embedded one) with the command line's changes.
std::optional<Scenario> scenarioOf(RunArgs& a) {
    Scenario scenario = defaultScenario();
    if (!a.scenarioPath.empty()) {
        std::string error;
        auto loaded = loadScenario(a.scenarioPath, error);
        if (!loaded) {
            fmt::print(stderr, "tamberwick-sim: {}\n", error);
            return std::nullopt;
        }
        scenario = *loaded;
    }
    if (a.seed) scenario.seed = *a.seed;
    if (a.dev) scenario.debugMode = true;
    if (a.hoursOption->count() == 0 && scenario.hours) a.hours = *scenario.hours;
    return scenario;
}

RunOptions runOptionsOf(const RunArgs& a, const Scenario& scenario) {
    RunOptions options;
    options.pluginPath = absolute(!a.pluginPath.empty() ? a.pluginPath
                                  : scenario.debugMode  ? TAMBERWICK_SIM_PLUGIN_DEV
                                                        : TAMBERWICK_SIM_PLUGIN);
    options.hours = a.hours;
    options.iniPath = absolute(a.iniPath);
    options.tracePath = absolute(a.tracePath);
    options.foldedTracePath = absolute(a.foldedTracePath);
    if (!a.logPath.empty()) options.logPaths.push_back(absolute(a.logPath));
    if (!a.reportDir.empty()) options.logPaths.push_back(absolute((fs::path(a.reportDir) / "tamberwick.log").string()));
    options.keepOverlay = a.overlay || !a.reportDir.empty();
    options.keepPassCalls = !a.reportDir.empty() && !a.tracePath.empty();
    options.progress = isatty(STDERR_FILENO) != 0;
    return options;
}

void printOverlay(const Recorder& rec) {
    if (rec.lastOverlay().empty()) {
        fmt::print("\nDeveloper overlay: nothing drawn (debugMode is off; use --dev or \"debugMode\": true)\n");
    } else {
        fmt::print("\nDeveloper overlay, last frame:\n");
        for (const auto& t : rec.lastOverlay()) fmt::print("  {}\n", t.text);
    }
}

std::string readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream text;
    text << f.rdbuf();
    return text.str();
}

bool writeReport(const RunArgs& a, const Scenario& scenario, const RunResult& r) {
    const Recorder& rec = *r.recorder;
    const fs::path dir(a.reportDir);
    const std::string title = fmt::format("Ranch visits: scenario {}, seed {}", scenario.name, scenario.seed);
    return writeFile(dir / "map.svg",
                     mapSvg(rec, scenario.debugMode ? rec.lastOverlay() : std::vector<host::DrawnText>{}, title)) &&
           writeFile(dir / "timeline.svg", timelineSvg(rec, r.endTime, title)) &&
           writeFile(dir / "replay.html", replayHtml(r, scenario, a.hours, title, readFile(dir / "tamberwick.log")));
}

int runOnce(RunArgs& a) {
    const std::optional<Scenario> loaded = scenarioOf(a);
    if (!loaded) return kExitUsage;
    const Scenario& scenario = *loaded;
    const RunOptions options = runOptionsOf(a, scenario);
    if (!a.reportDir.empty()) {
        std::error_code ec;
        fs::create_directories(a.reportDir, ec);
        if (ec) {
            fmt::print(stderr, "tamberwick-sim: {}: cannot make the report directory: {}\n", a.reportDir, ec.message());
            return kExitUsage;
        }
    }
    RunResult r = runScenario(scenario, options);
    if (!r.failure.empty()) {
        fmt::print(stderr, "tamberwick-sim: {}\n", r.failure);
        return r.loaded ? kExitProblems : (r.failure.find("cannot load") == 0 ? kExitProblems : kExitUsage);
    }
    const Recorder& rec = *r.recorder;
    if (!a.quiet)
        for (const Event& e : rec.events()) fmt::print("{}  {}\n", rec.clockText(e.time), e.text);
    if (a.overlay) printOverlay(rec);
    if (!a.reportDir.empty() && !writeReport(a, scenario, r)) {
        fmt::print(stderr, "tamberwick-sim: {}: cannot write the report\n", a.reportDir);
        return kExitProblems;
    }
    std::fflush(stdout);
    printSummary(r, scenario, a.hours, !a.noTiming, stdout);
    if (!a.reportDir.empty()) {
        fmt::print("  report            {}, {}, {}\n", (fs::path(a.reportDir) / "map.svg").string(),
                   (fs::path(a.reportDir) / "timeline.svg").string(),
                   (fs::path(a.reportDir) / "tamberwick.log").string());
        fmt::print("  replay page       {}\n", absolute((fs::path(a.reportDir) / "replay.html").string()));
    }
    if (!a.logPath.empty()) fmt::print("  log               {}\n", a.logPath);
    std::fflush(stdout);
    return (r.hostErrors.empty() && r.leaks.empty()) ? kExitOk : kExitProblems;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Runs the plug-in in the host substitute over a scenario and reports what happened: a timeline of the visit on "
        "standard output, then a summary. Exit status: 0 when the run was clean, 1 when it found host errors or leaked "
        "entities (or could not run), 2 for a bad option, scenario or settings file (nothing is run then).",
        "tamberwick-sim"};
    RunArgs args;
    addRunOptions(app, args);
    CLI::App* soakCmd = addSoakCommand(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kExitOk : kExitUsage;
    }
    if (soakCmd->parsed()) return soak(soakCmd->remaining(), args);
    return runOnce(args);
}
