// What the stand-in host library offers its loader besides the nine host functions: a plain
// C surface over host::gHost, so the loader and the stand-in share no C++ runtime state.
#pragma once

#include <cstdint>

extern "C" {

// A fresh host: the world as a new game session has it, no plug-in, no records.
void twhReset();
// Loads the plug-in library (its DllMain registers through the stand-in); false with a
// reason in error on failure.
bool twhLoad(const char* path, char* error, uint32_t errorSize);
// Unloads the plug-in; true when the host's unload checks held (host::releasePlugin and
// host::checkUnmapped: the script and keyboard handler unregistered, the library unmapped).
bool twhUnload();
// Records where each script wait falls among the host calls, for twhWriteStartupTrace; call
// it before the plug-in's script first runs.
void twhMarkWaits();
// True once the main loop has made its first ready pass (host::firstReadyPassWait); needs
// twhMarkWaits.
bool twhFirstReadyPassDone();
// Writes the host calls and script waits, in order, from the load to the end of the first
// ready pass to path, one line each ("<game time> <call> -> <result>" or
// "<game time> scriptWait(ms)"); false when that pass was not made or the file cannot be written.
bool twhWriteStartupTrace(const char* path);
// Frames, all run by the stand-in's one host::Session, as every tool runs them.
void twhRunFrame();
void twhRunFor(int32_t gameMs);
// Runs frames until pred() holds (tested before each frame) or limitMs of game time passed;
// returns pred().
bool twhRunUntil(bool (*pred)(), int32_t limitMs);
// Runs frames until the script has just made its first ready pass (host::runUntilReady), or
// limitMs of game time passed; returns whether it has.
bool twhRunUntilReady(int32_t limitMs);
// The game reloads (a saved game is loaded): the script's fiber is deleted wherever it waits
// and the script starts again at the next frame (clockHour 0 to 23 sets the clock). What the
// plug-in made up to now is remembered for twhOldHandleUses.
void twhRestartScript(int32_t clockHour);
// Calls since the last twhRestartScript that passed a handle of something the plug-in made
// before it, which the host has not handed out again since.
uint32_t twhOldHandleUses();
int32_t twhRestarts();
// Calls the registered keyboard handler as the host's input thread does; safe off the script's thread.
void twhSendKey(uint32_t keyCode, int32_t triggerFlag);

int32_t twhGameTime();
bool twhScriptRegistered();
bool twhKeyboardRegistered();
int32_t twhRegisterCalls();
uint32_t twhWaitCount();
uint32_t twhWait(uint32_t index);
uint32_t twhErrorCount();
const char* twhError(uint32_t index);
// How often the plug-in called the named host operation; -1 for a name not in the catalogue.
int64_t twhCallCount(const char* opName);
// Live objects the plug-in created: kind 0 peds, 1 horses, 2 objects, 3 scenario points.
int32_t twhLivePluginCount(int32_t kind);
void twhPlayerPlacement(float* x, float* y, float* z, float* heading);
void twhSetMissionActive(bool active);
// Whether the story mission FIN2 counts as completed (it does in a fresh world).
void twhSetStoryDone(bool done);
void twhSetPlayerPosition(float x, float y, float z);
// Texts drawn in the last frame.
uint32_t twhDrawnCount();
const char* twhDrawn(uint32_t index);

// `tamberwick-host soak`: the fault-injection soak of one build of the plug-in, run in the
// stand-in where the host lives. self: the program as its command line names it; words: what
// follows "soak", parsed from the soak's option table (sim/soak_options.h) as `tamberwick-sim
// soak` parses its own. Every seed runs in a scratch working directory of its own (each writes
// its settings file there). Prints every violation and the summary to stdout; returns 0 when
// every seed ran and was clean, 1 otherwise, 2 for a bad command line.
int32_t twhSoak(const char* self, int32_t count, const char* const* words);
}
