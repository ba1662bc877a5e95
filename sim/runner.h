// One run of the plug-in over a scenario: sets up the host world, loads the module, plays the
// scenario's timed changes frame by frame, and collects what the recorder saw.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/settings.h"
#include "recorder.h"
#include "scenario.h"

namespace sim {

struct RunOptions {
    std::string pluginPath;             // module to load (release or developer build)
    double hours = 60.0;                // in-game hours to run
    std::string iniPath;                // settings file to run with; empty = the scenario's settings, if any
    std::string tracePath;              // JSON lines of every host call; empty = no trace
    std::string foldedTracePath;        // the folded trace the golden files keep (folded_trace.h)
    std::vector<std::string> logPaths;  // turn the plug-in's log on and copy tamberwick.log to each
    std::function<void(const host::Call&)> onCall;  // sees every host call as it is made (tests)
    bool keepOverlay = false;                       // keep the overlay texts of the last frame that drew any
    bool keepPassCalls = false;                     // keep the calls of the pass each segment began in
    bool progress = false;                          // progress bar on stderr
};

struct Leak {
    std::string what;  // "ped 0x104 (cs_mrsadler)" and the like
};

struct RunResult {
    std::unique_ptr<Recorder> recorder;
    bool loaded = false;
    std::string failure;  // why the run could not take place; empty when it did
    uint64_t frames = 0;
    int32_t endTime = 0;  // game time at the end, ms
    double wallSeconds = 0;
    int32_t cooldownHours = tw::kDefaultCooldownHours;  // as the plug-in reads them from the settings file
    int32_t durationHours = tw::kDefaultDurationHours;
    // world totals of what the plug-in created (never the household or the ranch's own points)
    int pedsCreated = 0, horsesCreated = 0, objectsCreated = 0, pointsCreated = 0;
    int pedsRemoved = 0, horsesRemoved = 0, objectsRemoved = 0, pointsRemoved = 0;
    bool leakChecked = false;  // false when the run ended during a visit
    std::vector<Leak> leaks;
    std::vector<std::string> hostErrors;
    uint64_t hostCalls = 0;
};

// Runs the scenario; never throws. The working directory is a fresh temporary one for the
// duration of the run (the plug-in reads its settings file from there) and is restored after.
RunResult runScenario(const Scenario& scenario, const RunOptions& options);

// The two hour counts the plug-in would read from a settings file (tw::kDefault*Hours when missing), read
// the way the host's profile reader does; used for "next possible at" and the summary.
void readIniHours(const std::string& path, int32_t& cooldown, int32_t& duration);

}  // namespace sim
