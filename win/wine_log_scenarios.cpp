// The scenarios of the log: what tamberwick.log tells of a visit held back, that it is written
// only with log=1, and what it says of a second copy of the plug-in in one game.
#include <windows.h>

#include <string>
#include <vector>

#include "frame/settings.h"
#include "host_driver.h"
#include "wine_checks.h"
#include "wine_scenarios.h"

namespace win {

namespace {

std::vector<std::string> logLines() {
    const std::vector<std::string> log = fileLines(readFile("tamberwick.log"));
    for (const std::string& l : log) note("log: " + l);
    return log;
}

// The steps of logReasons' run, in the order the log must tell them.
constexpr const char* kReasonsInOrder[] = {"loaded (release build)",
                                           "settings: visitCooldown=1 visitDuration=1",
                                           "the ranch is ready",
                                           "no visit yet: a story mission is running",
                                           "no visit yet: the story mission FIN2 is not completed",
                                           "no visit yet: the player is 300 m from the ranch",
                                           "arrives at",
                                           "visit started",
                                           "heads out to leave",
                                           "is removed",
                                           "visit ended; the next may start in 1 in-game hours",
                                           "no visit yet: the cooldown has 1.0 in-game hours to run"};

}  // namespace

// With log=1, visitCooldown=1 and visitDuration=1 in tamberwick.ini: a visit held back by a
// mission, then the story, then the distance, that comes and goes; tamberwick.log tells each
// step once, in order.
void logReasons(const char* const* plugins) {
    DeleteFileA("tamberwick.log");
    if (!load(plugins[0])) return;
    twhSetMissionActive(true);
    twhSetStoryDone(false);
    check(twhRunUntilReady(60000), "start-up reached the first ready pass");
    twhRunFor(60000);
    twhSetMissionActive(false);
    twhRunFor(60000);
    float x = 0, y = 0, z = 0, heading = 0;
    twhPlayerPlacement(&x, &y, &z, &heading);
    twhSetStoryDone(true);
    twhSetPlayerPosition(x + 300.0f, y, z);
    twhRunFor(60000);
    twhSetPlayerPosition(x, y, z);
    check(twhRunUntil(visitorCame, 60000), "the visit came once nothing held it back");
    check(twhRunUntil(visitorsGone, tw::kMsPerGameHour + 400000), "the visit ended");
    twhRunFor(60000);
    unloadAndCheck();

    const std::vector<std::string> log = logLines();
    long at = 0;
    for (const char* part : kReasonsInOrder) {
        const long found = lineWith(log, part, at);
        check(found >= 0, std::string("the log then says \"") + part + "\"");
        if (found >= 0) at = found + 1;
    }
    for (const char* reason : {"a story mission is running", "FIN2 is not completed", "m from the ranch"}) {
        const long first = lineWith(log, reason);
        check(first >= 0 && lineWith(log, reason, first + 1) < 0,
              std::string("\"") + reason + "\" once, however many passes it held");
    }
}

// Whatever tamberwick.ini says short of log=1 (the shipped file, a file without the key, no
// file): a visit comes and goes and no tamberwick.log appears.
void noLog(const char* const* plugins) {
    DeleteFileA("tamberwick.log");
    if (!load(plugins[0])) return;
    check(twhRunUntilReady(60000), "start-up reached the first ready pass");
    check(twhRunUntil(visitorCame, 60000), "a visit came");
    twhRunFor(10 * tw::kMsPerGameHour);
    unloadAndCheck();
    check(GetFileAttributesA("tamberwick.log") == INVALID_FILE_ATTRIBUTES, "no tamberwick.log was written");
}

// Both builds in one game folder, as a player who unpacked both zips: the first loaded runs,
// the second stays idle, and one set of visitors comes. The second is loaded with the system
// loader alone: an idle copy registers nothing, which the host's own load would take for a fault.
void twoCopies(const char* const* plugins) {
    DeleteFileA("tamberwick.log");
    if (!load(plugins[0])) return;
    HMODULE idle = LoadLibraryA(plugins[1]);
    check(idle != nullptr, "the second copy loads");
    check(twhRegisterCalls() == 1, "only the first copy registered a script");
    check(twhRunUntilReady(60000), "start-up reached the first ready pass");
    check(twhRunUntil(visitorCame, 60000), "a visit came");
    twhRunFor(tw::kMsPerGameHour);
    check(twhLivePluginCount(0) <= 2 && twhLivePluginCount(1) <= 2, "one set of visitors and horses, not two");
    note("visitors: " + visitorsText());
    if (idle) FreeLibrary(idle);
    unloadAndCheck();
    const std::vector<std::string> log = logLines();
    check(lineWith(log, "this copy stays idle") >= 0 || lineWith(log, "loaded in this game too and stays idle") >= 0,
          "the log tells of the idle copy");
}

}  // namespace win
