// The scenarios of a visit, the developer hotkeys, an unload mid-wait, a reload mid-visit and
// the start-up (the log's are in wine_log_scenarios.cpp); kWineScenarios lists them all.
#include "wine_scenarios.h"

#include <windows.h>

#include <string>

#include "clipboard.h"
#include "devtools/coord_capture.h"
#include "frame/key_state.h"
#include "frame/settings.h"
#include "host_driver.h"
#include "key_thread.h"
#include "wine_checks.h"

namespace win {

namespace {

// A visit under the settings in force: visitors appear, and with a one-hour visit they leave
// and are removed; with the default 48 hours they are still there after that time.
void visit(const char* plugin, bool shortVisit) {
    if (!load(plugin)) return;
    checkStartUp();
    if (!twhRunUntil(visitorCame, 60000)) {
        note("no visitor appeared within 60 s of game time after start-up (visit not built yet?)");
    } else {
        note("visitors: " + visitorsText());
        twhSetMissionActive(true);  // no second visit once this one ends
        const int32_t start = twhGameTime();
        // One hour of visit, then up to 300 s of riding away, and some slack.
        const bool gone = twhRunUntil(visitorsGone, tw::kMsPerGameHour + 300000 + 60000);
        const int32_t took = twhGameTime() - start;
        if (shortVisit) {
            check(gone, "a one-hour visit (from tamberwick.ini) ends with every visitor and horse removed");
            check(took >= tw::kMsPerGameHour, "the visitors stayed the hour tamberwick.ini asks for");
        } else {
            check(!gone, "with the default 48-hour visit the visitors are still there after 1 h 6 min");
        }
        note("plug-in objects left: " + std::to_string(twhLivePluginCount(2)) +
             ", scenario points left: " + std::to_string(twhLivePluginCount(3)));
    }
    unloadAndCheck();
}

// Presses key and runs the next three seconds of game time: a ready pass reads it well inside the
// key's 100 ms of real time, since simulated frames take far less.
void press(uint32_t key) {
    keys.send(key, 1);
    twhRunFor(3000);
}

// F1: the coordinates go to the real clipboard, or to the capture file without one, in the
// plug-in's own formats (devtools/coord_capture.h).
void checkCapture() {
    ClipboardJob sentinel;
    sentinel.put = "tamberwick clipboard probe";
    const bool haveClipboard = clipboard(sentinel);
    if (!haveClipboard) note("the clipboard is not available here; F1 can only be checked through the file");
    DeleteFileA(tw::kCoordsFile);
    // The key counts only within 100 ms of real time; a loaded machine may miss it, so try again.
    bool captured = false;
    for (int attempt = 0; attempt < 3 && !captured; ++attempt) {
        const int64_t headingsBefore = twhCallCount("entityGetHeading");
        press(tw::kKeyF1);
        captured = twhCallCount("entityGetHeading") > headingsBefore;
    }
    check(captured, "F1 read the player's position and heading");
    if (!captured) return;
    tw::Vec3 at{};
    float heading = 0;
    twhPlayerPlacement(&at.x, &at.y, &at.z, &heading);
    ClipboardJob read;
    const bool gotText = haveClipboard && clipboard(read);
    const std::string file = readFile(tw::kCoordsFile);
    if (haveClipboard) {
        note("clipboard after F1: \"" + read.got + "\"");
        check(gotText && read.got == tw::formatClipboardText(at, heading),
              "F1 put the player's coordinates and heading on the clipboard");
        check(file.empty(), std::string("a capture that reached the clipboard left ") + tw::kCoordsFile + " alone");
    } else {
        // The file is written as text: its line ends in "\r\n" on Windows.
        check(file == tw::formatCoordsFileText(at, heading) + "\r\n",
              std::string("without a clipboard F1 wrote the coordinates to ") + tw::kCoordsFile);
    }
}

}  // namespace

void visitShort(const char* const* plugins) { visit(plugins[0], true); }
void visitDefault(const char* const* plugins) { visit(plugins[0], false); }

void devKeys(const char* const* plugins) {
    if (!load(plugins[0])) return;
    twhSetMissionActive(true);  // only the hotkeys start a visit here
    checkStartUp();
    checkCapture();

    // F2 forces a visit, I sends the visitors away, F3 cleans up, F4 resets the timer.
    const int64_t createsBefore = twhCallCount("pedCreate");
    press(tw::kKeyF2);
    twhRunFor(5000);
    note("after F2: " + std::to_string(twhCallCount("pedCreate") - createsBefore) + " peds created, " +
         std::to_string(liveVisitors()) + " visitors and horses alive");
    check(twhCallCount("pedCreate") > createsBefore, "F2 forced a visit while a mission runs");
    press(tw::kKeyI);
    twhRunFor(5000);
    note("after I: " + std::to_string(liveVisitors()) + " visitors and horses alive");
    press(tw::kKeyF3);
    twhRunFor(2000);
    note("after F3: " + std::to_string(liveVisitors()) + " visitors and horses alive");
    check(liveVisitors() == 0, "F3 removed every visitor and horse");
    press(tw::kKeyF4);
    twhRunFor(1000);

    // Events with codes past the key table, from the input thread while the script runs.
    keys.startBurst();
    while (keys.burstEvents < 1000) Sleep(1);
    for (int frame = 0; frame < 300; ++frame) twhRunFrame();
    check(keys.endBurst(), "the input thread delivered a stream of key events while 300 frames ran");
    note(std::to_string(keys.burstEvents) + " key events delivered while the script ran");
    twhRunFor(1000);
    check(twhScriptRegistered(), "the script still runs after keys outside the key table");
    unloadAndCheck();
}

// Unloads while the script waits in its start-up, then loads again and unloads while it waits
// for the next frame.
void unloadWhileWaiting(const char* const* plugins) {
    if (!load(plugins[0])) return;
    twhRunFor(1000);
    check(twhWaitCount() == 1 && twhWait(0) == 2000, "the script waits out its first 2000 ms");
    unloadAndCheck();
    if (!load(plugins[0])) return;
    check(twhRegisterCalls() == 2, "loading again registers again");
    check(twhRunUntilReady(60000), "the reloaded plug-in starts up again");
    keys.send(tw::kKeyF2, 1);  // and a key in flight when it goes
    unloadAndCheck();
    keys.send(tw::kKeyF2, 1);  // after unload the host has no handler to call
}

// A saved game loaded in the middle of a visit, as the real library does it: the script's fiber
// deleted where it waits (DeleteFiber) and the script started on a new one. The ranch starts
// afresh, a visit comes again, and nothing the plug-in made before is called on again.
void reloadMidVisit(const char* const* plugins) {
    if (!load(plugins[0])) return;
    checkStartUp();
    const bool started = twhRunUntil(visitorCame, 60000);
    check(started, "a visit started after the start-up");
    if (!started) return unloadAndCheck();
    twhRunFor(10 * tw::kMsPerGameHour / 60);  // ten in-game minutes into it
    twhRestartScript(-1);
    check(twhRestarts() == 1 && liveVisitors() == 0 && twhLivePluginCount(2) == 0 && twhLivePluginCount(3) == 0,
          "the reload released every visitor, horse, bedroll and point the plug-in made");
    const int32_t reloadedAt = twhGameTime();
    check(twhRunUntil(visitorCame, 5 * tw::kMsPerGameHour / 60 + 10000),
          "a visitor came again within five in-game minutes of the reload's start-up");
    note("the next visitor came " + std::to_string(twhGameTime() - reloadedAt) + " ms of game time after the reload");
    twhRunFor(10 * tw::kMsPerGameHour / 60);
    check(twhScriptRegistered() && twhKeyboardRegistered(), "the script and the keyboard handler stay registered");
    const uint32_t old = twhOldHandleUses();
    check(old == 0, "no call after the reload passed a handle of what the plug-in made before it");
    if (old) note(std::to_string(old) + " calls passed an old handle");
    unloadAndCheck();
}

// Loads, runs until the first ready pass, unloads; main writes and compares the start-up trace.
void startup(const char* const* plugins) {
    if (!load(plugins[0])) return;
    check(twhRegisterCalls() == 1, "DllMain registered the script once");
    check(twhRunUntilReady(60000), "start-up reached the first ready pass within 60 s of game time");
    unloadAndCheck();
}

}  // namespace win
