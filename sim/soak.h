// The soak: many seeds, each a fresh load of the plug-in living through in-game days of a
// misbehaving host (fault_injector.h) while the invariants (invariants.h) are checked after
// every call and frame. A seed replays exactly: `tamberwick-sim soak --seeds 1 --first-seed S`.
// One seed (soak_seed.cpp), the seed loop (soak_share.cpp), the report (soak_report.cpp) and the
// command line (soak_options.h) build for Linux and, inside the Wine stand-in of the host
// library, for Windows; the child processes (soak.cpp) are Linux's.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "fault_injector.h"
#include "invariants.h"

namespace sim {

// Which build each seed loads.
enum class SoakBuild : uint8_t {
    Drawn,      // the seed draws it: the developer build for about a quarter of the seeds
    Release,    // pluginPath for every seed, no hotkeys pressed
    Developer,  // pluginPath for every seed, hotkeys pressed
};

// A soak's options, with their defaults; the command lines set them from the table in
// soak_options.h, which reads the defaults from here.
struct SoakOptions {
    std::string pluginPath;     // release build (or the build given for every seed)
    std::string pluginDevPath;  // developer build (hotkeys), loaded for about a quarter of the seeds
    SoakBuild build = SoakBuild::Drawn;
    uint64_t firstSeed = 1;
    int seeds = 16;
    int days = 10;                                // in-game days per seed
    int jobs = 1;                                 // child processes running seeds side by side
    int32_t frameStepMs = 100;                    // game time per frame
    bool verbose = false;                         // one line per seed
    int32_t passLimitMs = kLongestPassMs;         // longest pass the checker allows
    std::string title = "Soak";                   // the summary's heading
    std::string command = "tamberwick-sim soak";  // what runs the soak, for a failing seed's replay line
};

struct SeedResult {
    uint64_t seed = 0;
    int32_t cooldownHours = 0, durationHours = 0;
    bool devBuild = false;
    bool crossesWrap = false;  // the game timer passes 2^31 during the run
    int32_t startTime = 0;     // game timer at load, ms
    uint64_t frames = 0, hostCalls = 0;
    int visitsStarted = 0, visitsEnded = 0;
    int startsWithNobody = 0;   // starts that created no visitor, retried within the hour
    int visitsCutByReload = 0;  // visits under way when a saved game was loaded
    int visitsStartedAfterWrap = 0, visitsEndedAfterWrap = 0;
    int32_t longestPassMs = 0, longestPollMs = 0;
    int longestEligibleWait = 0;
    uint64_t deadHandleTests = 0;
    FaultCounts faults{};
    std::vector<Violation> violations;
    std::string failure;  // the seed could not run at all
};

// Runs one seed in this process; the working directory must be one the seed may write its
// settings file into.
SeedResult runSoakSeed(uint64_t seed, const SoakOptions& options);

// Runs the seeds firstSeed + share, firstSeed + share + stride, ... one after another in this
// process, in a scratch working directory of their own, and hands each result to done as it
// comes; with progress, a dot on stderr for each seed. The seed loop of both soaks.
void runSeedShare(const SoakOptions& options, int share, int stride, bool progress,
                  const std::function<void(const SeedResult&)>& done);

// Runs every seed (in `jobs` child processes when more than one), prints violations as they
// are found and a summary to out. Returns 0 when every seed was clean, 1 otherwise.
int runSoak(const SoakOptions& options, std::FILE* out);

// Every violation with its seed, frame, last calls and the command that replays its seed, then
// the summary of all seeds run by `jobs` processes in wallSeconds. results are sorted by seed.
// Returns 0 when every seed ran and was clean, 1 otherwise.
int printSoakReport(const SoakOptions& options, const std::vector<SeedResult>& results, int jobs, double wallSeconds,
                    std::FILE* out);

}  // namespace sim
