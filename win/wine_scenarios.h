// The Wine driver's scenarios, one row each: the name its command line gives, how many plug-in
// libraries it takes, what runs it and what it shows. main's usage text and dispatch both come
// from kWineScenarios. Each loads the plug-in through the stand-in host library, drives it with
// checks (wine_checks.h) and unloads it; tamberwick.ini, where one is needed, is in the working
// directory (win/wine_tests.cmake writes it).
#pragma once

#include <array>

namespace win {

void visitShort(const char* const* plugins);
void visitDefault(const char* const* plugins);
void devKeys(const char* const* plugins);
void unloadWhileWaiting(const char* const* plugins);
void startup(const char* const* plugins);
void logReasons(const char* const* plugins);
void noLog(const char* const* plugins);
void twoCopies(const char* const* plugins);
void reloadMidVisit(const char* const* plugins);

struct WineScenario {
    const char* name;
    int plugins;  // plug-in libraries named after it on the command line
    void (*run)(const char* const* plugins);
    const char* summary;
};

inline constexpr std::array kWineScenarios{
    WineScenario{"visit-short", 1, visitShort,
                 "a one-hour visit (tamberwick.ini sets it): the visitors come, stay the hour, leave and are removed"},
    WineScenario{"visit-default", 1, visitDefault,
                 "no tamberwick.ini: a visit under the defaults, still under way after 1 h 6 min"},
    WineScenario{"devkeys", 1, devKeys,
                 "the developer build's hotkeys from the input thread: F1 to the clipboard or player_coords.txt, "
                 "F2, I, F3, F4, and a stream of codes past the key table"},
    WineScenario{"unload", 1, unloadWhileWaiting,
                 "unloaded while the script waits in its start-up, loaded again, unloaded with a key in flight"},
    WineScenario{"startup", 1, startup, "load, run to the first ready pass, unload (with --trace-text/--expect-trace)"},
    WineScenario{"log-reasons", 1, logReasons,
                 "tamberwick.ini turns the log on: a visit held back three ways, each told once in tamberwick.log"},
    WineScenario{"no-log", 1, noLog, "no tamberwick.log without log=1"},
    WineScenario{"two-copies", 2, twoCopies,
                 "both builds loaded into one game: the first runs, the second stays idle, one set of visitors"},
    WineScenario{"reload", 1, reloadMidVisit,
                 "a saved game loaded mid-visit: a visit comes again, and no handle from before is used"},
};

}  // namespace win
