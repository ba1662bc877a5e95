#include "frame/plugin_main.h"

#include <cstdlib>

#include "behaviour/activities.h"
#include "behaviour/behaviour_controller.h"
#include "behaviour/greetings.h"
#include "behaviour/household.h"
#include "behaviour/night_sleep.h"
#include "devtools/coord_capture.h"
#include "devtools/overlay.h"
#include "frame/build_switch.h"
#include "frame/host_api.h"
#include "frame/host_ops.h"
#include "frame/key_state.h"
#include "frame/platform.h"
#include "frame/plugin_log.h"
#include "frame/settings.h"
#include "visit/departure.h"
#include "visit/ranch_fixtures.h"
#include "visit/scheduler.h"
#include "visit/visitor_state.h"
#include "visit/world_tables.h"

namespace tw {

bool worldReady = false;

namespace {

void scriptEntry() { scriptMain(); }

// The developer hotkeys: F1 capture coordinates, F2 force a visit, F3 clean up, F4 reset the
// visit timer, I send the visitors away.
void runHotkeys() {
    if (keyFired(kKeyF1)) captureCoordinates();
    if (keyFired(kKeyF2)) forceVisit();
    if (keyFired(kKeyF3)) endVisit();
    if (keyFired(kKeyF4)) resetVisitTimer();
    if (keyFired(kKeyI)) departNow();
}

// Every start of the script begins from the load state: the game restarts the script when it
// reloads (a saved game is loaded), and has released every entity and point we made; a
// handle we still held may now name something of the game's own, so nothing held is kept.
// Kept: the key records (the keyboard callback's), the one-copy claim and the open log.
void restoreLoadState() {
    worldReady = false;
    visit = {};
    visitors = {};
    bedrolls = {};
    resetWorldTables();
    resetSettings();
    resetHousehold();
    resetActivities();
    resetNight();
    resetOverlay();
    playerZeroModel = 0;
    lastTimerReading = 0;
}

void runPass() {
    drawOverlay();
    if (!worldReady) {
        ensureRanchFixtures();
        worldReady = ranchFixturesReady();
        if (worldReady) logEvent("the ranch is ready: both bedrolls and their sleep points are in place");
        scriptWait(kNotReadyPassWaitMs);
        return;
    }
    if (!visit.visitActive) runStartTest();
    if (visit.visitActive) {
        updateVisitor(sadie, false);
        updateVisitor(charles, true);
        updateHorse(sadie);
        updateHorse(charles);
        updatePlayerGreetings(sadie.ped, charles.ped);
        runDurationTest();
        updateDeparture(sadie);
        updateDeparture(charles);
        runEndTest();
    }
    if (debugMode) runHotkeys();
    scriptWait(0);
}

}  // namespace

void scriptMain() {
    if (logStarted())
        logEvent(
            "the game restarted the script (a saved game was loaded): what was under way is forgotten and the ranch "
            "starts afresh");
    restoreLoadState();
    std::srand(static_cast<unsigned>(platform::tickCount64() & 0xffffffffu));
    scriptWait(2000);
    prepareWorldTables();
    scriptWait(500);
    readSettings();
    visit.lastVisitEndTime = addTime(gameGetTimer(), -hoursToMs(visitCooldown));
    const bool firstStart = !logStarted();
    logStart(debugMode);
    if (firstStart) logSettings();
    int missingSpots = 0;
    for (const SpotPoint& spot : activitySpotPoints) missingSpots += spot.point == 0 ? 1 : 0;
    if (missingSpots > 0)
        logEvent("the game refused %d of the %d activity spots; the visitors use the others", missingSpots,
                 static_cast<int>(kActivitySpotCount));
    if (firstStart && platform::idleCopyPresent())
        logEvent("another copy of Tamberwick is loaded in this game too and stays idle: keep only one .asi of it");
    scriptWait(500);
    mainLoop();
}

void mainLoop() {
    scriptWait(2000);
    ensureRanchFixtures();
    scriptWait(1000);
    householdModelAbigail = miscGetHashKey(kHouseholdModelNames[0]);
    householdModelUncle = miscGetHashKey(kHouseholdModelNames[1]);
    householdModelJack = miscGetHashKey(kHouseholdModelNames[2]);
    playerZeroModel = miscGetHashKey("player_zero");
    clearPlayerGreetings();
    for (Visitor& v : visitors) v.householdGreeting.last = 0;
    for (;;) runPass();
}

}  // namespace tw

namespace {
bool runningCopy = false;  // this copy claimed the process and registered its script
}  // namespace

extern "C" __attribute__((visibility("default"))) int tamberwickEntry(void* module, uint32_t reason) {
    if (reason == 1) {
        runningCopy = tw::platform::claimOnlyCopy();
        if (!runningCopy) {
            // Another copy already runs in this game: two would bring two sets of visitors.
            // This one registers nothing; the running copy's log reports it too.
            tw::readSettings();
            if (tw::logEnabled)
                tw::logAppendOnce("another copy of Tamberwick already runs in this game; this copy stays idle");
            return 1;
        }
        scriptRegister(module, &tw::scriptEntry);
        keyboardHandlerRegister(&tw::onKeyboardEvent);
    } else if (reason == 0) {
        if (runningCopy) {
            scriptUnregister(module);
            keyboardHandlerUnregister(&tw::onKeyboardEvent);
            tw::logStop();
        }
        tw::platform::releaseCopy(runningCopy);
    }
    return 1;
}
